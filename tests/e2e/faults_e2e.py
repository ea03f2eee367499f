#!/usr/bin/env python3
"""Fault scenarios with the real executable: a receiver that sends noise, cut sentences, NUL
bytes and absurd numbers or is unplugged in the middle of a read, settings files of megabytes
and binary bytes, program folders that are read-only or have a name beyond ASCII, and three
starts at the same moment. Each scenario says what the program must do and checks that.

usage: faults_e2e.py BUILD_FOLDER SCENARIO
       faults_e2e.py --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool or ImageMagick for a scenario
that needs a window, or another Kavro of this user runs)."""

import os
import pwd
import random
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "tools"))
from harness.screen import (BACKGROUND, BLACK, CLIENT_HEIGHT, CLIENT_WIDTH, PANEL, PLOT_LEFT, WHITE,  # noqa: E402
                            ZOOM_IN)
from harness.script import (Failure, Skip, check_log_header, check_no_sanitizer_report, read_text,  # noqa: E402
                            wait_until)
from harness.session import run_script  # noqa: E402

TICKS = 5  # ticks a scenario watches the viewer through
START_LIMIT_S = 40  # the port's 3 s settling wait, and a slow sanitizer build
QUICK_EXIT_S = 10  # for a start that finds the program running
HANG_UP_AFTER_S = 10  # of the receiver's stream: the viewer has drawn a few ticks by then
BOX_FACE = (236, 236, 236)
BOX_CAPTION = (0, 60, 130)


def timer_messages(session):
    """How many timer messages the viewer has handled (its timer record)."""
    return len(read_text(session.timer_record).splitlines())


def make_program_folder(session, name="program"):
    """A program folder whose viewer records its timer in the work folder."""
    session.make_program_folder(name, timer_record=session.path("stats.txt"))


def check_alive(session, what):
    if session.viewer.poll() is not None:
        if session.viewer.returncode == 0 and not session.viewer_errors():
            session.skip_if_another_kavro(session.viewer)
        raise Failure("the viewer ended with %s %s" % (session.viewer.returncode, what))


def check_quiet(session, expected=""):
    """The viewer's standard error holds exactly this: no message box fell back to it, no
    sanitizer spoke."""
    errors = session.viewer_errors()
    check_no_sanitizer_report(errors)
    if errors != expected:
        raise Failure("the viewer's standard error holds %r, expected %r" % (errors, expected))


def watch_ticks(session, after=0, limit=START_LIMIT_S, each=None):
    """Waits until the viewer has handled TICKS timer messages more than `after`, calling
    each() at every look; the viewer must stay alive throughout."""
    def done():
        check_alive(session, "while the receiver was sending")
        if each is not None:
            each()
        return timer_messages(session) >= after + TICKS
    if not wait_until(done, limit, 0.3):
        raise Failure("only %d timer messages in %d s" % (timer_messages(session), limit))


def stop_headless(session):
    """A headless viewer has no "Ok" to press: it is stopped, after checking it still runs."""
    check_alive(session, "before the end of the scenario")
    session.viewer.terminate()
    session.viewer.wait(10)


# --- a faulty line --------------------------------------------------------------------------

def faulty_stream(kinds, rate_hz, baud):
    """A drive in which every epoch carries a fault of this kind. The viewer must stay alive,
    report nothing (no message box: a read that returns bad bytes is no failed read), and go on
    drawing: its info panel shows text and changes from tick to tick. "Ok" ends it with exit
    code 0, and the log holds its one header."""
    def body(session):
        make_program_folder(session)
        session.start_xvfb()
        session.start_receiver("--rate-hz", rate_hz, "--baud", baud, "--random-state", 5,
                               "--faults", kinds, "--fault-every", 0.1)
        session.start_viewer()
        first = timer_messages(session)
        panels = set()

        def look():
            if session.windows("Error"):
                raise Failure("a message box appeared")
            screen = session.screenshot("running")
            panel = screen.area(*PANEL)
            if panel.count(WHITE) >= 60:
                panels.add(panel)
        watch_ticks(session, after=first, each=look)
        if len(panels) < 3:
            raise Failure("the info panel showed %d different pictures in %d ticks, expected 3 or more"
                          % (len(panels), TICKS))
        session.end_with_ok()
        check_quiet(session)
        check_log_header(session.folder)
    return body


