"""The simulated receiver's command: its COMn link, its pace on a real pseudo-terminal, standard output."""

import fcntl
import os
import re
import signal
import socket
import statistics
import struct
import termios
import time

from simtest import FIXED_TIME, Case, bursts, joined, read_timed, rmc_seconds, run, start, stop
from nmea_sim import port


class PortTest(Case):
    def test_link_replaced_made_and_removed_and_every_byte_passes(self):
        # A link this tool left behind is replaced; on stopping, the link goes while it is ours.
        # CR, XON/XOFF, Ctrl-C, DEL and bytes over 127 all come through as they are, in the
        # mode the receiver sets, before the viewer sets its own.
        pattern = bytes(range(256)) + b"\n"
        os.symlink("/dev/pts/99999", self.path())
        for signum, taken_over in ((signal.SIGTERM, False), (signal.SIGINT, True)):
            process = self.start("--replay", self.path("bytes", pattern), "--loop", "--replay-rate", 20,
                                 "--baud", 115200, "--quiet")
            self.assertRegex(os.readlink(self.path()), r"^/dev/pts/\d+$")
            fd = self.open_port(raw=False)
            pieces, ended = read_timed([fd], 1.0)
            data = joined(pieces[fd])
            # 20 lines a second: about 20 patterns, as they are, and far from what the line carries
            self.assertTrue(len(pattern) < len(data) < 30 * len(pattern) and data in pattern * 30 and not ended,
                            len(data))
            if taken_over:  # by a receiver started later
                os.unlink(self.path())
                os.symlink("/dev/pts/88888", self.path())
            self.assertEqual(stop(process, signum), (0, b"", ""))
            self.assertEqual(os.path.lexists(self.path()), taken_over)

    def test_a_start_that_fails_leaves_the_folder_as_it_was(self):
        def state():
            return {name: (info.st_ino, info.st_mode, info.st_size, info.st_mtime_ns)
                    for name in os.listdir(self.folder) for info in [os.lstat(self.path(name))]}

        busy = socket.create_server(("127.0.0.1", 0))
        self.addCleanup(busy.close)
        cases = [  # (what stands at COMn, how to make it, more arguments)
            ("a file", lambda p: open(p, "w").close(), []),
            ("a link to /dev/ttyUSB0", lambda p: os.symlink("/dev/ttyUSB0", p), []),
            ("a link to ../dev/pts/0", lambda p: os.symlink("../dev/pts/0", p), []),
            ("a folder", os.mkdir, []),
            # The link is made before the TCP server, which cannot listen on a port in use.
            ("nothing", lambda p: None, ["--tcp", "127.0.0.1:%d" % busy.getsockname()[1]]),
        ]
        for number, (what, make, args) in enumerate(cases, 1):
            make(self.path("COM%d" % number))
            before = state()
            code, _, err = run(["--folder", self.folder, "--port", number, *args])
            self.assertEqual((code, state()), (2, before), (what, err))

    def test_pace(self):
        for number, (rate_hz, baud, seconds, gap) in enumerate(((1.0, 4800, 4.2, 0.15), (5.0, 115200, 1.6, 0.08)), 1):
            self.start("--rate-hz", rate_hz, "--baud", baud, "--quiet", "--port", number, link="COM%d" % number)
            fd = self.open_port("COM%d" % number)
            groups = bursts(read_timed([fd], seconds)[0][fd], gap)[1:]  # the first may have begun before
            starts = [first for first, _, _ in groups]
            spacing = [b - a for a, b in zip(starts, starts[1:])]
            self.assertGreaterEqual(len(groups), 3)
            self.assertAlmostEqual(statistics.fmean(spacing), 1.0 / rate_hz, delta=0.1 / rate_hz)
            self.assertTrue(all(abs(s - 1.0 / rate_hz) < 0.4 / rate_hz for s in spacing), spacing)
            # The time stamps step by the epoch time, and an epoch takes its time on the line.
            stamps = rmc_seconds(b"".join(data for _, _, data in groups))
            self.assertEqual({round(b - a, 2) for a, b in zip(stamps, stamps[1:])}, {round(1.0 / rate_hz, 2)})
            for first, last, data in groups[:-1]:
                wire = len(data) * 10.0 / baud
                self.assertAlmostEqual(last - first, wire, delta=0.2 * wire + 0.05, msg="%d bytes" % len(data))

    def test_backlog_is_dropped_and_the_viewers_exclusive_mode_cleared(self):
        # 10 Hz at 115200 baud is 3.5 KB a second; while nobody reads, only the newest couple
        # of KB wait in the port, never the 4 KB the line discipline would hold.
        process = self.start("--rate-hz", 10, "--baud", 115200, "--quiet")
        fd = os.open(self.path(), os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        waiting = [(time.sleep(0.05), port.queued(fd))[1] for _ in range(60)]
        self.assertTrue(0 < max(waiting) <= 3072 and process.poll() is None, waiting)
        # The viewer opens the port exclusively; after it closes, the receiver clears that
        # mode so that the viewer can be started again (by a user who is not root).
        fcntl.ioctl(fd, termios.TIOCEXCL)
        os.close(fd)
        time.sleep(2.0)  # the receiver looks once a second
        probe = self.open_port()  # root may open it even while it is exclusive
        self.assertEqual(struct.unpack("i", fcntl.ioctl(probe, port.TIOCGEXCL, b"\0" * 4))[0], 0)


class StdoutTest(Case):
    def test_slow_line_drops_epochs_and_a_south_western_start(self):
        # A start west and south takes no '=' (argparse would take it for an option).
        code, data, _ = run(["--stdout", "--no-pace", "--duration", 60, "--rate-hz", 5, "--baud", 4800,
                             "--start-time", FIXED_TIME, "--start", "-34.6,-58.4", "--cross", "meridian"])
        stamps = rmc_seconds(data)
        # ~350 bytes take ~0.73 s at 4800 baud, so every fourth 0.2 s epoch goes out.
        self.assertEqual((code, {round(b - a, 2) for a, b in zip(stamps, stamps[1:])}), (0, {0.8}))
        rmc = re.findall(rb"\$GPRMC,[^,]*,A,\d+\.\d+,([NS]),\d+\.\d+,([EW])", data)
        self.assertEqual(set(rmc), {(b"S", b"W"), (b"S", b"E")})

    def test_closed_output_ends_quietly(self):
        process = start(["--stdout", "--no-pace", "--quiet"])
        self.assertEqual(len(process.stdout.read(1000)), 1000)
        process.stdout.close()
        self.assertEqual((process.wait(timeout=10), process.stderr.read()), (0, b""))
        process.stderr.close()
