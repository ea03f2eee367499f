#!/usr/bin/env python3
"""Every kind of source a PORT line can name, with real parts on loopback: the simulated
receiver's pseudo-terminal by its device path, its TCP server and its UDP datagrams (with one
of 64 KiB among them), Debian's gpsd reading its pseudo-terminal, a TCP server that floods the
viewer with binary garbage and NMEA, sources that stay silent (which must never hold the
window) and malformed PORT values. Each scenario says what the program must do and checks it.

usage: sources_e2e.py BUILD_FOLDER SCENARIO
       sources_e2e.py --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool, ImageMagick or gpsd for a
scenario that needs them, or another Kavro of this user runs)."""

import os
import random
import re
import socket
import subprocess
import sys
import threading
import time
import tty

from viewer_e2e import DRIVE, wait_for_drive  # puts tools/ on the path

from harness.processes import free_port
from harness.proc import memory_kb, open_files
from harness.screen import BACKGROUND, CLIENT_HEIGHT, CLIENT_WIDTH, GREEN, MENU_BAR_HEIGHT, PANEL, PLOT_LEFT, WHITE
from harness.script import Failure, check_log_header, check_no_sanitizer_report, wait_until
from harness.session import NMEA_SIM, PORT, run_script

OK_LIMIT_S = 1.0  # from "Ok" to the end of a viewer whose read waits on a silent source
FLOOD_OK_LIMIT_S = 2.0
FLOOD_S = 8  # the flood goes on past every look the scenario takes
FLOOD_GROWTH_KB = 2048  # resident memory the viewer may gain while flooded (8 MB sanitized)
UDP_LARGEST = 65507  # the largest payload of an IPv4 datagram
FAST_KNOTS = 480.0  # 888 km/h: a speed figure of three digits, which the drive never shows
READ_BYTES, TICK_S = 1000, 0.3
OPEN_FAILED = "Error Opening ComPort."  # its caption is empty, and an empty caption shows none
READ_FAILED = "Error: Error Reading comms port."
HUNDREDS = (1, 180, 20, 231)  # left, top, right, bottom


def check_errors(session, expected, name="kavro.err"):
    """The viewer's standard error holds exactly these lines (regular expressions) and no
    sanitizer report."""
    text = session.viewer_errors(name)
    check_no_sanitizer_report(text)
    lines = text.splitlines()
    if len(lines) != len(expected) or not all(re.fullmatch(p, line) for p, line in zip(expected, lines)):
        raise Failure("the viewer's standard error holds %r, expected lines matching %r" % (lines, expected))


def drive_text(seconds, random_state):
    """NMEA of a generated drive, as the simulated receiver sends it."""
    return subprocess.run([sys.executable, NMEA_SIM, "--stdout", "--no-pace", "--quiet", "--duration",
                           str(seconds), "--rate-hz", "5", "--random-state", str(random_state)],
                          capture_output=True, check=True, timeout=60).stdout


def resident_kb(pid):
    kb = memory_kb(pid)
    if kb is None:
        raise Failure("no VmRSS for process %d (has it ended?)" % pid)
    return kb


def sanitized(program):
    """True for a build with AddressSanitizer, whose memory grows by design (freed blocks wait
    in quarantine)."""
    with open(program, "rb") as f:
        return b"__asan_init" in f.read()


def loopback_listener():
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    return server, "tcp://127.0.0.1:%d" % server.getsockname()[1]


# --- a source that goes away ------------------------------------------------------------------

def source_goes_away(session, source):
    """The viewer shows the drive from the source Tolm.ini names; then that source process
    stops: the next read fails like an unplugged receiver, with the box "Error Reading comms
    port." and one stderr line naming the source. Ticks draw nothing more: once the box has
    gone, the window shows its background, and "Ok" ends the program with exit code 0."""
    value = session.port_setting()
    session.start_viewer()
    wait_for_drive(session)
    source.terminate()
    source.wait(10)
    session.answer_box("Error")

    def background():
        screen = session.screenshot("after-box")
        return all(screen.pixel(x, y) == BACKGROUND for x in range(PLOT_LEFT, CLIENT_WIDTH, 4)
                   for y in range(100, CLIENT_HEIGHT, 4))
    if not wait_until(background, 10, 0.3):
        raise Failure("the window did not show its background again after the box")
    session.end_with_ok()
    check_errors(session, [re.escape("kavro: %s: " % value) + ".+"])
    check_log_header(session.folder)


