#!/usr/bin/env python3
"""Every kind of source a PORT line can name, with real parts on loopback: the simulated
receiver's pseudo-terminal by its path, its TCP server, its UDP datagrams (one of 64 KiB among
them), Debian's gpsd on its pseudo-terminal, a TCP server flooding binary garbage and NMEA,
silent sources (which must never hold the window) and malformed PORT values.

usage: sources_e2e.py BUILD_FOLDER SCENARIO | --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool, ImageMagick or gpsd where a
scenario needs them, or no network namespace of its own)."""

import contextlib
import os
import pathlib
import random
import re
import select
import socket
import subprocess
import sys
import threading
import time
import tty

from steps import (DRIVE, READ_FAILED, check_errors, check_window_answers, scenario_main,  # puts tests/ on the path
                   start_drive, wait_for_drive)

from harness.processes import free_port, stop
from harness.proc import memory_kb, open_files
from harness.screen import GREEN, PANEL, WHITE
from harness.script import Failure, wait_for, wait_until
from harness.session import NMEA_SIM, PORT

FLOOD_S = 8  # the flood goes on past every look the scenario takes
UDP_LARGEST = 65507  # the largest payload of an IPv4 datagram


def drive_text(seconds, random_state):
    """NMEA of a generated drive, as the simulated receiver sends it."""
    return subprocess.run([sys.executable, NMEA_SIM, "--stdout", "--no-pace", "--quiet", "--duration",
                           str(seconds), "--rate-hz", "5", "--random-state", str(random_state)],
                          capture_output=True, check=True, timeout=60).stdout


def drive_then_ok(session):
    """The viewer shows the drive from the source Tolm.ini names, and "Ok" ends it with exit
    code 0 and nothing on standard error. (A source that goes away: reconnect_e2e.py.)"""
    session.start_viewer()
    wait_for_drive(session)
    session.end_with_ok()
    check_errors(session, [])


