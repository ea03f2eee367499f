#!/usr/bin/env python3
"""End to end under Xvfb: the viewer in a program folder of its own, fed by the simulated
receiver. Screenshots show the background, speed figure, info panel, track plot with its end dot
and compass; "Z+" enlarges the track, a drag moves it by the drag's offset, and "Ok" ends the
program with exit code 0, leaving a log that holds just its header.

usage: viewer_e2e.py BUILD_FOLDER
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or while another Kavro of this user runs
(our start would go to it). KAVRO_E2E_KEEP=FOLDER keeps the screenshots there."""

import os
import sys

from steps import check_running, start_drive, wait_for_end  # puts tools/ on the path

from harness.screen import (BACKGROUND, BLACK, BLUE, CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, PANEL, PLOT_LEFT, RED, WHITE,
                            ZOOM_IN)
from harness.script import Failure, check_log_header, wait_for, wait_until
from harness.session import PORT, run_script

COMPASS_CENTRE = (CLIENT_WIDTH - 37, 37)
COMPASS_REACH = 30
DRAG_FROM, DRAG_BY = (250, 400), (-40, -30)
# A drive that shows every part of the display within seconds.
DRIVE = ("--rate-hz", 5, "--baud", 115200, "--random-state", 4, "--start", "48.1173,11.5167",
         "--start-time", "2024-05-01T12:00:00Z")
ANY = float("inf")


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


def wait_for_drive(session, limit=30):
    """Waits until a screenshot passes every display check (the car under way, every part of
    the display drawn)."""
    checks = []

    def complete():
        check_running(session, "while drawing the drive")
        checks[:] = display_checks(session.screenshot("running"))
        return all(least <= found <= most for _, found, least, most in checks)
    if not wait_until(complete, limit, 0.5):
        raise Failure("display incomplete: " + "; ".join("%s (%d pixels, not %g to %g)" % check for check in checks
                                                         if not check[2] <= check[1] <= check[3]))


def run(session):
    start_drive(session, *DRIVE)
    session.start_viewer()

    # The port opens with a 3 s settling wait; then each tick draws what the receiver sent.
    wait_for_drive(session)

    # "Z+" doubles the scale: the plot is drawn again at once, its track twice as long.
    for tap in (1, 2):
        before = track_pixels(session.screenshot("before-zoom"))
        session.click(ZOOM_IN)
        wait_for(lambda: len(track_pixels(session.screenshot("zoomed"))) > len(before) + 2, 5, 0.3,
                 "tap %d on Z+ did not enlarge the track (%d white pixels before)" % (tap, len(before)))

    # A drag moves the plot by its offset: the track's pixels turn up shifted by it (the
    # track grows meanwhile, so most of them, not all).
    before = track_pixels(session.screenshot("before-drag"))
    session.drag(DRAG_FROM, DRAG_BY)

    def moved():
        after = track_pixels(session.screenshot("dragged"))
        shifted = sum((x + DRAG_BY[0], y + DRAG_BY[1]) in after for x, y in before)
        stayed = sum(p in after for p in before)
        return shifted >= 0.7 * len(before) and stayed < 0.3 * len(before)
    wait_for(moved, 5, 0.3, "the drag did not move the track by %r (%d white pixels before)" % (DRAG_BY, len(before)))

    # The menu bar's "Ok" ends the program, leaving a log that holds just its header.
    session.end_with_ok()
    check_log_header(session.folder)

    # The receiver takes its link away when it stops.
    session.receiver.terminate()
    wait_for_end(session.receiver, 10, "the simulated receiver did not stop")
    if os.path.lexists(os.path.join(session.folder, "COM%d" % PORT)):
        raise Failure("COM%d is still there after the receiver stopped" % PORT)


if __name__ == "__main__":
    sys.exit(run_script(run, sys.argv[1]) if len(sys.argv) == 2 else print(__doc__) or 2)
