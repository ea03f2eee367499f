#!/usr/bin/env python3
"""End to end under Xvfb: the quick start as a user runs it. tools/demo.sh starts the simulated
receiver and the viewer in a program folder of its own; the window fills in a few seconds after
the port's 3 s wait and the plot draws the drive; "Ok" ends the viewer, and the demo then stops
the receiver, leaving no process and no COM1 link. A second run, ended by SIGTERM to the demo
(as when its terminal closes), leaves nothing either.

usage: quickstart_e2e.py BUILD_FOLDER
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or while another Kavro of this user
runs and no network namespace of its own may be made."""

import os
import re
import signal
import sys
import time

from steps import wait_for_end  # puts tools/ on the path
from viewer_e2e import track_pixels

from harness.proc import stat
from harness.processes import own_network
from harness.screen import (CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, MENU_BAR, MENU_BAR_HEIGHT, PANEL, PLOT_LEFT, WHITE,
                            ZOOM_IN)
from harness.script import Failure, Skip, read_text, wait_for, wait_until
from harness.session import run_script
from harness.viewer import instance_running

PLOT = (PLOT_LEFT + 1, 0, CLIENT_WIDTH, CLIENT_HEIGHT)


def start_demo(session, folder):
    """Starts the demo and waits for the receiver's link and the viewer's window."""
    session.start_demo(folder, "--random-state", 5)
    link = os.path.join(folder, "COM1")
    wait_for(lambda: os.path.islink(link) and os.readlink(link).startswith("/dev/pts/") and os.path.exists(link),
             10, 0.1, "the receiver made no COM1 link to its new pseudo-terminal")
    linked = time.monotonic()
    session.wait_for_main_window()
    print("window showed %.1f s after the link" % (time.monotonic() - linked))
    return time.monotonic()


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
    if instance_running() and not wait_until(lambda: not instance_running(), 60, 1):
        raise Skip("another Kavro viewer runs for this user, and no private network namespace is allowed")
    session.start_xvfb()
    # Run 1: a link left behind by a receiver killed outright must not lead the viewer astray.
    folder = session.path("demo")
    os.makedirs(folder)
    os.symlink("/dev/pts/99999", os.path.join(folder, "COM1"))
    shown = start_demo(session, folder)
    if not os.access(os.path.join(folder, "kavro"), os.X_OK):
        raise Failure("no viewer copied into the demo's program folder")
    if "PORT = COM1\n" not in read_text(os.path.join(folder, "Tolm.ini")):
        raise Failure("Tolm.ini does not name COM1")
    # The window shows after the port's 3 s wait; its first ticks fill the panel in.
    wait_for(lambda: len(session.screenshot("panel").find(WHITE, *PANEL)) > 200, 5, 0.1,
             "the info panel did not fill in within 5 s")
    print("panel filled in %.1f s after the window showed" % (time.monotonic() - shown))
    strip = session.screenshot("strip").find(MENU_BAR, 0, CLIENT_HEIGHT, CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)
    if len(strip) < 5000:
        raise Failure("no menu bar strip below the client area")

    # Zoomed in three times (1 km across the plot), the track grows shot after shot, with
    # the green dot at its end.
    for _ in range(3):
        session.click(ZOOM_IN)
        time.sleep(0.2)
    sizes = [0]

    def grown():
        time.sleep(1)
        screen = session.screenshot("plot")
        white = len(track_pixels(screen))
        if white > sizes[-1] and len(screen.find(GREEN, *PLOT)) >= 20:
            sizes.append(white)
        return len(sizes) >= 5
    if not wait_until(grown, 40, 0):
        raise Failure("the track did not grow in the plot: %r white pixels" % sizes[1:])
    print("plot: %r white pixels" % sizes[1:])
    if len(session.screenshot("figure").find(GREEN, 0, 160, PLOT_LEFT, 260)) <= 100:
        raise Failure("no speed figure")
    if not read_text(os.path.join(folder, "Tolm.txt")):
        raise Failure("the viewer wrote no log")
    session.end_with_ok()
    check_all_gone(session, 0)
    print("run 1: Ok ended the viewer; receiver, processes and link are gone")

    # Run 2: the demo is told to stop from outside.
    start_demo(session, folder)
    session.viewer.send_signal(signal.SIGTERM)
    check_all_gone(session, 128 + signal.SIGTERM)
    print("run 2: SIGTERM ended the demo; viewer, receiver, processes and link are gone")


if __name__ == "__main__":
    own_network()
    sys.exit(run_script(run, sys.argv[-1], prefix="kavro-quickstart-", logs=("demo.out",))
             if len(sys.argv) == 2 else print(__doc__) or 2)
