"""The simulated receiver on the network, over real sockets on loopback: TCP clients beside
the pty (a stalled one, a late one), the hang-up seen over TCP, UDP datagrams, and the PORT
lines it writes into Tolm.ini (IPv6 ones too)."""

import os
import select
import shutil
import socket
import tempfile
import time
import unittest

import simtest
from nmea_sim import net, sentences

FIXED_TIME = "2024-05-01T12:00:00Z"


def ipv6_loopback():
    try:
        with socket.socket(socket.AF_INET6, socket.SOCK_DGRAM) as probe:
            probe.bind(("::1", 0))
        return True
    except OSError:
        return False


def connect(host, port, receive_buffer=None):
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    if receive_buffer:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    sock.connect((host, port))
    return sock


def read_all(fds, seconds):
    """{fd: [(arrival, bytes)]} of every read until `seconds` pass or every fd has ended,
    and the set of fds that ended."""
    pieces = {fd: [] for fd in fds}
    ended = set()
    deadline = time.monotonic() + seconds
    while len(ended) < len(fds) and time.monotonic() < deadline:
        ready, _, _ = select.select([fd for fd in fds if fd not in ended], [], [],
                                    max(0.0, deadline - time.monotonic()))
        for fd in ready:
            try:
                data = os.read(fd, 65536)
            except OSError:
                data = b""
            if data:
                pieces[fd].append((time.monotonic(), data))
            else:
                ended.add(fd)
    return pieces, ended


def joined(pieces):
    return b"".join(data for _, data in pieces)


class Case(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="nmea-sim-net-")
        self.addCleanup(shutil.rmtree, self.folder)

    def start(self, *args):
        process = simtest.start(["--folder", self.folder] + list(args))
        self.addCleanup(lambda: process.poll() is None and simtest.stop(process))
        return process

    def assertWholeLines(self, data, what):
        """Begins with a sentence, and every line it ends is a sentence with a good checksum."""
        self.assertTrue(data.startswith(b"$GP"), "%s begins %r" % (what, data[:40]))
        for line in data.split(b"\n")[:-1]:
            self.assertTrue(sentences.has_good_checksum(line + b"\n"), "%s: %r" % (what, line))


