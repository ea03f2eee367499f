#!/usr/bin/env python3
"""End to end under Xvfb: the quick start as a user runs it. tools/demo.sh starts the simulated
receiver and the viewer in a program folder of its own; the window fills in a few seconds after
the port's 3 s wait. Screenshots show the background, speed figure, info panel, track plot with
its end dot and compass; each tap on "Z+" enlarges the track, which then grows shot after shot; a
drag moves it by the drag's offset. "Ok" ends the viewer with exit code 0, leaving a log that
holds just its header, and the demo then stops the receiver, leaving no process and no COM1 link.
A second run, ended by SIGTERM to the demo (as when its terminal closes), leaves nothing either.

usage: quickstart_e2e.py BUILD_FOLDER
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or where no network namespace of its
own may be made."""

import os
import re
import signal
import sys

from steps import track_pixels, wait_for_drive  # puts tests/ on the path

from harness.proc import stat
from harness.screen import (CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, MENU_BAR, MENU_BAR_HEIGHT, PANEL, PLOT_LEFT, WHITE,
                            ZOOM_IN)
from harness.script import Failure, check_log_header, read_text, wait_for, wait_for_end, wait_until
from harness.session import run_script

DRAG_BY = (-40, -30)


def start_demo(session, folder):
    """Starts the demo and waits for the receiver's link and the viewer's window."""
    session.start_demo(folder, "--random-state", 5)
    link = os.path.join(folder, "COM1")
    wait_for(lambda: os.path.islink(link) and os.readlink(link).startswith("/dev/pts/") and os.path.exists(link),
             10, 0.1, "the receiver made no COM1 link to its new pseudo-terminal")
    session.wait_for_main_window()


def check_all_gone(session, expected):
    """The demo ended with this status, leaving no viewer, receiver, process of its group or link."""
    demo = session.viewer
    if wait_for_end(demo, 10, "the demo did not end") != expected:
        raise Failure("the demo ended with %d, not %d" % (demo.returncode, expected))
    named = re.findall(r"^demo: receiver (\d+), viewer (\d+)$", read_text(session.path("demo.out")), re.MULTILINE)
    if not named:
        raise Failure("the demo did not name its processes")
    running = [pid for pid in named[-1] if os.path.exists("/proc/%s" % pid)]
    group = [p for p in os.listdir("/proc") if p.isdigit() and (stat(int(p)) or [0] * 3)[2] == str(demo.pid)]
    if running or group:
        raise Failure("still running: %s; of the demo's process group: %s" % (running, group))
    if os.path.lexists(os.path.join(session.folder, "COM1")):
        raise Failure("the COM1 link is still there")


def run(session):
    session.start_xvfb()
    # Run 1: a link left behind by a receiver killed outright must not lead the viewer astray.
    folder = session.path("demo")
    os.makedirs(folder)
    os.symlink("/dev/pts/99999", os.path.join(folder, "COM1"))
    start_demo(session, folder)
    if not os.access(os.path.join(folder, "kavro"), os.X_OK):
        raise Failure("no viewer copied into the demo's program folder")
    if "PORT = COM1\n" not in read_text(os.path.join(folder, "Tolm.ini")):
        raise Failure("Tolm.ini does not name COM1")
    # The window shows after the port's 3 s wait; its first ticks fill the panel in.
    wait_for(lambda: len(session.screenshot("panel").find(WHITE, *PANEL)) > 200, 5, 0.1,
             "the info panel did not fill in within 5 s")
    strip = session.screenshot("strip").find(MENU_BAR, 0, CLIENT_HEIGHT, CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)
    if len(strip) < 5000:
        raise Failure("no menu bar strip below the client area")

    wait_for_drive(session)

    # Each tap on "Z+" doubles the scale: the plot is drawn again at once, its track twice as
    # long. Zoomed in three times (1 km across the plot), the track grows shot after shot, with
    # the green dot at its end.
    for tap in (1, 2, 3):
        before = track_pixels(session.screenshot("before-zoom"))
        session.click(ZOOM_IN)
        wait_for(lambda: len(track_pixels(session.screenshot("zoomed"))) > len(before) + 2, 5, 0.3,
                 "tap %d on Z+ did not enlarge the track (%d white pixels before)" % (tap, len(before)))
    sizes = [0]

    def grown():  # a look a second
        screen = session.screenshot("plot")
        white = len(track_pixels(screen))
        if white > sizes[-1] and len(screen.find(GREEN, PLOT_LEFT + 1, 0, CLIENT_WIDTH, CLIENT_HEIGHT)) >= 20:
            sizes.append(white)
        return len(sizes) >= 5
    if not wait_until(grown, 40, 1):
        raise Failure("the track did not grow in the plot: %r white pixels" % sizes[1:])

    # A drag moves the plot by its offset: the track's pixels turn up shifted by it (the
    # track grows meanwhile, so most of them, not all).
    before = track_pixels(session.screenshot("before-drag"))
    session.drag((250, 400), DRAG_BY)

    def moved():
        after = track_pixels(session.screenshot("dragged"))
        shifted = sum((x + DRAG_BY[0], y + DRAG_BY[1]) in after for x, y in before)
        return shifted >= 0.7 * len(before) and sum(p in after for p in before) < 0.3 * len(before)
    wait_for(moved, 5, 0.3, "the drag did not move the track by %r (%d white pixels before)" % (DRAG_BY, len(before)))
    session.end_with_ok()
    check_all_gone(session, 0)
    check_log_header(folder)

    # Run 2: the demo is told to stop from outside.
    start_demo(session, folder)
    session.viewer.send_signal(signal.SIGTERM)
    check_all_gone(session, 128 + signal.SIGTERM)


if __name__ == "__main__":
    sys.exit(run_script(run, sys.argv[-1], prefix="kavro-quickstart-", logs=("demo.out",))
             if len(sys.argv) == 2 else print(__doc__) or 2)
