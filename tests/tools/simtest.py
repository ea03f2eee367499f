"""What the simulated receiver's tests share: the viewer's way of reading sentences, and the tool run."""

import os
import pathlib
import re
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time
import tty
import unittest

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# The simulated receiver in tools/, and the harness and the long run in tests/.
sys.path[:0] = [os.path.join(SOURCE, "tools"), os.path.join(SOURCE, "tests")]
FIXED_TIME = "2024-05-01T12:00:00Z"

# The viewer's patterns (gps/nmea_reader.cpp), each scanned from 4 characters after the sentence
# name. sscanf never gives back a character it took: each conversion is an atomic group.
PATTERNS = {"RMC": "%2d%2d%f,%c,%f,%c,%f,%c,%f,%f,%2d%2d%2d", "GGA": "%2d%2d%f,%f,%c,%f,%c,%d,%d,%f,%f",
            "GSV": "%d,%d,%d"}
CONVERSIONS = {"%d": r"\s*+([+-]?\d++)", "%2d": r"\s*+([+-]?\d{1,2}+)", "%c": "(.)",
               "%f": r"\s*+([+-]?(?>\d+\.?\d*|\.\d+)(?>[eE][+-]?\d+)?+)"}


# {name: the values sscanf converts (%c as text, numbers as float), or None when it stops early}
# for each of RMC, GGA and GSV in one read of `data` (up to a NUL), scanned where the name first appears.
def viewer_reads(data):
    text, result = data.split(b"\0")[0].decode("latin-1"), {}
    for name, pattern in PATTERNS.items():
        found = name in text and re.match(re.sub("%2?.", lambda c: CONVERSIONS[c[0]], pattern),
                                          text[text.find(name) + 4:], re.S)
        letters = [c == "%c" for c in re.findall("%2?.", pattern)]
        result[name] = found and [v if letter else float(v) for letter, v in zip(letters, found.groups())] or None
    return result


def rmc_seconds(data):
    return [int(h) * 3600 + int(m) * 60 + float(s) for h, m, s in re.findall(rb"RMC,(\d\d)(\d\d)(\d\d\.\d\d)", data)]


def start(args):
    return subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools", "nmea_sim"), *map(str, args)],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)


# (exit status, standard output bytes, standard error text) once it has ended after `signum`.
def stop(process, signum=signal.SIGTERM, timeout=10):
    if signum and process.poll() is None:
        process.send_signal(signum)
    out, err = process.communicate(timeout=timeout)
    return process.returncode, out, err.decode()


def run(args):
    return stop(start(args), None, 30)


# {fd: [(arrival time, bytes)]} of the reads within `seconds` or until every fd has ended (a
# hang-up or a close), and the set of those that ended.
def read_timed(fds, seconds):
    pieces, ended, deadline = {fd: [] for fd in fds}, set(), time.monotonic() + seconds
    while len(ended) < len(fds) and time.monotonic() < deadline:
        for fd in select.select(set(fds) - ended, [], [], max(0.0, deadline - time.monotonic()))[0]:
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


# [(first arrival, last arrival, bytes)] of reads that follow each other within `gap` seconds.
def bursts(pieces, gap):
    groups = []
    for at, data in pieces:
        if groups and at - groups[-1][1] <= gap:
            groups[-1] = (groups[-1][0], at, groups[-1][2] + data)
        else:
            groups.append((at, at, data))
    return groups


class Case(unittest.TestCase):
    def setUp(self):
        self.folder = self.enterContext(tempfile.TemporaryDirectory(prefix="nmea-sim-"))

    def path(self, name="COM1", data=None):
        if data is not None:
            pathlib.Path(self.folder, name).write_bytes(data)
        return os.path.join(self.folder, name)

    # The tool in the folder, once its link (when it makes one) names a pseudo-terminal.
    def start(self, *args, link="COM1"):
        process = start(["--folder", self.folder, *args])
        self.addCleanup(lambda: process.poll() is None and stop(process, signal.SIGKILL))
        deadline = time.monotonic() + 10
        while link and not (os.path.islink(self.path(link)) and os.path.exists(self.path(link))):
            if process.poll() is not None or time.monotonic() > deadline:
                self.fail("no link %s: %s" % (link, stop(process)[2]))
            time.sleep(0.02)
        return process

    # The port as the viewer opens it: no controlling terminal, raw (or in the receiver's mode),
    # nothing old waiting.
    def open_port(self, name="COM1", raw=True):
        fd = os.open(self.path(name), os.O_RDWR | os.O_NOCTTY)
        self.addCleanup(os.close, fd)
        if raw:
            tty.setraw(fd)
        termios.tcflush(fd, termios.TCIFLUSH)
        return fd

    # (host, port) of the --tcp server, from the tool's 'serving tcp://' line.
    def served_address(self, process):
        text, found = "", None
        while not found and select.select([process.stderr], [], [], 10)[0]:
            piece = os.read(process.stderr.fileno(), 4096).decode()
            text, found = text + piece, re.search(r"serving tcp://(\S+):(\d+)\n", text + piece)
            self.assertTrue(piece, text)
        self.assertTrue(found, text)
        return found[1].strip("[]"), int(found[2])
