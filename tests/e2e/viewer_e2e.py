#!/usr/bin/env python3
"""End to end under a virtual X server: the viewer in a program folder of its own, fed by the
simulated receiver. Screenshots show the background, the speed figure, the info panel, the
track plot with its end dot and the compass; a tap on "Z+" changes the plot, a drag moves the
track by the drag's offset, and the menu bar's "Ok" ends the program with exit code 0, leaving
a log that holds just its header.

usage: viewer_e2e.py KAVRO_EXECUTABLE
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or while another Kavro of this user
runs (the single-instance rule would send our start to that one). Set KAVRO_E2E_KEEP to a
folder to keep the screenshots there."""

import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
HERE = os.path.dirname(os.path.realpath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
SIMRECEIVER = os.path.join(SOURCE, "tools", "simreceiver.py")

CLIENT_WIDTH, CLIENT_HEIGHT = 480, 536
MENU_BAR_HEIGHT = 26
PORT = 3

BACKGROUND = (0, 50, 0)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 255, 0)
RED = (255, 0, 0)
BLUE = (0, 0, 255)

PLOT_LEFT = 100
COMPASS_CENTRE = (CLIENT_WIDTH - 37, 37)
COMPASS_REACH = 30
ZOOM_IN = (14, 15)
OK_BUTTON = (30, CLIENT_HEIGHT + MENU_BAR_HEIGHT // 2)
DRAG_FROM, DRAG_BY = (250, 400), (-40, -30)

HEADER = re.compile(r"Kavro 1\.0\n[^\n]+\n[^\n]+\nBuild: \d+-\d+-\d+-\d+-\d+\n\n\Z")


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def wait_until(what, seconds, step=0.1):
    """Calls what() until it returns something true, for at most `seconds`; returns the last
    result."""
    end = time.monotonic() + seconds
    while True:
        result = what()
        if result or time.monotonic() >= end:
            return result
        time.sleep(step)


class Screen:
    """One screenshot of the window's client area and menu bar, read pixel by pixel in client
    coordinates."""

    def __init__(self, ppm, origin):
        fields, pos = [], 0
        while len(fields) < 4:  # P6 header: magic, width, height, maxval (comments skipped)
            while ppm[pos:pos + 1].isspace():
                pos += 1
            if ppm[pos:pos + 1] == b"#":
                pos = ppm.index(b"\n", pos) + 1
                continue
            start = pos
            while not ppm[pos:pos + 1].isspace():
                pos += 1
            fields.append(ppm[start:pos])
        if fields[0] != b"P6" or int(fields[3]) != 255:
            raise Failure("screenshot is not an 8-bit PPM: %r" % fields)
        self.data, self.start, self.width = ppm, pos + 1, int(fields[1])
        self.ox, self.oy = origin

    def pixel(self, x, y):
        i = self.start + 3 * ((self.oy + y) * self.width + (self.ox + x))
        return tuple(self.data[i:i + 3])

    def find(self, colour, left, top, right, bottom):
        """The set of (x, y) in [left, right) x [top, bottom) that have this colour."""
        return {(x, y) for y in range(top, bottom) for x in range(left, right)
                if self.pixel(x, y) == colour}


def track_pixels(screen):
    """White pixels of the plot, away from the compass and the panel text's reach."""
    cx, cy = COMPASS_CENTRE
    return {(x, y) for (x, y) in screen.find(WHITE, PLOT_LEFT + 30, 0, CLIENT_WIDTH, CLIENT_HEIGHT)
            if not (abs(x - cx) <= COMPASS_REACH + 2 and abs(y - cy) <= COMPASS_REACH + 2)}


def display_checks(screen):
    """What the running display must show, as (name, passed, detail)."""
    cx, cy = COMPASS_CENTRE
    compass = (cx - COMPASS_REACH, cy - COMPASS_REACH, cx + COMPASS_REACH, cy + COMPASS_REACH)
    band = [screen.pixel(x, y) for x in range(0, PLOT_LEFT, 7) for y in range(300, CLIENT_HEIGHT, 7)]
    background = sum(p == BACKGROUND for p in band)
    plot_edge = [screen.pixel(PLOT_LEFT, y) for y in range(200, CLIENT_HEIGHT, 10)]
    digits = len(screen.find(GREEN, 1, 160, 100, 231))
    panel = len(screen.find(WHITE, 0, 26, PLOT_LEFT, 160))
    track = len(track_pixels(screen))
    dot = len(screen.find(GREEN, PLOT_LEFT + 1, 0, CLIENT_WIDTH, CLIENT_HEIGHT))
    red = len(screen.find(RED, *compass))
    blue = len(screen.find(BLUE, *compass))
    return [
        ("dark green left band", background >= 0.9 * len(band), "%d of %d pixels" % (background, len(band))),
        ("left of the plot is background", screen.pixel(PLOT_LEFT - 1, 300) == BACKGROUND,
         str(screen.pixel(PLOT_LEFT - 1, 300))),
        ("black plot from x = 100", plot_edge.count(BLACK) >= 0.8 * len(plot_edge),
         "%d of %d pixels" % (plot_edge.count(BLACK), len(plot_edge))),
        ("green speed digits", digits >= 40, "%d pixels" % digits),
        ("white panel text", panel >= 60, "%d pixels" % panel),
        ("white track", track >= 3, "%d pixels" % track),
        ("green end dot", 20 <= dot <= 49, "%d pixels" % dot),
        ("red needle half", red >= 10, "%d pixels" % red),
        ("blue needle half", blue >= 10, "%d pixels" % blue),
    ]


class Run:
    def __init__(self, program, work):
        self.program, self.work = program, work
        self.folder = os.path.join(work, "program")
        self.keep = os.environ.get("KAVRO_E2E_KEEP")
        self.shots = 0
        self.xvfb = self.receiver = self.viewer = None
        self.env = None
        self.window = None
        self.origin = (0, 0)

    # --- processes ---------------------------------------------------------------------------

    def start_xvfb(self):
        # A free display from :90 on: no lock file and no socket of another server, whose
        # socket a new server would otherwise take over.
        number = None
        for candidate in range(90, 140):
            if any(os.path.lexists(path % candidate) for path in ("/tmp/.X%d-lock", "/tmp/.X11-unix/X%d")):
                continue
            number = self.try_xvfb(candidate)
            if number is not None:
                break
        if number is None:
            raise Skip("Xvfb did not start on any display from :90 on")
        env = dict(os.environ, DISPLAY=":%d" % number, SDL_AUDIODRIVER="dummy")
        env.pop("SDL_VIDEODRIVER", None)
        # In a sanitizer build, D-Bus (used by SDL's X11 driver) keeps one buffer to the end.
        suppressions = "suppressions=" + os.path.join(HERE, "lsan.supp")
        env["LSAN_OPTIONS"] = suppressions + (":" + env["LSAN_OPTIONS"] if env.get("LSAN_OPTIONS") else "")
        self.env = env

    def try_xvfb(self, number):
        """Starts Xvfb on this display; its number once the server is ready, else None."""
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            # -noreset: the server stays as it is while no client is connected (xdotool and
            # import come and go).
            ["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-noreset", "-screen", "0", "800x700x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.work, "xvfb.log"), "ab"))
        os.close(write_end)
        # The server writes its number and the line feed apart; a pipe closed in between
        # would end it, so read up to the line feed.
        answer, end = b"", time.monotonic() + 10
        while not answer.endswith(b"\n") and time.monotonic() < end:
            ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                break
            answer += chunk
        os.close(read_end)
        if answer.strip() != str(number).encode():  # taken, or the server did not come up
            xvfb.kill()
            xvfb.wait()
            return None
        self.xvfb = xvfb
        return number

    def start_receiver(self):
        self.receiver = subprocess.Popen(
            [sys.executable, SIMRECEIVER, "--folder", self.folder, "--port", str(PORT), "--write-ini",
             "--rate-hz", "5", "--baud", "115200", "--random-state", "4", "--start", "48.1173,11.5167",
             "--start-time", "2024-05-01T12:00:00Z", "--quiet"],
            stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.work, "receiver.err"), "wb"))
        link = os.path.join(self.folder, "COM%d" % PORT)
        ini = os.path.join(self.folder, "Tolm.ini")

        def ready():
            return os.path.islink(link) and "PORT = COM%d" % PORT in read_text(ini)
        if not wait_until(ready, 10):
            raise Failure("the simulated receiver did not link COM%d and write Tolm.ini" % PORT)

    def start_viewer(self):
        self.viewer = subprocess.Popen(
            [os.path.join(self.folder, "kavro")], cwd=self.work, env=self.env,
            stdout=open(os.path.join(self.work, "kavro.out"), "wb"),
            stderr=open(os.path.join(self.work, "kavro.err"), "wb"))

        # xdotool's search by name misses titles set as UTF-8 text, as SDL sets them under a
        # UTF-8 locale; so find the program's windows by class and read their titles.
        def found():
            if self.viewer.poll() is not None:
                return "ended"
            for window in self.xdotool("search", "--onlyvisible", "--classname", "^kavro$", check=False).split():
                if self.xdotool("getwindowname", window, check=False) == "Kavro":
                    return window
            return None
        result = wait_until(found, 20, 0.2)
        if result == "ended":
            if self.viewer.returncode == 0 and not os.path.exists(os.path.join(self.folder, "Tolm.txt")):
                raise Skip("another Kavro runs for this user and took our start")
            raise Failure("the viewer ended with %s before showing its window" % self.viewer.returncode)
        if not result:
            raise Failure("no visible window titled 'Kavro'")
        self.window = result
        geometry = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", self.window).split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))
        width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
        if (width, height) != (CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT):
            raise Failure("window is %dx%d, expected %dx%d" % (width, height, CLIENT_WIDTH,
                                                               CLIENT_HEIGHT + MENU_BAR_HEIGHT))

    def stop(self):
        for process in (self.viewer, self.receiver, self.xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    # --- X -----------------------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=20)
        if check and result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout.strip() if result.returncode == 0 else ""

    def click(self, at):
        self.xdotool("mousemove", "--window", self.window, str(at[0]), str(at[1]), "click", "1")

    def drag(self, start, by):
        x, y = start
        self.xdotool("mousemove", "--window", self.window, str(x), str(y), "mousedown", "1")
        for step in range(1, 5):
            self.xdotool("mousemove", "--window", self.window, str(x + by[0] * step // 4),
                         str(y + by[1] * step // 4))
        self.xdotool("mouseup", "1")

    def screenshot(self, name):
        result = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                                capture_output=True, timeout=20)
        if result.returncode != 0:
            raise Failure("screenshot failed: %s" % result.stderr.decode(errors="replace").strip())
        self.shots += 1
        if self.keep:
            os.makedirs(self.keep, exist_ok=True)
            with open(os.path.join(self.keep, "%02d-%s.ppm" % (self.shots, name)), "wb") as out:
                out.write(result.stdout)
        return Screen(result.stdout, self.origin)

    # --- the run -----------------------------------------------------------------------------

    def run(self):
        os.makedirs(self.folder)
        shutil.copy2(self.program, os.path.join(self.folder, "kavro"))
        self.start_xvfb()
        self.start_receiver()
        self.start_viewer()

        # The port opens with a 3 s settling wait; then each tick draws what the receiver sent.
        # Wait until the car is under way and every part of the display has been drawn.
        screens = []

        def complete():
            screens.append(self.screenshot("running"))
            return all(passed for _, passed, _ in display_checks(screens[-1]))
        if not wait_until(complete, 30, 0.5):
            raise Failure("display incomplete:\n" + "\n".join(
                "  %s: %s (%s)" % (name, "ok" if passed else "MISSING", detail)
                for name, passed, detail in display_checks(screens[-1])))

        # "Z+" doubles the scale: the plot is drawn again at once, its track twice as long.
        for tap in (1, 2):
            before = track_pixels(self.screenshot("before-zoom"))
            self.click(ZOOM_IN)

            def zoomed():
                return len(track_pixels(self.screenshot("zoomed"))) > len(before) + 2
            if not wait_until(zoomed, 5, 0.3):
                raise Failure("tap %d on Z+ did not enlarge the track (%d white pixels before)" % (tap, len(before)))

        # A drag moves the plot by its offset: the track's pixels turn up shifted by it (the
        # track grows meanwhile, so most of them, not all).
        before = track_pixels(self.screenshot("before-drag"))
        self.drag(DRAG_FROM, DRAG_BY)

        def moved():
            after = track_pixels(self.screenshot("dragged"))
            shifted = sum((x + DRAG_BY[0], y + DRAG_BY[1]) in after for x, y in before)
            stayed = sum(p in after for p in before)
            return shifted >= 0.7 * len(before) and stayed < 0.3 * len(before)
        if not wait_until(moved, 5, 0.3):
            raise Failure("the drag did not move the track by %r (%d white pixels before)" % (DRAG_BY, len(before)))

        # The menu bar's "Ok" ends the program.
        self.click(OK_BUTTON)
        try:
            code = self.viewer.wait(15)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end after Ok") from None
        if code != 0:
            raise Failure("the viewer ended with exit code %d" % code)
        log = read_text(os.path.join(self.folder, "Tolm.txt"))
        if not HEADER.match(log):
            raise Failure("Tolm.txt does not hold just its header: %r" % log)

        # The receiver takes its link away when it stops.
        self.receiver.terminate()
        try:
            self.receiver.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("the simulated receiver did not stop") from None
        if os.path.lexists(os.path.join(self.folder, "COM%d" % PORT)):
            raise Failure("COM%d is still there after the receiver stopped" % PORT)


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print("skipped: %s is not installed" % tool)
            return SKIP
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="kavro-e2e-") as work:
        run = Run(os.path.realpath(argv[1]), work)
        try:
            run.run()
        except Skip as skip:
            print("skipped: %s" % skip)
            return SKIP
        except Failure as failure:
            print("FAIL: %s" % failure)
            for name in ("kavro.err", "receiver.err"):
                text = read_text(os.path.join(work, name))
                if text:
                    print("--- %s:\n%s" % (name, text.rstrip()))
            return 1
        finally:
            run.stop()
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still clean up when CTest times out
    sys.exit(main(sys.argv))