# --- the receiver unplugged -------------------------------------------------------------------

def client_area(screen):
    return screen.area(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT)


def plot_share(screen, colour):
    """The share of the plot area's pixels (every third) that have this colour."""
    pixels = [screen.pixel(x, y) for x in range(PLOT_LEFT, CLIENT_WIDTH, 3) for y in range(30, CLIENT_HEIGHT, 3)]
    return pixels.count(colour) / len(pixels)


def nonzero_audio(path):
    data = b""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        pass
    return any(data)


def hang_up(session):
    """The receiver is unplugged in the middle of a sentence. The read fails: a real message
    box "Error Reading comms port." with the caption "Error" appears (under a display it is
    a window, nothing goes to standard error) and Enter dismisses it. From then on ticks do
    nothing: the display stays as the repaint left it (background and zoom buttons), though
    timer messages still arrive. The window stays usable: the box's area is repainted, "Z+"
    beeps and draws the plot, the window repaints when it is shown again, and "Ok" ends the
    program with exit code 0."""
    make_program_folder(session)
    session.start_xvfb()
    session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 6,
                           "--faults", "hangup", "--fault-every", HANG_UP_AFTER_S)
    beep = session.path("beep.raw")
    session.start_viewer(env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": beep})
    main_window = session.window

    # Ticks draw until the receiver goes.
    def drawn():
        check_alive(session, "before the receiver went")
        return len(session.screenshot("drawn").find(WHITE, *PANEL)) >= 60 or session.windows("Error")
    if wait_until(drawn, START_LIMIT_S, 0.3) is not True:
        raise Failure("nothing was drawn before the receiver went")

    boxes = wait_until(lambda: check_alive(session, "before the box") or session.settled_windows("Error"), 45, 0.3)
    if len(boxes) != 1:
        raise Failure("expected one message box titled 'Error', found %d" % len(boxes))
    if session.windows("Kavro") != [main_window]:
        raise Failure("the main window is gone while the box shows")
    box_origin, box_size = session.geometry(boxes[0])[:2], session.geometry(boxes[0])[2:]
    shots = []

    def box_drawn():  # a window shows before its first paint reaches the screen
        shots.append(session.screenshot("box", origin=box_origin))
        return shots[-1].pixel(3, 3) == BOX_CAPTION and shots[-1].pixel(3, 30) == BOX_FACE
    if not wait_until(box_drawn, 10, 0.3):
        raise Failure("the box does not look like one: caption %r, face %r"
                      % (shots[-1].pixel(3, 3), shots[-1].pixel(3, 30)))
    if not shots[-1].find(BLACK, 10, 30, 230, 50):
        raise Failure("the box shows no text")
    try:
        session.receiver.wait(5)
    except subprocess.TimeoutExpired:
        raise Failure("the receiver did not hang up") from None

    session.xdotool("windowfocus", "--sync", boxes[0])
    session.xdotool("key", "Return")
    if not wait_until(lambda: not session.windows("Error"), 10, 0.2):
        raise Failure("Enter did not dismiss the box")

    # Where the box was, the main window shows itself again: the background its repaint left.
    main_origin = session.origin
    left, top = box_origin[0] - main_origin[0], box_origin[1] - main_origin[1]
    width, height = box_size

    def box_area_repainted():
        screen = session.screenshot("repainted")
        area = [screen.pixel(x, y) for x in range(max(0, left), min(CLIENT_WIDTH, left + width))
                for y in range(max(0, top), min(CLIENT_HEIGHT, top + height))]
        return area and all(p == BACKGROUND for p in area)
    if not wait_until(box_area_repainted, 10, 0.3):
        raise Failure("the box's area was not repainted after it went")

    # Ticks do nothing any more, though the timer goes on.
    before = session.screenshot("stopped")
    messages = timer_messages(session)
    if not wait_until(lambda: timer_messages(session) >= messages + 6, 10, 0.3):
        raise Failure("the timer stopped: %d messages in 10 s" % (timer_messages(session) - messages))
    if client_area(session.screenshot("still-stopped")) != client_area(before):
        raise Failure("the display changed after the failed read: ticks did not stop")

    # The stylus still works: Z+ beeps and draws the plot.
    if nonzero_audio(beep):
        raise Failure("something beeped before Z+ was tapped")
    session.click(ZOOM_IN)
    if not wait_until(lambda: nonzero_audio(beep), 10, 0.2):
        raise Failure("Z+ did not beep")
    if not wait_until(lambda: plot_share(session.screenshot("zoomed"), BLACK) > 0.8, 10, 0.3):
        raise Failure("Z+ did not draw the plot")

    # Painting still works: hidden and shown again, the window is repainted (background and
    # buttons; the plot comes back only when the stylus draws it).
    session.xdotool("windowunmap", "--sync", main_window)
    session.xdotool("windowmap", "--sync", main_window)
    if not wait_until(lambda: plot_share(session.screenshot("exposed"), BACKGROUND) == 1.0, 10, 0.3):
        raise Failure("the window was not repainted after it was shown again")
    session.end_with_ok()
    errors = session.viewer_errors()
    check_no_sanitizer_report(errors)
    if "Error Reading comms port." in errors:
        raise Failure("the box fell back to standard error under a display")
    check_log_header(session.folder)


# --- settings files --------------------------------------------------------------------------

def garbage(rng, size):
    """Random bytes of every value, with no line in them that could be a setting."""
    data = rng.randbytes(size)
    return data.replace(b"PORT", b"P0RT").replace(b"RATE", b"R4TE")


def settings_file(session):
    """A settings file of 6 MB of binary bytes (NULs, bytes above 127, lines of a megabyte,
    carriage returns) around a few real lines: the viewer starts, takes the last PORT and RATE
    lines (COM3 at 115200, where the receiver waits; the earlier COM9 and RATE = 0 would fail
    to open or to set), reports nothing and reads the receiver. The log holds its header."""
    rng = random.Random(8)
    make_program_folder(session)
    session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 8, write_ini=False)
    parts = [garbage(rng, 2 << 20), b"\nPORT = COM9\nRATE = 0\n", b"x" * (1 << 20), b"\r\r\n",
             b"\0" * 5000, b"\n", garbage(rng, 2 << 20), b"\nPORT = COM3\r\nRATE = 115200\n",
             garbage(rng, 1 << 20).replace(b"\n", b"")]
    with open(os.path.join(session.folder, "Tolm.ini"), "wb") as ini:
        ini.write(b"".join(parts))
    session.start_headless_viewer()
    watch_ticks(session)
    check_quiet(session)
    check_log_header(session.folder)
    stop_headless(session)


