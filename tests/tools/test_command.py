"""The simulated receiver's command: its COMn link, its pace on a real pseudo-terminal,
standard output, replay and the hang-up."""

import fcntl
import os
import re
import shutil
import signal
import socket
import struct
import tempfile
import termios
import time
import unittest

import simtest
from nmea_sim import port, sentences

FIXED_TIME = "2024-05-01T12:00:00Z"
RMC_TIME = re.compile(rb"\$GPRMC,(\d\d)(\d\d)(\d\d\.\d\d),")


def bursts(pieces, gap):
    """Reads grouped into bursts separated by more than `gap` seconds of silence:
    [(first arrival, last arrival, bytes)]."""
    result = []
    for at, data in pieces:
        if result and at - result[-1][1] <= gap:
            first, _, joined = result[-1]
            result[-1] = (first, at, joined + data)
        else:
            result.append((at, at, data))
    return result


def rmc_seconds(data):
    return [int(h) * 3600 + int(m) * 60 + float(s) for h, m, s in RMC_TIME.findall(data)]


class Receiver:
    """The tool running on a pty in a temporary folder."""

    def __init__(self, test, *args, port_number=1):
        self.folder = test.folder
        self.link = os.path.join(self.folder, "COM%d" % port_number)
        self.process = simtest.start(["--folder", self.folder, "--port", str(port_number)]
                                     + list(args))
        test.addCleanup(self.kill)
        self.target = simtest.wait_for_link(self.link, self.process)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.communicate()


class PortTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="nmea-sim-")
        self.addCleanup(shutil.rmtree, self.folder)

    def test_link_made_then_removed_when_stopped(self):
        for signum in (signal.SIGTERM, signal.SIGINT):
            receiver = Receiver(self, "--rate-hz", "5", "--baud", "115200", "--quiet",
                                "--start-time", FIXED_TIME)
            self.assertRegex(receiver.target, r"^/dev/pts/\d+$")
            fd = simtest.open_port(receiver.link)
            pieces, hung_up = simtest.read_timed(fd, 0.7)
            data = b"".join(d for _, d in pieces)
            self.assertIn(b"$GPRMC,", data)
            self.assertFalse(hung_up)
            code, _, err = simtest.stop(receiver.process, signum)
            os.close(fd)
            self.assertEqual((code, err), (0, ""))
            self.assertFalse(os.path.lexists(receiver.link))

    def test_never_replaces_what_it_did_not_make(self):
        def write_file(path):
            with open(path, "w") as f:
                f.write("my notes\n")

        def state(path):
            if os.path.islink(path):
                return "link", os.readlink(path)
            if os.path.isdir(path):
                return "folder", sorted(os.listdir(path))
            with open(path) as f:
                return "file", f.read()

        cases = [  # (what stands at COMn, how to make it)
            ("a file", write_file),
            ("a link to /dev/ttyUSB0", lambda p: os.symlink("/dev/ttyUSB0", p)),
            ("a link to ../dev/pts/0", lambda p: os.symlink("../dev/pts/0", p)),
            ("a folder", os.mkdir),
        ]
        for number, (what, make) in enumerate(cases, 1):
            with self.subTest(what):
                path = os.path.join(self.folder, "COM%d" % number)
                make(path)
                before = state(path)
                code, _, err = simtest.run(["--folder", self.folder, "--port", str(number)])
                self.assertEqual(code, 2, err)
                self.assertIn("COM%d is %s," % (number, what), err)
                self.assertIn("stays as it is", err)
                self.assertEqual(state(path), before)

    def test_replaces_its_own_old_link_and_removes_only_its_own(self):
        stale = os.path.join(self.folder, "COM2")
        os.symlink("/dev/pts/99999", stale)
        receiver = Receiver(self, "--random-state", "1", port_number=2)
        deadline = time.monotonic() + 5
        while os.readlink(stale) == "/dev/pts/99999" and time.monotonic() < deadline:
            time.sleep(0.02)
        self.assertNotEqual(os.readlink(stale), "/dev/pts/99999")
        # Another receiver takes the name over; stopping this one must leave its link.
        os.unlink(stale)
        os.symlink("/dev/pts/88888", stale)
        code, _, err = simtest.stop(receiver.process)
        self.assertEqual(code, 0)
        self.assertIn("replaces the old link to /dev/pts/99999", err)
        self.assertEqual(os.readlink(stale), "/dev/pts/88888")

    def test_a_start_that_fails_leaves_no_link(self):
        # The link is made before the TCP server, which cannot listen on a port in use.
        busy = socket.socket()
        self.addCleanup(busy.close)
        busy.bind(("127.0.0.1", 0))
        busy.listen()
        taken = "127.0.0.1:%d" % busy.getsockname()[1]
        code, _, err = simtest.run(["--folder", self.folder, "--tcp", taken], timeout=10)
        self.assertEqual(code, 2, err)
        self.assertIn("cannot listen on tcp://%s: Address already in use" % taken, err)
        self.assertEqual(os.listdir(self.folder), [])

    def check_pace(self, rate_hz, baud, seconds, gap):
        receiver = Receiver(self, "--rate-hz", str(rate_hz), "--baud", str(baud), "--quiet")
        fd = simtest.open_port(receiver.link)
        self.addCleanup(os.close, fd)
        pieces, _ = simtest.read_timed(fd, seconds)
        groups = bursts(pieces, gap)[1:]  # the first may have begun before we read
        self.assertGreaterEqual(len(groups), 3, groups)
        starts = [first for first, _, _ in groups]
        spacing = [b - a for a, b in zip(starts, starts[1:])]
        self.assertAlmostEqual(sum(spacing) / len(spacing), 1.0 / rate_hz, delta=0.1 / rate_hz)
        for spaced in spacing:
            self.assertAlmostEqual(spaced, 1.0 / rate_hz, delta=0.4 / rate_hz, msg=spacing)
        # The time stamps step by the epoch time.
        stamps = rmc_seconds(b"".join(data for _, _, data in groups))
        steps = {round(b - a, 2) for a, b in zip(stamps, stamps[1:])}
        self.assertEqual(steps, {round(1.0 / rate_hz, 2)})
        return groups

    def test_pace_of_a_slow_line(self):
        # 4800 baud: 480 bytes a second, so an epoch of ~350 bytes takes ~0.7 s of each second.
        for first, last, data in self.check_pace(1.0, 4800, 4.2, 0.15)[:-1]:
            self.assertGreater(len(data), 300)
            wire = len(data) / 480.0
            self.assertAlmostEqual(last - first, wire, delta=0.2 * wire + 0.05,
                                   msg="%d bytes" % len(data))

    def test_pace_of_a_fast_rate(self):
        # 115200 baud: an epoch takes 30 ms, then 170 ms of silence.
        for first, last, data in self.check_pace(5.0, 115200, 1.6, 0.08)[:-1]:
            self.assertLess(last - first, 0.1)

    def test_every_byte_passes_the_port_unchanged(self):
        # CR, XON/XOFF, Ctrl-C, DEL and bytes over 127 all come through as they are, in the
        # mode the receiver sets, before the viewer sets its own.
        pattern = bytes(range(256)) + b"\n"
        log = os.path.join(self.folder, "bytes.log")
        with open(log, "wb") as f:
            f.write(pattern)
        receiver = Receiver(self, "--replay", log, "--loop", "--replay-rate", "20",
                            "--baud", "115200", "--quiet")
        fd = simtest.open_port(receiver.link, raw=False)
        self.addCleanup(os.close, fd)
        pieces, _ = simtest.read_timed(fd, 1.0)
        data = b"".join(d for _, d in pieces)
        self.assertGreater(len(data), len(pattern))
        self.assertIn(data, pattern * 40)

    def test_hangup_in_the_middle_of_a_sentence(self):
        receiver = Receiver(self, "--rate-hz", "5", "--baud", "115200", "--faults", "hangup",
                            "--fault-every", "1.5", "--start-time", FIXED_TIME)
        fd = simtest.open_port(receiver.link)
        self.addCleanup(os.close, fd)
        pieces, hung_up = simtest.read_timed(fd, 8.0)
        self.assertTrue(hung_up)
        data = b"".join(d for _, d in pieces)
        tail = data[data.rindex(b"\n") + 1:]
        self.assertTrue(tail.startswith(b"$GPRMC,12000") or tail.startswith(b"$GPGGA,12000"),
                        tail)
        self.assertNotIn(b"*", tail)
        code, _, err = simtest.stop(receiver.process)
        self.assertEqual(code, 0)
        self.assertIn("hung up", err)
        self.assertFalse(os.path.lexists(receiver.link))

    def test_viewer_can_open_the_port_again(self):
        # The viewer opens the port exclusively; after it closes, the receiver clears that
        # mode so that the viewer can be started again (by a user who is not root).
        receiver = Receiver(self, "--rate-hz", "5", "--baud", "115200", "--quiet")
        viewer = simtest.open_port(receiver.link)
        fcntl.ioctl(viewer, termios.TIOCEXCL)
        simtest.read_timed(viewer, 0.3)
        os.close(viewer)
        exclusive = 1
        deadline = time.monotonic() + 4.0
        while exclusive and time.monotonic() < deadline:
            time.sleep(0.2)
            try:
                probe = os.open(receiver.link, os.O_RDWR | os.O_NOCTTY)
            except OSError:  # EBUSY: still exclusive (root may open it anyway)
                continue
            exclusive = struct.unpack("i", fcntl.ioctl(probe, port.TIOCGEXCL, b"\0" * 4))[0]
            os.close(probe)
        self.assertEqual(exclusive, 0)

    def test_backlog_is_dropped_while_nobody_reads(self):
        # 10 Hz at 115200 baud is 3.5 KB a second; while nobody reads, only the newest couple
        # of KB wait in the port, never the 4 KB the line discipline would hold.
        receiver = Receiver(self, "--rate-hz", "10", "--baud", "115200", "--quiet")
        fd = os.open(receiver.link, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        self.addCleanup(os.close, fd)
        waiting = []
        for _ in range(60):
            time.sleep(0.05)
            waiting.append(port.queued(fd))
        self.assertGreater(max(waiting), 0)
        self.assertLessEqual(max(waiting), 3072, waiting)
        self.assertIsNone(receiver.process.poll())


class StdoutTest(unittest.TestCase):
    def test_log_making_is_repeatable(self):
        args = ["--stdout", "--no-pace", "--duration", "60", "--start-time", FIXED_TIME,
                "--quiet", "--faults", "noise", "--random-state"]
        code, first, err = simtest.run(args + ["5"])
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(rmc_seconds(first)[:2], [43200.0, 43201.0])
        self.assertEqual(simtest.run(args + ["5"])[1], first)
        self.assertNotEqual(simtest.run(args + ["6"])[1], first)

    def test_slow_line_drops_epochs(self):
        code, data, err = simtest.run(["--stdout", "--no-pace", "--duration", "10",
                                       "--rate-hz", "5", "--baud", "4800", "--start-time",
                                       FIXED_TIME])
        self.assertEqual(code, 0)
        self.assertIn("epochs that would start while the line is busy are dropped", err)
        stamps = rmc_seconds(data)
        # ~350 bytes take ~0.73 s at 4800 baud, so every fourth 0.2 s epoch goes out.
        self.assertEqual({round(b - a, 2) for a, b in zip(stamps, stamps[1:])}, {0.8})

    def test_crossing_from_a_south_western_start(self):
        # A start west and south takes no '=' (argparse would take it for an option).
        code, data, err = simtest.run(["--stdout", "--no-pace", "--duration", "60", "--start",
                                       "-34.6,-58.4", "--cross", "meridian", "--quiet"])
        self.assertEqual((code, err), (0, ""))
        rmc = re.findall(rb"\$GPRMC,[^,]*,A,\d+\.\d+,([NS]),\d+\.\d+,([EW])", data)
        self.assertEqual({b"%s,%s" % r for r in rmc}, {b"S,W", b"S,E"})

    def test_faults_in_the_stream(self):
        code, data, _ = simtest.run(["--stdout", "--no-pace", "--duration", "120",
                                     "--faults", "noise,cut,nul,absurd", "--fault-every", "4",
                                     "--random-state", "9", "--start-time", FIXED_TIME])
        self.assertEqual(code, 0)
        lines = data.split(b"\r\n")
        good = [line for line in lines if sentences.has_good_checksum(line + b"\r\n")]
        self.assertIn(0, data)                                     # nul (or noise)
        self.assertTrue(any(b > 127 for b in data))                # noise
        self.assertTrue(any(re.search(rb"\$GP...,[^*\r\n]*\$GP", line) for line in lines))  # cut
        self.assertTrue(any(re.search(rb",(nan|NAN|-?inf|INFINITY|0x|-0X|1e308)", line)
                            for line in good))                     # absurd, checksum right
        # 29 epochs of 120 were spoilt, every other one arrives whole
        self.assertGreaterEqual(len(re.findall(rb"\$GPRMC,\d{6}\.00,[AV],", b"\r\n".join(good))), 91)

    def test_closed_output_ends_quietly(self):
        process = simtest.start(["--stdout", "--no-pace", "--quiet"])
        self.assertEqual(len(process.stdout.read(1000)), 1000)
        process.stdout.close()
        self.assertEqual(process.wait(timeout=10), 0)
        self.assertEqual(process.stderr.read(), b"")
        process.stderr.close()


LOG = (b"# Name: test capture\n# Notes: header lines are skipped\n"
       b"$GPTXT,01,01,02,banner*00\r\n"
       b"$GPRMC,120000.00,A,4807.038,N,01131.000,E,1.0,2.0,010524,,,A*00\r\n"
       b"\xb5b\x01\x07\x00\xff\x0d binary\n"
       b"$GPRMC,120000.50,A,4807.038,N,01131.000,E,1.0,2.0,010524,,,A*00\n"
       b"#\n"
       b"$GPGGA,120001.00,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*00\n"
       b"$GPRMC,110000.00,A,4807.038,N,01131.000,E,1.0,2.0,010524,,,A*00\r\n"
       b"$GPRMC,110000.50,A,4807.038,N,01131.000,E,1.0,2.0,010524,,,A*00")
SENT = re.sub(rb"(?m)^#[^\n]*\n", b"", LOG)


class ReplayTest(unittest.TestCase):
    def setUp(self):
        handle, self.log = tempfile.mkstemp(suffix=".nmea")
        os.write(handle, LOG)
        os.close(handle)
        self.addCleanup(os.unlink, self.log)

    def arrivals(self, args, seconds):
        process = simtest.start(["--replay", self.log, "--stdout", "--quiet"] + args)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        pieces, ended = simtest.read_timed(process.stdout.fileno(), seconds)
        self.assertTrue(ended)
        self.assertEqual(simtest.stop(process)[0], 0)
        return pieces

    def test_bytes_pass_unchanged(self):
        code, data, err = simtest.run(["--replay", self.log, "--stdout", "--no-pace"])
        self.assertEqual(code, 0)
        self.assertEqual(data, SENT)
        self.assertIn("replaying", err)

    def test_loop(self):
        code, data, _ = simtest.run(["--replay", self.log, "--stdout", "--no-pace", "--loop",
                                     "--duration", "5.2"])
        self.assertEqual(code, 0)
        # epochs at 0, 0.5, 1.0, 1.5 (time went back), 2.0; again from 2.5 and from 5.0
        first_epoch = SENT[:SENT.index(b"$GPRMC,120000.50")]
        self.assertEqual(data, SENT + SENT + first_epoch)

    def test_paced_by_time_stamps(self):
        pieces = self.arrivals(["--baud", "115200"], 6.0)
        # When each stamped sentence came in: the arrival of the read holding its end.
        data = b"".join(d for _, d in pieces)
        ends = []
        for at, piece in pieces:
            ends.append(((ends[-1][0] if ends else 0) + len(piece), at - pieces[0][0]))
        starts = {}
        for match in re.finditer(rb"\$GP(?:RMC|GGA),(\d{6}\.\d\d)", data):
            starts[match[1]] = next(at for end, at in ends if end >= match.end())
        expected = {b"120000.00": 0.0, b"120000.50": 0.5, b"120001.00": 1.0,
                    b"110000.00": 1.5, b"110000.50": 2.0}
        self.assertEqual(set(starts), set(expected))
        for stamp, offset in expected.items():
            self.assertAlmostEqual(starts[stamp], offset, delta=0.15, msg=starts)
        self.assertEqual(data, SENT)

    def test_paced_by_lines(self):
        pieces = self.arrivals(["--baud", "115200", "--replay-rate", "20"], 6.0)
        self.assertAlmostEqual(pieces[-1][0] - pieces[0][0], 6 / 20.0, delta=0.12)
        self.assertEqual(b"".join(d for _, d in pieces), SENT)


if __name__ == "__main__":
    unittest.main()