def device_path(session):
    """PORT = /dev/pts/N, the receiver's pseudo-terminal by its own path: the viewer shows the
    drive and "Ok" ends it with exit code 0."""
    start_drive(session, *DRIVE, write_ini=False)
    session.write_settings(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    drive_then_ok(session)


def tcp(session):
    """A TCP address nobody listens on: the open fails ("connection refused"), then the first
    read. Then the simulated receiver's TCP server."""
    session.make_program_folder()
    check_open_fails(session, "tcp://127.0.0.1:%d" % free_port(), "kavro-refused", "connection refused")
    start_drive(session, *DRIVE, sink="tcp")
    drive_then_ok(session)


def gpsd(session):
    """Debian's gpsd on the receiver's pseudo-terminal."""
    start_drive(session, *DRIVE, write_ini=False)
    _, port = session.start_gpsd(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    session.write_settings("gpsd://127.0.0.1:%d" % port)
    drive_then_ok(session)


def udp(session):
    """The receiver's datagrams on udp://:PORT, and amid them one of 64 KiB: a car at 888 km/h
    (480 knots, a figure of three digits, which the drive never shows). It is read whole, 1000
    bytes a tick, so the three-digit figure shows for as long as that takes (65 ticks of 0.3 s);
    then the drive goes on being drawn, and "Ok" ends the program with exit code 0."""
    start_drive(session, *DRIVE, sink="udp")
    port = int(session.port_setting().rsplit(":", 1)[1])
    session.start_viewer()
    wait_for_drive(session)
    sentences = ("$GPRMC,120000.00,A,4807.0380,N,01131.0000,E,480.0,084.4,010524,,,A*00\r\n"
                 "$GPGGA,120000.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.sendto((sentences * (UDP_LARGEST // len(sentences) + 1)).encode()[:UDP_LARGEST], ("127.0.0.1", port))
    fast = []  # when a screenshot showed three digits

    def fast_gone():
        session.check_running("after the large datagram")
        # The left end of the speed figure, below the top of its fill (above it a wider old
        # figure can leave bits): green only while the figure has a hundreds digit.
        if len(session.screenshot("datagram").find(GREEN, 1, 180, 20, 231)) > 20:
            fast.append(time.monotonic())
        return fast and time.monotonic() - fast[-1] > 1.5
    wait_until(fast_gone, 60, 0.5)
    shown = fast[-1] - fast[0] if fast else 0
    if shown < 0.75 * 65 * 0.3:
        raise Failure("the datagram's speed showed for %.1f s, not about 20 s" % shown)
    panels = {session.screenshot("after").area(*PANEL)}
    wait_for_drive(session)
    wait_for(lambda: panels.add(session.screenshot("after").area(*PANEL)) or len(panels) >= 3, 10, 0.5,
             "the info panel stopped changing after the large datagram")
    session.end_with_ok()
    check_errors(session, [])


def flood(session):
    """A TCP server that sends as fast as it can, in turn 4 KiB of random bytes and 4 KiB of a
    drive's NMEA: the viewer draws the panel, its resident memory stays within a small bound,
    and "Ok" ends it within 2 s."""
    session.make_program_folder()
    session.start_xvfb()
    rng = random.Random(11)
    nmea = drive_text(60, 11)
    pieces = [part for at in range(0, len(nmea) - 4096, 4096) for part in (rng.randbytes(4096), nmea[at:at + 4096])]
    server = socket.create_server(("127.0.0.1", 0))
    session.write_settings("tcp://127.0.0.1:%d" % server.getsockname()[1])
    sent = [0]

    def send():  # until the viewer hangs up, or for long enough
        client, _ = server.accept()
        client.settimeout(0.2)
        end = time.monotonic() + FLOOD_S + 10  # the viewer's 3 s wait, and a slow build
        with client, contextlib.suppress(OSError):
            while time.monotonic() < end:
                with contextlib.suppress(socket.timeout):
                    sent[0] += client.send(pieces[sent[0] // 4096 % len(pieces)][sent[0] % 4096:])
    sender = threading.Thread(target=send, daemon=True)
    sender.start()
    session.start_viewer()
    wait_for(lambda: len(session.screenshot("flooded").find(WHITE, *PANEL)) >= 60, 20, 0.5,
             "the flooded viewer draws no info panel")
    if not sender.is_alive():
        raise Failure("the viewer drew its panel only once the flood had ended")
    rss = [memory_kb(session.viewer.pid)]  # and then every 0.2 s for FLOOD_S / 2
    wait_until(lambda: rss.append(memory_kb(session.viewer.pid)), FLOOD_S / 2, 0.2)
    if None in rss or not sender.is_alive():
        raise Failure("the viewer ended during the flood" if None in rss else "the flood ended before Ok")
    session.end_with_ok(2)
    # The viewer may gain 2 MB while flooded (8 MB sanitized: AddressSanitizer's memory grows by design).
    bound = 2048 * (4 if b"__asan_init" in pathlib.Path(session.program).read_bytes() else 1)
    if max(rss) - rss[0] > bound:
        raise Failure("resident memory grew from %d to %d kB in the flood, over %d kB" % (rss[0], max(rss), bound))
    check_errors(session, [])


def silent_run(session, value, feed=lambda: None):
    """The viewer on a source that says nothing (after feed()): its read waits, and "Ok" ends
    the program within a second with exit code 0."""
    name = "kavro-" + value.split(":")[0]
    session.write_settings(value)
    session.start_viewer(name=name)
    feed()
    time.sleep(1.0)  # the first tick has begun its read
    session.end_with_ok(1.0)
    check_errors(session, [], name + ".err")


def silent(session):
    """A silent pseudo-terminal linked as COMn (the window, having drawn one burst of a drive,
    is hidden and shown again while the read waits), a TCP server that accepts and says
    nothing, and a UDP port nobody sends to."""
    session.make_program_folder()
    session.start_xvfb()
    master, slave = os.openpty()
    os.symlink(os.ttyname(slave), os.path.join(session.folder, "COM%d" % PORT))

    def burst():
        os.write(master, drive_text(1, 12))
        wait_for(lambda: len(session.screenshot("burst").find(WHITE, *PANEL)) >= 60, 10, 0.3,
                 "the burst of fixes was not drawn")
        time.sleep(1.5)  # the last read ends after a second of quiet
        check_window_answers(session, "while its read waited")
    silent_run(session, "COM%d" % PORT, burst)
    server = socket.create_server(("127.0.0.1", 0))
    accepted = []  # kept open: the server says nothing, but does not hang up
    silent_run(session, "tcp://127.0.0.1:%d" % server.getsockname()[1], lambda: accepted.append(server.accept()[0]))
    silent_run(session, "udp://127.0.0.1:%d" % free_port(socket.SOCK_DGRAM))


def check_open_fails(session, value, name, cause=".+"):
    """Headless, with "PORT = COM1" and then this value: the open fails with one stderr line
    naming the value (and the cause) and its box, and the first read fails; COM1 is never
    opened. The viewer's standard error goes to <name>.err."""
    session.write_settings("COM1", value)
    session.viewer = session.launch_viewer(headless=True, name=name)
    wait_for(lambda: session.viewer.poll() is not None or READ_FAILED in session.viewer_errors(name + ".err"), 20, 0.1,
             "no failed read within 20 s on PORT = %s" % value)
    session.check_running("on PORT = %s" % value)
    opened = open_files(session.viewer.pid) or []
    stop(session.viewer)
    # The open's box has an empty caption, and an empty caption shows none.
    check_errors(session, [re.escape("kavro: %s: " % value) + cause, re.escape("Error Opening ComPort."),
                           re.escape(READ_FAILED)], name + ".err")
    if os.path.realpath(os.path.join(session.folder, "COM1")) in opened:
        raise Failure("PORT = %s opened COM1" % value)


def bad_settings(session):
    """Each malformed PORT value opens nothing, reported as above; nothing reads the COM1
    pseudo-terminal, whose waiting line is still there at the end."""
    session.make_program_folder()
    master, slave = os.openpty()
    tty.setraw(slave)
    os.symlink(os.ttyname(slave), os.path.join(session.folder, "COM1"))
    waiting = b"$GPTXT,01,01,02,nobody reads this*00\r\n"
    os.write(master, waiting)
    # After "PORT = COM1", whose link is there: the last PORT line counts even when it names nothing.
    bad = ["/", "ftp://host:21", "tcp://127.0.0.1", "tcp://127.0.0.1:0", "tcp://127.0.0.1:65536", "udp://", "gpsd://"]
    for number, value in enumerate(bad):
        check_open_fails(session, value, "kavro-%d" % number)
    left = os.read(slave, 4096) if select.select([slave], [], [], 0)[0] else b""
    if left != waiting:
        raise Failure("the COM1 line holds %r at the end, expected %r" % (left, waiting))


SCENARIOS = {"device-path": device_path, "tcp": tcp, "udp": udp, "gpsd": gpsd, "flood": flood, "silent": silent,
             "bad-settings": bad_settings}

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-source-"))