# --- program folders -------------------------------------------------------------------------

def read_only_folder(session):
    """A program folder the user cannot write to: the log cannot be created, which the viewer
    reports ("Can not create the LogFile") and then goes on: it reads Tolm.ini and the
    receiver as usual and reports nothing else. As root the viewer (and the receiver, whose
    pseudo-terminal it must open) run as the user nobody: root writes into read-only folders."""
    user = "nobody" if os.geteuid() == 0 else None
    make_program_folder(session)
    session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 9)
    if user is not None:
        entry = pwd.getpwnam(user)
        # The folder is the user's own, and so is the receiver's end of the line.
        for path in (session.folder, os.path.realpath(os.path.join(session.folder, "COM3"))):
            os.chown(path, entry.pw_uid, entry.pw_gid)
    os.chmod(session.folder, 0o555)
    open(session.timer_record, "w").close()
    os.chmod(session.timer_record, 0o666)
    session.start_headless_viewer(user=user)
    watch_ticks(session)
    check_quiet(session, "Error: Can not create the LogFile \"Tolm.txt\"\n")
    if os.path.exists(os.path.join(session.folder, "Tolm.txt")):
        raise Failure("Tolm.txt exists in the read-only folder")
    stop_headless(session)


UNICODE_FOLDER = "Kavro-Ünïcødé-テスト"


def unicode_folder(session):
    """A program folder named beyond ASCII, under a UTF-8 locale: the viewer creates Tolm.txt
    there, reads Tolm.ini from there and opens the COM3 link there, reporting nothing."""
    make_program_folder(session, UNICODE_FOLDER)
    session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 10)
    session.start_headless_viewer(env={"LANG": "C.UTF-8", "LC_ALL": "", "LC_CTYPE": ""})
    watch_ticks(session)
    check_quiet(session)
    check_log_header(session.folder)
    if sorted(os.listdir(session.folder)) != ["COM3", "Tolm.ini", "Tolm.txt", "kavro"]:
        raise Failure("the program folder holds %r" % sorted(os.listdir(session.folder)))
    stop_headless(session)


