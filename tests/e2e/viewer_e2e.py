#!/usr/bin/env python3
"""End to end under a virtual X server: the viewer in a program folder of its own, fed by the
simulated receiver. Screenshots show the background, the speed figure, the info panel, the
track plot with its end dot and the compass; a tap on "Z+" changes the plot, a drag moves the
track by the drag's offset, and the menu bar's "Ok" ends the program with exit code 0, leaving
a log that holds just its header.

usage: viewer_e2e.py BUILD_FOLDER
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or while another Kavro of this user
runs (the single-instance rule would send our start to that one). Set KAVRO_E2E_KEEP to a
folder to keep the screenshots there."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "tools"))
from harness.screen import (BACKGROUND, BLACK, BLUE, CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, PLOT_LEFT,  # noqa: E402
                            RED, WHITE, ZOOM_IN)
from harness.script import Failure, check_log_header, wait_until  # noqa: E402
from harness.session import PORT, run_script  # noqa: E402

COMPASS_CENTRE = (CLIENT_WIDTH - 37, 37)
COMPASS_REACH = 30
DRAG_FROM, DRAG_BY = (250, 400), (-40, -30)
# A drive that shows every part of the display within seconds.
DRIVE = ("--rate-hz", 5, "--baud", 115200, "--random-state", 4, "--start", "48.1173,11.5167",
         "--start-time", "2024-05-01T12:00:00Z")


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


def wait_for_drive(session, limit=30):
    """Waits until a screenshot passes every display check (the car under way, every part of
    the display drawn); returns that screenshot."""
    screens = []

    def complete():
        if session.viewer.poll() is not None:
            raise Failure("the viewer ended with %s while drawing the drive" % session.viewer.returncode)
        screens.append(session.screenshot("running"))
        return all(passed for _, passed, _ in display_checks(screens[-1]))
    if not wait_until(complete, limit, 0.5):
        raise Failure("display incomplete:\n" + "\n".join(
            "  %s: %s (%s)" % (name, "ok" if passed else "MISSING", detail)
            for name, passed, detail in display_checks(screens[-1])))
    return screens[-1]


def run(session):
    session.make_program_folder()
    session.start_xvfb()
    session.start_receiver(*DRIVE)
    session.start_viewer()

    # The port opens with a 3 s settling wait; then each tick draws what the receiver sent.
    wait_for_drive(session)

    # "Z+" doubles the scale: the plot is drawn again at once, its track twice as long.
    for tap in (1, 2):
        before = track_pixels(session.screenshot("before-zoom"))
        session.click(ZOOM_IN)

        def zoomed():
            return len(track_pixels(session.screenshot("zoomed"))) > len(before) + 2
        if not wait_until(zoomed, 5, 0.3):
            raise Failure("tap %d on Z+ did not enlarge the track (%d white pixels before)" % (tap, len(before)))

    # A drag moves the plot by its offset: the track's pixels turn up shifted by it (the
    # track grows meanwhile, so most of them, not all).
    before = track_pixels(session.screenshot("before-drag"))
    session.drag(DRAG_FROM, DRAG_BY)

    def moved():
        after = track_pixels(session.screenshot("dragged"))
        shifted = sum((x + DRAG_BY[0], y + DRAG_BY[1]) in after for x, y in before)
        stayed = sum(p in after for p in before)
        return shifted >= 0.7 * len(before) and stayed < 0.3 * len(before)
    if not wait_until(moved, 5, 0.3):
        raise Failure("the drag did not move the track by %r (%d white pixels before)" % (DRAG_BY, len(before)))

    # The menu bar's "Ok" ends the program, leaving a log that holds just its header.
    session.end_with_ok()
    check_log_header(session.folder)

    # The receiver takes its link away when it stops.
    session.receiver.terminate()
    try:
        session.receiver.wait(10)
    except subprocess.TimeoutExpired:
        raise Failure("the simulated receiver did not stop") from None
    if os.path.lexists(os.path.join(session.folder, "COM%d" % PORT)):
        raise Failure("COM%d is still there after the receiver stopped" % PORT)


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    return run_script(run, argv[1])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
