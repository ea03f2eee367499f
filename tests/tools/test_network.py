"""The simulated receiver on the network, over real sockets on loopback."""

import os
import pathlib
import re
import select
import socket
import time

from simtest import FIXED_TIME, Case, joined, read_timed, run, stop
from nmea_sim import net, sentences


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