# --- starts at the same moment ---------------------------------------------------------------

def simultaneous_starts(session):
    """Three starts at the same moment: exactly one window shows; the two other processes
    end with exit code 0 within a few seconds, having written nothing; the log holds exactly
    one whole header and the one window reads the receiver without complaint."""
    session.make_program_folder()
    session.start_xvfb()
    session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 12)
    gate = session.path("gate")
    os.mkfifo(gate)
    program = os.path.join(session.folder, "kavro")
    # Each start waits at the gate (opening a FIFO for reading waits for a writer), then all go.
    wait_then_run = 'exec 3<"$0"; exec 3<&-; exec "$1"'
    viewers = [session.launch_viewer(name="kavro%d" % i, command=["/bin/sh", "-c", wait_then_run, gate, program])
               for i in range(3)]
    time.sleep(1.0)
    opened = os.open(gate, os.O_RDWR)  # a writer that never blocks: every start goes at once
    released = time.monotonic()
    most_windows = 0

    def two_ended():
        nonlocal most_windows
        most_windows = max(most_windows, len(session.windows("Kavro")))
        return sum(v.poll() is not None for v in viewers) >= 2
    try:
        wait_until(two_ended, QUICK_EXIT_S, 0.05)
        took = time.monotonic() - released
    finally:
        os.close(opened)
    ended = [v for v in viewers if v.poll() is not None]
    if len(ended) == 3 and not any(v.returncode for v in ended) and not os.path.exists(os.path.join(session.folder, "Tolm.txt")):
        raise Skip("another Kavro runs for this user and took our starts")
    if len(ended) != 2 or any(v.returncode != 0 for v in ended):
        raise Failure("exit codes %r %.1f s after the starts, expected two 0 and one still running"
                      % ([v.poll() for v in viewers], took))
    for i, v in enumerate(viewers):
        if v in ended and read_text(session.path("kavro%d.err" % i)):
            raise Failure("start %d wrote %r" % (i, read_text(session.path("kavro%d.err" % i))))
    survivor = next(i for i, v in enumerate(viewers) if v not in ended)
    session.viewer = viewers[survivor]
    session.wait_for_main_window()
    shown = session.windows("Kavro")
    most_windows = max(most_windows, len(shown))
    if len(shown) != 1 or most_windows != 1:
        raise Failure("%d windows titled 'Kavro' (%d at most), expected one" % (len(shown), most_windows))
    if not wait_until(lambda: len(session.screenshot("one").find(WHITE, *PANEL)) >= 60, START_LIMIT_S, 0.5):
        raise Failure("the one window draws no info panel")
    check_log_header(session.folder)
    session.end_with_ok()
    errors = read_text(session.path("kavro%d.err" % survivor))
    check_no_sanitizer_report(errors)
    if errors:
        raise Failure("the running viewer wrote %r" % errors)


SCENARIOS = {
    "noise-1hz-4800": faulty_stream("noise", 1, 4800),
    "noise-1hz-115200": faulty_stream("noise", 1, 115200),
    "noise-5hz-4800": faulty_stream("noise", 5, 4800),
    "noise-5hz-115200": faulty_stream("noise", 5, 115200),
    "cut": faulty_stream("cut", 5, 115200),
    "nul": faulty_stream("nul", 5, 115200),
    "absurd": faulty_stream("absurd", 5, 115200),
    "hangup": hang_up,
    "settings-file": settings_file,
    "read-only-folder": read_only_folder,
    "unicode-folder": unicode_folder,
    "simultaneous-starts": simultaneous_starts,
}


def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(SCENARIOS))
        return 0
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        print(__doc__)
        return 2
    return run_script(SCENARIOS[argv[2]], argv[1], prefix="kavro-fault-",
                      logs=("kavro.err", "receiver.err", "kavro0.err", "kavro1.err", "kavro2.err"))


if __name__ == "__main__":
    sys.exit(main(sys.argv))
