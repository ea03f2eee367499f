"""The simulated receiver's command: its COMn link, its pace on a real pseudo-terminal, standard
output, and the network over real sockets on loopback."""

import fcntl
import os
import pathlib
import re
import select
import signal
import socket
import statistics
import struct
import termios
import time

from simtest import FIXED_TIME, Case, bursts, joined, read_timed, rmc_seconds, run, start, stop
from nmea_sim import net, port, sentences


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


class NetworkTest(Case):
    def connect(self, address, receive_buffer=None):
        sock = socket.socket()
        self.addCleanup(sock.close)
        if receive_buffer:
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
        sock.connect(address)
        return sock.fileno()

    def test_tcp_clients_stalled_and_late_beside_the_pty(self):
        code, log, _ = run(["--stdout", "--no-pace", "--duration", 30, "--quiet", "--rate-hz", 10, "--baud", 115200,
                            "--start-time", FIXED_TIME, "--random-state", 3])
        # At 38400 baud the epochs keep the line busy nearly all the time, and its 10 ms
        # slices end in the middle of lines: a client connects in the middle of one.
        process = self.start("--tcp", "127.0.0.1:0", "--replay", self.path("drive", log), "--loop", "--baud", 38400)
        address = self.served_address(process)
        self.connect(address, receive_buffer=1024)  # stalled: never read
        clients = [self.connect(address) for _ in range(2)] + [self.open_port()]
        early, _ = read_timed(clients, 2.5)
        clients.append(self.connect(address))  # late
        started = time.monotonic()
        later, _ = read_timed(clients, 1.5)
        ended = time.monotonic()
        code, _, err = stop(process)
        # The stalled client did fill up, and lost bytes instead of holding up the rest.
        self.assertTrue(code == 0 and "bytes were thrown away for TCP clients that did not keep up" in err, err)
        for name, fd in zip(("first client", "second client", "pty", "late client"), clients):
            data = joined(early.get(fd, []) + later[fd])
            # Nothing lost or changed: one run of the looped log; TCP clients start on a whole line.
            self.assertIn(data, log * (len(data) // len(log) + 2), name)
            self.assertTrue(name == "pty" or data.startswith(b"$GP") and all(
                sentences.has_good_checksum(line + b"\n") for line in data.split(b"\n")[:-1]), (name, data))
            # Kept pace to the end.
            self.assertGreater(len(joined(later[fd])), 0.8 * 3500 * 1.5, name)
            self.assertTrue(later[fd][0][0] - started < 0.25 and ended - later[fd][-1][0] < 0.25, name)

    def test_hangup_in_the_middle_of_a_sentence(self):
        # The pty hangs up, and the TCP clients are closed, after the same half sentence.
        process = self.start("--tcp", "127.0.0.1:0", "--rate-hz", 5, "--baud", 115200, "--faults", "hangup",
                             "--fault-every", 1.5, "--start-time", FIXED_TIME)
        address = self.served_address(process)
        fds = [self.open_port(), self.connect(address), self.connect(address)]
        pieces, ended = read_timed(fds, 8.0)
        # All had the same stream, one maybe from an epoch later.
        shortest, *longer = sorted((joined(pieces[fd]) for fd in fds), key=len)
        self.assertTrue(ended == set(fds) and all(data.endswith(shortest) for data in longer))
        self.assertRegex(shortest[shortest.rindex(b"\n") + 1:], rb"^\$GP(RMC|GGA),12000[^*]*$")
        code, _, err = stop(process)
        self.assertTrue(code == 0 and "hung up" in err and os.listdir(self.folder) == [], err)

    def test_udp_datagrams_of_whole_lines(self):
        # Lines sent in 10 ms slices: only a run longer than a datagram without a line end is
        # cut, and the unfinished line goes out at the end.
        stream = b"$GPTXT,01,01,02,short*00\r\n" * 30 + b"x" * 3000 + b"\r\n$GPRMC,12"
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
            sink.bind(("127.0.0.1", 0))
            code, out, err = run(["--replay", self.path("lines.nmea", stream), "--replay-rate", 1000, "--baud", 115200,
                                  "--stdout", "--quiet", "--udp", "127.0.0.1:%d" % sink.getsockname()[1]])
            datagrams = []
            while select.select([sink], [], [], 0)[0]:
                datagrams.append(sink.recv(65536))
        self.assertEqual((code, err, out, b"".join(datagrams)), (0, "", stream, stream))
        self.assertLessEqual(max(map(len, datagrams)), net.DATAGRAM_LIMIT)
        self.assertEqual([d[-4:] for d in datagrams if not d.endswith(b"\n")], [b"xxxx", b"xxxx", b"C,12"])

    def test_write_ini(self):
        old = (b"; my receiver\nPORT = COM7\nPORT=tcp://10.0.0.1:2947\nPORT\t=\tudp://:10110\nPORT  =  COM 9 old\n"
               b"PORTS = keep\n  PORT = COM2\nRATE = 4800\nRATE=57600\n  RATE = 1")  # no line end at the end
        cases = [  # (arguments, the PORT line; {port} is the one the server took), nobody at the UDP ports
            (["--port", 3, "--write-ini", "--udp", "127.0.0.1:10110"], "COM3"),
            (["--no-pty", "--tcp", "0", "--write-ini", "tcp"], "tcp://127.0.0.1:{port}"),
            (["--no-pty", "--tcp", "[::1]:0", "--write-ini", "tcp"], "tcp://[::1]:{port}"),
            (["--no-pty", "--tcp", "0.0.0.0:0", "--udp", "127.0.0.1:10110", "--write-ini", "tcp"],
             "tcp://127.0.0.1:{port}"),
            (["--no-pty", "--udp", "127.0.0.1:10110", "--write-ini", "udp"], "udp://:10110"),
            (["--no-pty", "--udp", "[::1]:10111", "--write-ini", "udp"], "udp://[::]:10111"),
        ]
        for args, value in cases:
            with self.subTest(args=args):
                try:
                    "[::1]" in args[2] and socket.create_server(("::1", 0), family=socket.AF_INET6).close()
                except OSError:
                    self.skipTest("no IPv6 loopback")
                self.path("Tolm.ini", old)
                code, _, err = run(["--folder", self.folder, "--duration", 0.3, "--baud", 38400] + args)
                value = value.format(port=(re.findall(r"serving tcp://\S+:(\d+)", err) or [None])[0])
                self.assertEqual((code, pathlib.Path(self.path("Tolm.ini")).read_text(), os.listdir(self.folder)), (
                    0, "; my receiver\nPORTS = keep\n  PORT = COM2\n  RATE = 1\nPORT = %s\nRATE = 38400\n" % value,
                    ["Tolm.ini"]), err)  # the other lines stay, and no link is left
