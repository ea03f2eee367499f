#!/usr/bin/env python3
"""Sources that go away and come back, with real parts on loopback: Debian's gpsd stopped and
started again, the simulated receiver's TCP server closed or reset and opened again, a device
path whose pseudo-terminal goes and a new one linked under the same name, a server that never
comes back, and a COMn port unplugged (which fails the read: a COMn line is not taken up again).
While a source is away the window keeps answering and shows its last picture; once the source is
back the drive goes on in the plot; standard error holds one line for the loss and one for the
return.

usage: reconnect_e2e.py BUILD_FOLDER SCENARIO | --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool, ImageMagick or gpsd, or
another Kavro of this user runs)."""

import os
import re
import signal
import sys
import time

from steps import (DRIVE, check_errors, check_window_answers, plot_share, scenario_main, start_drive,
                   track_pixels, wait_for_drive)

from harness.processes import stop
from harness.proc import open_files
from harness.screen import BACKGROUND, PANEL
from harness.script import Failure, check_log_header, wait_for, wait_until
from harness.session import PORT

AWAY_S = 4  # how long a source stays away: past the attempts at 1 and 2 s
NEVER_BACK_S = 60


def lost_and_back(value, cause):
    """The two lines a loss and a return leave on standard error."""
    return [re.escape("kavro: %s: " % value) + cause + re.escape("; trying again"),
            re.escape("kavro: %s: back" % value)]


def wait_for_drive_going_on(session, limit=30):
    """The drive goes on: the info panel keeps changing and the plot gains track."""
    track = len(track_pixels(session.screenshot("back")))
    panels = set()

    def going_on():
        session.check_running("while waiting for the source to come back")
        screen = session.screenshot("back")
        panels.add(screen.area(*PANEL))
        return len(panels) >= 4 and len(track_pixels(screen)) > track
    if not wait_until(going_on, limit, 0.5):
        raise Failure("the drive did not go on in the window once the source was back")
    wait_for_drive(session)


def away_and_back(session, go, come_back, cause):
    """The viewer shows the drive; go() takes the source away; the window keeps answering;
    come_back() brings it again; the drive goes on; "Ok" ends the program with exit code 0,
    with one line for the loss and one for the return on standard error."""
    value = session.port_setting()
    session.start_viewer()
    wait_for_drive(session)
    go()
    time.sleep(1.0)
    check_window_answers(session, "while the source was away")
    time.sleep(AWAY_S - 1.0)
    come_back()
    wait_for_drive_going_on(session)
    session.end_with_ok()
    check_errors(session, lost_and_back(value, cause))
    check_log_header(session.folder)


def gpsd_restart(session):
    """gpsd is stopped in the middle of the run and started again on the same port."""
    start_drive(session, *DRIVE, write_ini=False)
    device = os.readlink(os.path.join(session.folder, "COM%d" % PORT))
    process, port = session.start_gpsd(device)
    session.write_settings("gpsd://127.0.0.1:%d" % port)
    away_and_back(session, lambda: stop(process), lambda: session.start_gpsd(device, port, "gpsd-again"),
                  "the other side (closed|reset) the connection")


def tcp_server(signum, cause):
    def scenario(session):
        start_drive(session, *DRIVE, sink="tcp")
        away_and_back(session, lambda: session.receiver.send_signal(signum),
                      lambda: session.receiver.send_signal(signum), cause)
    return scenario


def device_path(session):
    """PORT names the receiver's link by its path; the receiver goes (its pseudo-terminal
    closed, the link removed) and a new one is linked under the same name."""
    start_drive(session, *DRIVE, write_ini=False)
    path = os.path.join(session.folder, "COM%d" % PORT)
    session.write_settings(path)

    def go():
        stop(session.receiver)
        if os.path.lexists(path):
            raise Failure("the stopped receiver left its link")
    away_and_back(session, go, lambda: session.start_receiver(*DRIVE, write_ini=False, name="receiver2.err"),
                  re.escape("the line has gone away"))


def never_back(session):
    """The TCP server goes for good: for a minute the viewer keeps dialling with at most one
    connection's socket open (besides its own single-instance and display sockets, counted
    before), writes one line, and "Ok" ends it at once with exit code 0."""
    start_drive(session, *DRIVE, sink="tcp")
    value = session.port_setting()
    session.start_viewer()
    wait_for_drive(session)

    def sockets_of(pid):
        return sum(f.startswith("socket:") for f in open_files(pid) or [])
    base = sockets_of(session.viewer.pid) - 1  # less the source's connection
    stop(session.receiver)
    most = [0]

    def count():
        session.check_running("while its source was away")
        most[0] = max(most[0], sockets_of(session.viewer.pid) - base)
    wait_until(lambda: count(), NEVER_BACK_S, 0.2)
    if most[0] > 1:
        raise Failure("the viewer held %d sockets for its source at once" % most[0])
    check_window_answers(session, "after a minute without its source")
    started = time.monotonic()
    session.end_with_ok(1.0)
    check_errors(session, [re.escape("kavro: %s: the other side closed the connection; trying again" % value)])
    print("Ok ended the viewer in %.2f s; at most %d source socket(s) open" % (time.monotonic() - started, most[0]))


def comm_unplugged(session):
    """COMn keeps its rule: the receiver unplugged fails the read with "Error Reading comms
    port.", the ticks stop (the window shows its background once the box has gone), and
    nothing is dialled or opened again."""
    start_drive(session, *DRIVE)
    session.start_viewer()
    wait_for_drive(session)
    device = os.readlink(os.path.join(session.folder, "COM%d" % PORT))
    stop(session.receiver)
    session.answer_box("Error")
    wait_for(lambda: plot_share(session.screenshot("after-box"), BACKGROUND) == 1.0, 10, 0.3,
             "the window did not show its background again after the box")
    time.sleep(3.0)  # past the attempts a source that comes back would make
    if device in (open_files(session.viewer.pid) or []):
        raise Failure("the viewer opened the unplugged COMn line again")
    session.end_with_ok()
    check_errors(session, [re.escape("kavro: %s: " % os.path.join(session.folder, "COM%d" % PORT)) + ".+"])


SCENARIOS = {"gpsd-restart": gpsd_restart,
             "tcp-closed": tcp_server(signal.SIGUSR1, re.escape("the other side closed the connection")),
             "tcp-reset": tcp_server(signal.SIGUSR2, re.escape("the other side reset the connection")),
             "device-path": device_path, "never-back": never_back, "comm-unplugged": comm_unplugged}

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-reconnect-"))
