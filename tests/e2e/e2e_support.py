"""What the end-to-end scripts share: a work folder with the viewer copied into a program
folder of its own and its settings file, a virtual X server on a free display (or SDL's dummy
driver, headless), the simulated receiver (on a pseudo-terminal, TCP or UDP), Debian's gpsd,
free loopback ports, windows and message boxes found by class and title, clicks and keys
through xdotool, screenshots read pixel by pixel, the viewer's resident memory, the log header
check, and the clean-up.

A script builds on Session and hands its body to run_script(), which turns Skip into exit
code 77 and Failure into 1 with the viewer's and the receiver's standard error."""

import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from ppm import read_ppm

SKIP = 77
HERE = os.path.dirname(os.path.realpath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
NMEA_SIM = os.path.join(SOURCE, "tools", "nmea_sim")
LSAN_SUPPRESSIONS = os.path.join(HERE, "lsan.supp")
X_TOOLS = ("Xvfb", "xdotool", "import")

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
PANEL = (0, 26, PLOT_LEFT, 160)  # left, top, right, bottom of the info panel's text
ZOOM_IN = (14, 15)
OK_BUTTON = (30, CLIENT_HEIGHT + MENU_BAR_HEIGHT // 2)

# Exactly one whole header and nothing else.
HEADER = re.compile(r"Kavro 1\.0\n[^\n]+\n[^\n]+\nBuild: \d+-\d+-\d+-\d+-\d+\n\n\Z")
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")


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


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def check_log_header(folder):
    """Tolm.txt in the folder holds exactly one whole header."""
    log = read_text(os.path.join(folder, "Tolm.txt"))
    if not HEADER.match(log):
        raise Failure("Tolm.txt does not hold exactly one whole header: %r" % log)


def free_port(kind=socket.SOCK_STREAM):
    """A loopback port of this kind (TCP by default) that nothing uses now."""
    with socket.socket(socket.AF_INET, kind) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def resident_kb(pid):
    """VmRSS of a running process, in kB."""
    for line in read_text("/proc/%d/status" % pid).splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    raise Failure("no VmRSS for process %d (has it ended?)" % pid)


def sanitized(program):
    """True for a build with AddressSanitizer, whose memory grows by design (freed blocks wait
    in quarantine)."""
    with open(program, "rb") as f:
        return b"__asan_init" in f.read()


def check_no_sanitizer_report(text, who="the viewer"):
    reports = [line for line in text.splitlines() if SANITIZER_REPORT.search(line)]
    if reports:
        raise Failure("%s's sanitizer reported:\n  %s" % (who, "\n  ".join(reports[:10])))


class Screen:
    """One screenshot, read pixel by pixel in the client coordinates of one window."""

    def __init__(self, ppm, origin):
        try:
            self.width, _, self.start = read_ppm(ppm)
        except ValueError as error:
            raise Failure("screenshot: %s" % error)
        self.data = ppm
        self.ox, self.oy = origin

    def pixel(self, x, y):
        i = self.start + 3 * ((self.oy + y) * self.width + (self.ox + x))
        return tuple(self.data[i:i + 3])

    def find(self, colour, left, top, right, bottom):
        """The set of (x, y) in [left, right) x [top, bottom) that have this colour."""
        return {(x, y) for y in range(top, bottom) for x in range(left, right)
                if self.pixel(x, y) == colour}

    def area(self, left, top, right, bottom):
        """The pixels of a rectangle, row by row, for comparing two screenshots."""
        return tuple(self.pixel(x, y) for y in range(top, bottom) for x in range(left, right))


class Session:
    """One test's processes and files in a work folder of its own."""

    def __init__(self, program, work):
        self.program, self.work = program, work
        self.folder = os.path.join(work, "program")
        self.keep = os.environ.get("KAVRO_E2E_KEEP")
        self.shots = 0
        self.xvfb = self.receiver = self.viewer = None
        self.display = None
        self.window = None
        self.origin = (0, 0)
        self.started = []  # every process started, for the clean-up

    # --- files -------------------------------------------------------------------------------

    def make_program_folder(self, name="program"):
        """A program folder in the work folder holding a copy of the viewer."""
        self.folder = os.path.join(self.work, name)
        os.makedirs(self.folder)
        shutil.copy2(self.program, os.path.join(self.folder, "kavro"))
        return self.folder

    def path(self, name):
        return os.path.join(self.work, name)

    def viewer_errors(self, name="kavro.err"):
        return read_text(self.path(name))

    # --- processes ---------------------------------------------------------------------------

    def viewer_env(self, headless=False, extra=None):
        env = dict(os.environ, SDL_AUDIODRIVER="dummy")
        if headless:
            env["SDL_VIDEODRIVER"] = "dummy"
            env.pop("DISPLAY", None)
        else:
            if self.display is None:
                raise Failure("no X server started for a windowed viewer")
            env["DISPLAY"] = self.display
            env.pop("SDL_VIDEODRIVER", None)
        # In a sanitizer build, D-Bus (used by SDL's X11 driver) keeps one buffer to the end;
        # the list of suppressions used would only clutter the standard error tests read.
        suppressions = "suppressions=%s:print_suppressions=0" % LSAN_SUPPRESSIONS
        env["LSAN_OPTIONS"] = suppressions + (":" + env["LSAN_OPTIONS"] if env.get("LSAN_OPTIONS") else "")
        env.update(extra or {})
        return env

    def start_xvfb(self):
        for tool in X_TOOLS:
            if shutil.which(tool) is None:
                raise Skip("%s is not installed" % tool)
        # A free display from :90 on: no lock file and no socket of another server, whose
        # socket a new server would otherwise take over.
        for candidate in range(90, 140):
            if any(os.path.lexists(path % candidate) for path in ("/tmp/.X%d-lock", "/tmp/.X11-unix/X%d")):
                continue
            if self.try_xvfb(candidate):
                self.display = ":%d" % candidate
                return
        raise Skip("Xvfb did not start on any display from :90 on")

    def try_xvfb(self, number):
        """Starts Xvfb on this display; True once the server is ready."""
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            # -noreset: the server stays as it is while no client is connected (xdotool and
            # import come and go).
            ["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-noreset", "-screen", "0", "800x700x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=open(self.path("xvfb.log"), "ab"))
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
            return False
        self.xvfb = xvfb
        self.started.append(xvfb)
        return True

    def start_receiver(self, *args, port=PORT, write_ini=True, user=None, name="receiver.err", sink=None):
        """The simulated receiver linked as COMn in the program folder (and Tolm.ini set to
        it), started with these extra arguments; returns once the link (and the file) are
        there. With sink "tcp" or "udp" it has no pseudo-terminal: it serves TCP on a free
        loopback port, or sends datagrams to one, and Tolm.ini names that source."""
        command = [sys.executable, NMEA_SIM, "--folder", self.folder, "--port", str(port), "--quiet"]
        if sink == "tcp":
            command += ["--no-pty", "--tcp", "127.0.0.1:0", "--write-ini", "tcp"]
        elif sink == "udp":
            command += ["--no-pty", "--udp", "127.0.0.1:%d" % free_port(socket.SOCK_DGRAM), "--write-ini", "udp"]
        elif write_ini:
            command.append("--write-ini")
        ini = os.path.join(self.folder, "Tolm.ini")
        old_settings = read_text(ini)
        self.receiver = subprocess.Popen(command + [str(a) for a in args], stdout=subprocess.DEVNULL,
                                         stderr=open(self.path(name), "wb"), **as_user(user))
        self.started.append(self.receiver)
        link = os.path.join(self.folder, "COM%d" % port)

        def ready():
            if self.receiver.poll() is not None:
                return "ended"
            if sink:
                settings = read_text(ini)
                return settings != old_settings and "PORT = %s://" % sink in settings
            return os.path.islink(link) and (not write_ini or "PORT = COM%d" % port in read_text(ini))
        if wait_until(ready, 20) is not True:
            raise Failure("the simulated receiver did not %s" % ("write its %s source into Tolm.ini" % sink if sink else
                          "link COM%d%s" % (port, " and write Tolm.ini" if write_ini else "")))
        return self.receiver

    def write_settings(self, *ports, rate=115200):
        """Tolm.ini with these PORT values, in order (the last one counts), and the rate."""
        with open(os.path.join(self.folder, "Tolm.ini"), "w") as ini:
            ini.write("".join("PORT = %s\n" % value for value in ports) + "RATE = %d\n" % rate)

    def port_setting(self):
        """The value of the last PORT line in Tolm.ini."""
        lines = re.findall(r"^PORT = (.*?)\s*$", read_text(os.path.join(self.folder, "Tolm.ini")), re.MULTILINE)
        if not lines:
            raise Failure("Tolm.ini has no PORT line")
        return lines[-1]

    def start_gpsd(self, device):
        """Debian's gpsd reading this device without writing to it (-b), in the foreground (-N),
        reading it before any client comes (-n), on a free loopback port with its control
        socket in the work folder; returns (process, port) once it takes connections."""
        program = shutil.which("gpsd") or shutil.which("gpsd", path="/usr/sbin")
        if program is None:
            raise Skip("gpsd is not installed")
        port = free_port()
        gpsd = subprocess.Popen([program, "-N", "-n", "-b", "-S", str(port), "-F", self.path("gpsd.sock"), device],
                                stdout=subprocess.DEVNULL, stderr=open(self.path("gpsd.err"), "wb"))
        self.started.append(gpsd)

        def listening():
            if gpsd.poll() is not None:
                return "ended"
            try:
                socket.create_connection(("127.0.0.1", port), 1).close()
                return True
            except OSError:
                return False
        if wait_until(listening, 10) is not True:
            raise Failure("gpsd did not take connections on port %d" % port)
        return gpsd, port

    def launch_viewer(self, headless=False, env=None, user=None, name="kavro", command=None):
        """Starts the viewer in the program folder, its output going to <name>.out/.err in
        the work folder; returns the process."""
        program = os.path.join(self.folder, "kavro")
        viewer = subprocess.Popen(
            command or [program], cwd=self.work, env=self.viewer_env(headless, env),
            stdout=open(self.path(name + ".out"), "wb"), stderr=open(self.path(name + ".err"), "wb"),
            **as_user(user))
        self.started.append(viewer)
        return viewer

    def start_viewer(self, env=None, user=None, name="kavro"):
        """Starts the viewer under the X server and waits for its main window."""
        self.viewer = self.launch_viewer(env=env, user=user, name=name)
        return self.wait_for_main_window()

    def wait_for_main_window(self):
        """Waits for the viewer's main window and directs clicks and screenshots to it."""
        def shown():
            return "ended" if self.viewer.poll() is not None else self.settled_windows("Kavro")
        result = wait_until(shown, 20, 0.2)
        if result == "ended":
            self.skip_if_another_kavro(self.viewer)
            raise Failure("the viewer ended with %s before showing its window" % self.viewer.returncode)
        if not result:
            raise Failure("no visible window titled 'Kavro'")
        self.use_window(result[0])
        width, height = self.geometry(self.window)[2:]
        if (width, height) != (CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT):
            raise Failure("window is %dx%d, expected %dx%d" % (width, height, CLIENT_WIDTH,
                                                               CLIENT_HEIGHT + MENU_BAR_HEIGHT))
        return self.viewer

    def start_headless_viewer(self, env=None, user=None):
        """Starts the viewer with SDL's dummy driver: message boxes become lines on its
        standard error."""
        self.viewer = self.launch_viewer(headless=True, env=env, user=user)
        return self.viewer

    def skip_if_another_kavro(self, viewer):
        """A viewer that ended with 0 before creating its log was sent to another Kavro of
        this user (only one runs per user)."""
        if viewer.returncode == 0 and not os.path.exists(os.path.join(self.folder, "Tolm.txt")):
            raise Skip("another Kavro runs for this user and took our start")

    def end_with_ok(self, limit=15):
        """The menu bar's "Ok" ends the viewer with exit code 0."""
        self.click(OK_BUTTON)
        try:
            code = self.viewer.wait(limit)
        except subprocess.TimeoutExpired:
            raise Failure("the viewer did not end after Ok") from None
        if code != 0:
            raise Failure("the viewer ended with exit code %d after Ok" % code)

    def stop(self):
        for process in reversed(self.started):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    # --- X -----------------------------------------------------------------------------------

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.display),
                                capture_output=True, text=True, timeout=20)
        if check and result.returncode != 0:
            raise Failure("xdotool %s: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout.strip() if result.returncode == 0 else ""

    def windows(self, title):
        """The visible windows of the program's class with this title. xdotool's search by
        name misses titles set as UTF-8 text, as SDL sets them under a UTF-8 locale; so find
        the program's windows by class and read their titles."""
        found = self.xdotool("search", "--onlyvisible", "--classname", "^kavro$", check=False).split()
        return [w for w in found if self.xdotool("getwindowname", w, check=False) == title]

    def settled_windows(self, title):
        """The windows with this title once they have stayed the same for a moment. SDL may
        make a window's X window anew when it first presents (one for OpenGL, to present
        through a renderer), so the first one seen can vanish."""
        first = self.windows(title)
        if not first:
            return first
        time.sleep(0.3)
        return first if self.windows(title) == first else []

    def answer_box(self, title, limit=30):
        """Waits for the one message box with this title (the viewer staying alive meanwhile)
        and dismisses it with Enter."""
        def shown():
            return "ended" if self.viewer.poll() is not None else self.settled_windows(title)
        boxes = wait_until(shown, limit, 0.3)
        if boxes == "ended":
            raise Failure("the viewer ended with %s instead of showing a box %r" % (self.viewer.returncode, title))
        if len(boxes) != 1:
            raise Failure("expected one message box titled %r, found %d" % (title, len(boxes)))
        self.xdotool("windowfocus", "--sync", boxes[0])
        self.xdotool("key", "Return")
        if not wait_until(lambda: not self.windows(title), 10, 0.2):
            raise Failure("Enter did not dismiss the box %r" % title)

    def geometry(self, window):
        """x, y, width, height of a window."""
        values = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", window).split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def use_window(self, window):
        """Clicks and screenshots go to this window from now on."""
        self.window = window
        self.origin = self.geometry(window)[:2]

    def click(self, at):
        self.xdotool("mousemove", "--window", self.window, str(at[0]), str(at[1]), "click", "1")

    def drag(self, start, by):
        x, y = start
        self.xdotool("mousemove", "--window", self.window, str(x), str(y), "mousedown", "1")
        for step in range(1, 5):
            self.xdotool("mousemove", "--window", self.window, str(x + by[0] * step // 4),
                         str(y + by[1] * step // 4))
        self.xdotool("mouseup", "1")

    def screenshot(self, name, origin=None):
        result = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                                env=dict(os.environ, DISPLAY=self.display), capture_output=True, timeout=20)
        if result.returncode != 0:
            raise Failure("screenshot failed: %s" % result.stderr.decode(errors="replace").strip())
        self.shots += 1
        if self.keep:
            os.makedirs(self.keep, exist_ok=True)
            with open(os.path.join(self.keep, "%02d-%s.ppm" % (self.shots, name)), "wb") as out:
                out.write(result.stdout)
        return Screen(result.stdout, self.origin if origin is None else origin)


def as_user(user):
    """Popen arguments that run a process as this user (a name) and its group; none for
    None."""
    if user is None:
        return {}
    import pwd
    entry = pwd.getpwnam(user)
    return {"user": entry.pw_uid, "group": entry.pw_gid, "extra_groups": []}


def run_script(body, program, prefix="kavro-e2e-", logs=("kavro.err", "receiver.err")):
    """Runs body(session) in a fresh work folder and cleans up; the script's exit code:
    0 passed, 1 failed, 77 skipped."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still clean up when CTest times out
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix=prefix) as work:
        os.chmod(work, 0o755)  # a viewer run as another user must reach its program folder
        session = Session(os.path.realpath(program), work)
        try:
            body(session)
        except Skip as skip:
            print("skipped: %s" % skip)
            return SKIP
        except Failure as failure:
            print("FAIL: %s" % failure)
            for name in logs:
                text = read_text(session.path(name))
                if text:
                    print("--- %s:\n%s" % (name, text.rstrip()))
            return 1
        finally:
            session.stop()
            make_removable(work)
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


def make_removable(work):
    """Gives back write permission on folders a test made read-only."""
    for root, dirs, _ in os.walk(work):
        for name in dirs:
            try:
                os.chmod(os.path.join(root, name), 0o755)
            except OSError:
                pass