def device_path(session):
    """PORT = /dev/pts/N, the simulated receiver's pseudo-terminal by its own path (no COMn
    link named): the viewer shows the drive and "Ok" ends it with exit code 0."""
    session.make_program_folder()
    session.start_xvfb()
    session.start_receiver(*DRIVE, write_ini=False)
    session.write_settings(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    session.start_viewer()
    wait_for_drive(session)
    session.end_with_ok()
    check_errors(session, [])


def tcp(session):
    """A TCP address nobody listens on: the open fails (its box, a stderr line "connection
    refused"), then the first read. Then the simulated receiver's TCP server, which stops in
    the middle of the run."""
    session.make_program_folder()
    check_open_fails(session, "tcp://127.0.0.1:%d" % free_port(), "kavro-refused", "connection refused")
    session.start_xvfb()
    session.start_receiver(*DRIVE, sink="tcp")
    source_goes_away(session, session.receiver)


def gpsd(session):
    """Debian's gpsd on the simulated receiver's pseudo-terminal; gpsd stops in the middle of
    the run."""
    session.make_program_folder()
    session.start_xvfb()
    session.start_receiver(*DRIVE, write_ini=False)
    process, port = session.start_gpsd(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    session.write_settings("gpsd://127.0.0.1:%d" % port)
    source_goes_away(session, process)


# --- datagrams ----------------------------------------------------------------------------------

def three_digits(screen):
    """The speed figure has a hundreds digit. The left end of the figure, below the top of its
    fill (above it a wider old figure can leave bits), is green only then."""
    return len(screen.find(GREEN, *HUNDREDS)) > 20


def udp(session):
    """The simulated receiver's datagrams on udp://:PORT, and amid them one of 64 KiB from
    the test: sentences of a car at 888 km/h. It is read whole, 1000 bytes a tick, so the
    three-digit figure shows for as long as that takes; then the drive goes on being drawn,
    and "Ok" ends the program with exit code 0."""
    session.make_program_folder()
    session.start_xvfb()
    session.start_receiver(*DRIVE, sink="udp")
    port = int(session.port_setting().rsplit(":", 1)[1])
    session.start_viewer()
    wait_for_drive(session)
    sentences = ("$GPRMC,120000.00,A,4807.0380,N,01131.0000,E,%.1f,084.4,010524,,,A*00\r\n"
                 "$GPGGA,120000.00,4807.0380,N,01131.0000,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n" % FAST_KNOTS)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.sendto((sentences * (UDP_LARGEST // len(sentences) + 1)).encode()[:UDP_LARGEST], ("127.0.0.1", port))
    fast = []  # when a screenshot showed three digits

    def fast_gone():
        if session.viewer.poll() is not None:
            raise Failure("the viewer ended with %s after the large datagram" % session.viewer.returncode)
        if three_digits(session.screenshot("datagram")):
            fast.append(time.monotonic())
        return fast and time.monotonic() - fast[-1] > 1.5
    wait_until(fast_gone, 60, 0.5)
    reading = UDP_LARGEST // READ_BYTES * TICK_S
    if not fast or fast[-1] - fast[0] < 0.75 * reading:
        raise Failure("the datagram's speed showed for %.1f s, expected about %.0f s (1000 bytes a tick)"
                      % (fast[-1] - fast[0] if fast else 0, reading))
    print("udp: the datagram's speed showed for %.1f s" % (fast[-1] - fast[0]))
    panels = {session.screenshot("after").area(*PANEL)}
    wait_for_drive(session)
    if not wait_until(lambda: panels.add(session.screenshot("after").area(*PANEL)) or len(panels) >= 3, 10, 0.5):
        raise Failure("the info panel stopped changing after the large datagram")
    session.end_with_ok()
    check_errors(session, [])


# --- a flood ------------------------------------------------------------------------------------

def flood(session):
    """A TCP server that sends as fast as it can, in turn 4 KiB of random bytes and 4 KiB of a
    drive's NMEA: the viewer draws the panel, its resident memory stays within a small bound,
    and "Ok" ends it within FLOOD_OK_LIMIT_S."""
    session.make_program_folder()
    session.start_xvfb()
    rng = random.Random(11)
    nmea = drive_text(60, 11)
    pieces = [part for at in range(0, len(nmea) - 4096, 4096) for part in (rng.randbytes(4096), nmea[at:at + 4096])]
    server, value = loopback_listener()
    session.write_settings(value)
    sent = [0]

    def send():
        client, _ = server.accept()
        client.settimeout(0.2)
        end = time.monotonic() + FLOOD_S + 10  # the viewer's 3 s wait, and a slow build
        with client:
            while time.monotonic() < end:
                try:
                    sent[0] += client.send(pieces[sent[0] // 4096 % len(pieces)][sent[0] % 4096:])
                except socket.timeout:
                    pass
                except OSError:
                    return
    sender = threading.Thread(target=send, daemon=True)
    sender.start()
    try:
        session.start_viewer()
        if not wait_until(lambda: len(session.screenshot("flooded").find(WHITE, *PANEL)) >= 60, 20, 0.5):
            raise Failure("the flooded viewer draws no info panel")
        if not sender.is_alive():
            raise Failure("the viewer drew its panel only once the flood had ended")
        first = most = resident_kb(session.viewer.pid)
        end = time.monotonic() + FLOOD_S / 2
        while time.monotonic() < end:
            most = max(most, resident_kb(session.viewer.pid))
            time.sleep(0.2)
        if not sender.is_alive():
            raise Failure("the flood ended before the viewer was asked to end")
        session.end_with_ok(FLOOD_OK_LIMIT_S)
    finally:
        server.close()
    bound = FLOOD_GROWTH_KB * (4 if sanitized(session.program) else 1)
    if most - first > bound:
        raise Failure("resident memory grew by %d kB during the flood (from %d kB), more than %d kB"
                      % (most - first, first, bound))
    check_errors(session, [])
    print("flood: %d bytes sent, resident memory %d -> %d kB" % (sent[0], first, most))


# --- silent sources -----------------------------------------------------------------------------

def check_repaint(session):
    """Hidden and shown again while its read waits, the window shows the same picture."""
    whole = (0, 0, CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)
    before = session.screenshot("before-unmap").area(*whole)
    session.xdotool("windowunmap", "--sync", session.window)
    if session.screenshot("unmapped").area(*whole) == before:
        raise Failure("the hidden window still shows: the test exposes nothing")
    session.xdotool("windowmap", "--sync", session.window)
    if not wait_until(lambda: session.screenshot("mapped").area(*whole) == before, 5, 0.3):
        raise Failure("the exposed window did not show its picture again while its read waited")


def silent_run(session, value, feed=None):
    """The viewer on a source that says nothing (after feed(), when given, has sent a little):
    its read waits, and "Ok" ends the program within OK_LIMIT_S with exit code 0."""
    name = "kavro-" + value.split(":")[0]
    session.write_settings(value)
    session.start_viewer(name=name)
    if feed is not None:
        feed()
    time.sleep(1.0)  # the first tick has begun its read
    started = time.monotonic()
    session.end_with_ok(OK_LIMIT_S)
    print("%s: ended %.2f s after Ok" % (value, time.monotonic() - started))
    check_errors(session, [], name + ".err")


def silent(session):
    """A silent pseudo-terminal linked as COMn (the window, having drawn one burst of a drive,
    is hidden and shown again while the read waits), a TCP server that accepts and says
    nothing, and a UDP port nobody sends to."""
    session.make_program_folder()
    session.start_xvfb()
    master, slave = os.openpty()
    server, value = loopback_listener()
    accepted = []
    try:
        os.symlink(os.ttyname(slave), os.path.join(session.folder, "COM%d" % PORT))

        def burst():
            os.write(master, drive_text(1, 12))
            if not wait_until(lambda: len(session.screenshot("burst").find(WHITE, *PANEL)) >= 60, 10, 0.3):
                raise Failure("the burst of fixes was not drawn")
            time.sleep(1.5)  # the last read ends after a second of quiet
            check_repaint(session)
        silent_run(session, "COM%d" % PORT, burst)
        silent_run(session, value, lambda: accepted.append(server.accept()[0]))
    finally:
        for connection in accepted + [server]:
            connection.close()
        os.close(master)
        os.close(slave)
    silent_run(session, "udp://127.0.0.1:%d" % free_port(socket.SOCK_DGRAM))


# --- malformed settings ---------------------------------------------------------------------------

# After "PORT = COM1", whose link is there: the last PORT line counts even when it names nothing.
BAD_VALUES = ["/", "ftp://host:21", "tcp://127.0.0.1", "tcp://127.0.0.1:0", "tcp://127.0.0.1:65536", "udp://",
              "gpsd://"]


def check_open_fails(session, value, name, cause=".+"):
    """Headless, with "PORT = COM1" and then this value: the open fails with one stderr line
    naming the value (and the cause) and its box, and the first read fails; COM1 is never
    opened. The viewer's standard error goes to <name>.err."""
    session.write_settings("COM1", value)
    viewer = session.launch_viewer(headless=True, name=name)
    failed = wait_until(lambda: viewer.poll() is not None or READ_FAILED in session.viewer_errors(name + ".err"), 20)
    if viewer.poll() is not None:
        session.viewer = viewer
        session.skip_if_another_kavro(viewer)
        raise Failure("the viewer ended with %d on PORT = %s" % (viewer.returncode, value))
    opened = open_files(viewer.pid) or []
    viewer.terminate()
    viewer.wait(10)
    if not failed:
        raise Failure("no failed read within 20 s on PORT = %s" % value)
    check_errors(session, [re.escape("kavro: %s: " % value) + cause, re.escape(OPEN_FAILED), re.escape(READ_FAILED)],
                 name + ".err")
    com1 = os.path.realpath(os.path.join(session.folder, "COM1"))
    if com1 in opened:
        raise Failure("PORT = %s opened COM1" % value)


def bad_settings(session):
    """Each malformed PORT value opens nothing, reported as above; nothing reads the COM1
    pseudo-terminal, whose waiting line is still there at the end."""
    session.make_program_folder()
    master, slave = os.openpty()
    try:
        tty.setraw(slave)
        os.symlink(os.ttyname(slave), os.path.join(session.folder, "COM1"))
        waiting = b"$GPTXT,01,01,02,nobody reads this*00\r\n"
        os.write(master, waiting)
        for number, value in enumerate(BAD_VALUES):
            check_open_fails(session, value, "kavro-%d" % number)
        os.set_blocking(slave, False)
        try:
            left = os.read(slave, 4096)
        except BlockingIOError:
            left = b""
        if left != waiting:
            raise Failure("the COM1 line holds %r at the end, expected %r" % (left, waiting))
    finally:
        os.close(master)
        os.close(slave)


SCENARIOS = {
    "device-path": device_path,
    "tcp": tcp,
    "udp": udp,
    "gpsd": gpsd,
    "flood": flood,
    "silent": silent,
    "bad-settings": bad_settings,
}


def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(SCENARIOS))
        return 0
    if len(argv) != 3 or argv[2] not in SCENARIOS:
        print(__doc__)
        return 2
    logs = ["kavro.err", "receiver.err", "gpsd.err", "kavro-COM%d.err" % PORT, "kavro-tcp.err", "kavro-udp.err",
            "kavro-refused.err"]
    return run_script(SCENARIOS[argv[2]], argv[1], prefix="kavro-source-",
                      logs=logs + ["kavro-%d.err" % i for i in range(len(BAD_VALUES))])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