class TcpTest(Case):
    def test_clients_stalled_and_late_beside_the_pty(self):
        code, log, _ = simtest.run(["--stdout", "--no-pace", "--duration", "30", "--quiet",
                                    "--rate-hz", "10", "--baud", "115200",
                                    "--start-time", FIXED_TIME, "--random-state", "3"])
        self.assertEqual(code, 0)
        path = os.path.join(self.folder, "drive.nmea")
        with open(path, "wb") as f:
            f.write(log)
        # At 38400 baud the epochs keep the line busy nearly all the time, and its 10 ms
        # slices end in the middle of lines: a client connects in the middle of one.
        process = self.start("--tcp", "127.0.0.1:0", "--replay", path, "--loop",
                             "--baud", "38400")
        host, port = simtest.served_address(process)
        simtest.wait_for_link(os.path.join(self.folder, "COM1"), process)
        stalled = connect(host, port, receive_buffer=1024)  # never read
        self.addCleanup(stalled.close)
        first, second = connect(host, port), connect(host, port)
        self.addCleanup(first.close)
        self.addCleanup(second.close)
        pty = simtest.open_port(os.path.join(self.folder, "COM1"))
        self.addCleanup(os.close, pty)
        readers = [first.fileno(), second.fileno(), pty]
        early, _ = read_all(readers, 2.5)
        late = connect(host, port)
        self.addCleanup(late.close)
        readers.append(late.fileno())
        started = time.monotonic()
        later, _ = read_all(readers, 1.5)
        ended = time.monotonic()
        code, _, err = simtest.stop(process)
        self.assertEqual(code, 0)
        # The stalled client did fill up, and lost bytes instead of holding up the rest.
        self.assertIn("bytes were thrown away for TCP clients that did not keep up", err)

        names = {first.fileno(): "first client", second.fileno(): "second client", pty: "pty",
                 late.fileno(): "late client"}
        for fd, name in names.items():
            data = joined(early.get(fd, []) + later[fd])
            with self.subTest(name):
                # Nothing lost or changed: one run of the looped log.
                self.assertIn(data, log * (len(data) // len(log) + 2))
                if fd != pty:
                    self.assertWholeLines(data, name)
                # Kept pace to the end.
                self.assertGreater(len(joined(later[fd])), 0.8 * 3500 * 1.5)
                self.assertLess(ended - later[fd][-1][0], 0.25)
                self.assertLess(later[fd][0][0] - started, 0.25)

    def test_hangup_closes_clients_and_server(self):
        process = self.start("--no-pty", "--tcp", "127.0.0.1:0", "--rate-hz", "5", "--baud", "115200",
                             "--faults", "hangup", "--fault-every", "1.5", "--start-time", FIXED_TIME)
        address = simtest.served_address(process)
        clients = [connect(*address) for _ in range(2)]
        for client in clients:
            self.addCleanup(client.close)
        fds = [c.fileno() for c in clients]
        pieces, ended = read_all(fds, 8.0)
        self.assertEqual(ended, set(fds))
        data = [joined(pieces[fd]) for fd in fds]
        # Both had the same stream, one maybe from an epoch later.
        shorter, longer = sorted(data, key=len)
        self.assertTrue(longer.endswith(shorter))
        self.assertWholeLines(shorter, "client")
        tail = shorter[shorter.rindex(b"\n") + 1:]
        self.assertRegex(tail, rb"^\$GP(RMC|GGA),12000[^*]*$")
        code, _, err = simtest.stop(process)
        self.assertEqual(code, 0)
        self.assertIn("hung up", err)
        self.assertEqual(os.listdir(self.folder), [])  # no COM1 link


class UdpTest(Case):
    def test_datagrams_carry_the_stream(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
            sink.bind(("127.0.0.1", 0))
            code, out, err = simtest.run(["--rate-hz", "10", "--baud", "115200", "--duration", "2", "--quiet",
                                          "--start-time", FIXED_TIME, "--random-state", "4", "--stdout",
                                          "--udp", "127.0.0.1:%d" % sink.getsockname()[1]])
            self.assertEqual((code, err), (0, ""))
            sink.setblocking(False)
            datagrams = []
            while len(datagrams) < 1000:
                try:
                    datagrams.append(sink.recv(65536))
                except BlockingIOError:
                    break
        # The same bytes as standard output, in order, whole lines in each datagram.
        self.assertEqual(b"".join(datagrams), out)
        self.assertEqual(out.count(b"$GPRMC"), 20)
        for datagram in datagrams:
            self.assertLessEqual(len(datagram), net.DATAGRAM_LIMIT)
            self.assertTrue(datagram.endswith(b"\r\n"), datagram)
            self.assertWholeLines(datagram, "datagram")

    def test_nobody_listening(self):
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as gone:
            gone.bind(("127.0.0.1", 0))
            port = gone.getsockname()[1]
        code, _, err = simtest.run(["--no-pty", "--udp", "127.0.0.1:%d" % port, "--rate-hz", "10",
                                    "--baud", "115200", "--duration", "1"])
        self.assertEqual(code, 0, err)
        self.assertRegex(err, r"\d+ datagrams to udp://127.0.0.1:%d were not sent "
                              r"\(the last: Connection refused\)" % port)

    def test_only_runs_without_a_line_end_are_cut(self):
        lines = b"$GPTXT,01,01,02,short*00\r\n" * 30
        stream = lines + b"x" * 3000 + b"\r\n" + lines + b"$GPRMC,12"
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sink:
            sink.bind(("127.0.0.1", 0))
            sender = net.UdpSender("127.0.0.1", sink.getsockname()[1])
            for at in range(0, len(stream), 115):
                sender.write(stream[at:at + 115])
            sender.close()
            sink.setblocking(False)
            datagrams = []
            while True:
                try:
                    datagrams.append(sink.recv(65536))
                except BlockingIOError:
                    break
        self.assertEqual(b"".join(datagrams), stream)
        self.assertLessEqual(max(map(len, datagrams)), net.DATAGRAM_LIMIT)
        # Two cuts in the run of 3000 bytes, and the unfinished line sent on closing.
        self.assertEqual([d[-4:] for d in datagrams if not d.endswith(b"\n")],
                         [b"xxxx", b"xxxx", b"C,12"])


class SettingsTest(Case):
    OLD = ("; my receiver\nPORT = COM7\nPORT=tcp://10.0.0.1:2947\nPORT\t=\tudp://:10110\n"
           "PORTS = keep\n  PORT = COM2\nRATE = 4800\nRATE=57600\n  RATE = 1\nPORT  =  COM 9 old")
    KEPT = "; my receiver\nPORTS = keep\n  PORT = COM2\n  RATE = 1\n"

    def test_write_ini_names_the_network_source(self):
        cases = [  # (arguments, PORT value; {port} is the one the server took)
            (["--tcp", "0", "--write-ini", "tcp"], "tcp://127.0.0.1:{port}"),
            (["--tcp", "[::1]:0", "--write-ini", "tcp"], "tcp://[::1]:{port}"),
            (["--tcp", "0.0.0.0:0", "--udp", "127.0.0.1:10110", "--write-ini", "tcp"],
             "tcp://127.0.0.1:{port}"),
            (["--udp", "127.0.0.1:10110", "--write-ini", "udp"], "udp://:10110"),
            (["--udp", "[::1]:10111", "--write-ini", "udp"], "udp://[::]:10111"),
        ]
        ini = os.path.join(self.folder, "Tolm.ini")
        for args, value in cases:
            with self.subTest(args=args):
                if "::1" in " ".join(args) and not ipv6_loopback():
                    self.skipTest("no IPv6 loopback")
                with open(ini, "w") as f:
                    f.write(self.OLD)
                code, _, err = simtest.run(["--folder", self.folder, "--no-pty", "--duration",
                                            "0.3", "--baud", "38400"] + args)
                self.assertEqual(code, 0, err)
                served = simtest.SERVING.search(err)
                value = value.format(port=served and served[2])
                with open(ini) as f:
                    self.assertEqual(f.read(), self.KEPT + "PORT = %s\nRATE = 38400\n" % value)
                self.assertEqual(sorted(os.listdir(self.folder)), ["Tolm.ini"])

    def test_write_ini_alone_replaces_a_network_line(self):
        ini = os.path.join(self.folder, "Tolm.ini")
        with open(ini, "w") as f:
            f.write(self.OLD)
        code, _, err = simtest.run(["--folder", self.folder, "--port", "3", "--write-ini",
                                    "--udp", "127.0.0.1:10110", "--duration", "0.3", "--quiet"])
        self.assertEqual((code, err), (0, ""))
        with open(ini) as f:
            self.assertEqual(f.read(), self.KEPT + "PORT = COM3\nRATE = 9600\n")
        self.assertEqual(os.listdir(self.folder), ["Tolm.ini"])  # the link went at the end


if __name__ == "__main__":
    unittest.main()
