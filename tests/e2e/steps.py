"""Steps the end-to-end scripts share: a drive under the X server and the display it must
show, checks of the viewer's life and standard error, a process awaited, the main of a script of
named scenarios. Importing it puts tests/ (the harness) on the path."""

import os
import pwd
import re
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), ".."))
from harness.screen import (BACKGROUND, BLACK, BLUE, CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, MENU_BAR_HEIGHT,  # noqa: E402
                            PANEL, PLOT_LEFT, RED, WHITE)
from harness.script import Failure, check_no_sanitizer_report, read_text, wait_for, wait_until  # noqa: E402
from harness.session import run_script  # noqa: E402

COMPASS_CENTRE = (CLIENT_WIDTH - 37, 37)
COMPASS_REACH = 30
# A fast drive, its random state next; DRIVE shows every part of the display within seconds.
FAST = ("--rate-hz", 5, "--baud", 115200, "--random-state")
DRIVE = FAST + (4, "--start", "48.1173,11.5167", "--start-time", "2024-05-01T12:00:00Z")
ANY = float("inf")
READ_FAILED = "Error: Error Reading comms port."


def start_drive(session, *receiver, timer_record=False, xvfb=True, folder="program", **options):
    """A program folder (its viewer recording its timer in the work folder, with timer_record),
    the X server (unless not xvfb), and the simulated receiver started with these arguments."""
    session.make_program_folder(folder, timer_record=session.path("stats.txt") if timer_record else None)
    if xvfb:
        session.start_xvfb()
    session.start_receiver(*receiver, **options)


def run_as_nobody(session):
    """As root, hands the program folder and the receiver's end of the line to nobody and
    returns that user for the viewer (root writes anywhere); the timer record stays writable.
    None for any other user."""
    user = "nobody" if os.geteuid() == 0 else None
    if user is not None:
        for path in (session.folder, os.path.realpath(os.path.join(session.folder, "COM3"))):
            shutil.chown(path, user, pwd.getpwnam(user).pw_gid)
    open(session.timer_record, "w").close()
    os.chmod(session.timer_record, 0o666)
    return user


def timer_messages(session):
    """How many timer messages the viewer has handled (its timer record)."""
    return len(read_text(session.timer_record).splitlines())


def beeper(session):
    """The viewer's sound into a file (SDL's disk audio driver): its environment, and a test
    whether anything but silence was played."""
    beep = session.path("beep.raw")
    return {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": beep}, lambda: read_text(beep).strip("\0") != ""


def check_window_answers(session, what):
    """The viewer runs, and its window, hidden and shown again, shows the same picture: it
    answers the window system while its read waits."""
    session.check_running(what)
    whole = (0, 0, CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)
    before = session.screenshot("before-unmap").area(*whole)
    session.xdotool("windowunmap", "--sync", session.window)
    if session.screenshot("unmapped").area(*whole) == before:
        raise Failure("the hidden window still shows: the test exposes nothing")
    session.xdotool("windowmap", "--sync", session.window)
    wait_for(lambda: session.screenshot("mapped").area(*whole) == before, 5, 0.3,
             "the window did not show its picture again %s" % what)


def track_pixels(screen):
    """White pixels of the plot, away from the compass and the panel text's reach."""
    cx, cy = COMPASS_CENTRE
    return {(x, y) for (x, y) in screen.find(WHITE, PLOT_LEFT + 30, 0, CLIENT_WIDTH, CLIENT_HEIGHT)
            if not (abs(x - cx) <= COMPASS_REACH + 2 and abs(y - cy) <= COMPASS_REACH + 2)}


def display_checks(screen):
    """What the running display must show: (name, pixels found, least, most) each."""
    cx, cy = COMPASS_CENTRE
    compass = (cx - COMPASS_REACH, cy - COMPASS_REACH, cx + COMPASS_REACH, cy + COMPASS_REACH)
    band = [screen.pixel(x, y) for x in range(0, PLOT_LEFT, 7) for y in range(300, CLIENT_HEIGHT, 7)]
    plot_edge = [screen.pixel(PLOT_LEFT, y) for y in range(200, CLIENT_HEIGHT, 10)]
    return [
        ("dark green left band", band.count(BACKGROUND), 0.9 * len(band), ANY),
        ("left of the plot is background", int(screen.pixel(PLOT_LEFT - 1, 300) == BACKGROUND), 1, ANY),
        ("black plot from x = 100", plot_edge.count(BLACK), 0.8 * len(plot_edge), ANY),
        ("green speed digits", len(screen.find(GREEN, 1, 160, 100, 231)), 40, ANY),
        ("white panel text", len(screen.find(WHITE, *PANEL)), 60, ANY),
        ("white track", len(track_pixels(screen)), 3, ANY),
        ("green end dot", len(screen.find(GREEN, PLOT_LEFT + 1, 0, CLIENT_WIDTH, CLIENT_HEIGHT)), 20, 49),
        ("red needle half", len(screen.find(RED, *compass)), 10, ANY),
        ("blue needle half", len(screen.find(BLUE, *compass)), 10, ANY),
    ]


def display_complete(screen, checks):
    """Whether the screen passes every display check (the car under way, every part of the
    display drawn); checks gets them, for a failure's message."""
    checks[:] = display_checks(screen)
    return all(least <= found <= most for _, found, least, most in checks)


def wait_for_drive(session, limit=30):
    """Waits until a screenshot passes every display check."""
    checks = []

    def complete():
        session.check_running("while drawing the drive")
        return display_complete(session.screenshot("running"), checks)
    if not wait_until(complete, limit, 0.5):
        raise Failure("display incomplete: " + "; ".join("%s (%d pixels, not %g to %g)" % check for check in checks
                                                         if not check[2] <= check[1] <= check[3]))


def plot_share(screen, colour):
    """The share of the plot area's pixels (every third) that have this colour."""
    pixels = [screen.pixel(x, y) for x in range(PLOT_LEFT, CLIENT_WIDTH, 3) for y in range(30, CLIENT_HEIGHT, 3)]
    return pixels.count(colour) / len(pixels)


def check_errors(session, expected, name="kavro.err"):
    """The viewer's standard error holds exactly these lines (regular expressions) and no
    sanitizer report."""
    text = session.viewer_errors(name)
    check_no_sanitizer_report(text)
    lines = text.splitlines()
    if len(lines) != len(expected) or not all(re.fullmatch(p, line) for p, line in zip(expected, lines)):
        raise Failure("the viewer's standard error holds %r, expected lines matching %r" % (lines, expected))


def scenario_main(doc, scenarios, prefix):
    """`SCRIPT BUILD_FOLDER SCENARIO` runs one body(session), showing *.err on a failure; `--list` names them."""
    if sys.argv[1:] == ["--list"]:
        return print("\n".join(scenarios)) or 0
    if len(sys.argv) != 3 or sys.argv[2] not in scenarios:
        return print(doc) or 2
    return run_script(scenarios[sys.argv[2]], sys.argv[1], prefix=prefix, logs=("*.err",))
