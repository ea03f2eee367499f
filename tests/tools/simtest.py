"""Shared helpers of the simulated receiver's tests: where the tool is, the viewer's way of
reading RMC, GGA and GSV (sscanf patterns, single-precision numbers), and running the
tool on a pseudo-terminal."""

import math
import os
import re
import select
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.normpath(os.path.join(HERE, "..", ".."))
TOOLS = os.path.join(SOURCE, "tools")
# The simulated receiver's command: python3 tools/nmea_sim.
NMEA_SIM = os.path.join(TOOLS, "nmea_sim")
sys.path.insert(0, TOOLS)

# The viewer's patterns, each scanned from 4 characters after the sentence name.
RMC_PATTERN = "%2d%2d%f,%c,%f,%c,%f,%c,%f,%f,%2d%2d%2d"
GGA_PATTERN = "%2d%2d%f,%f,%c,%f,%c,%d,%d,%f,%f"
GSV_PATTERN = "%d,%d,%d"

# What a C reader takes as a floating-point number (strtod's forms).
C_FLOAT = re.compile(
    r"[+-]?(?:nan(?:\([0-9A-Za-z_]*\))?|inf(?:inity)?"
    r"|0x(?:[0-9a-f]+\.?[0-9a-f]*|\.[0-9a-f]+)(?:p[+-]?\d+)?"
    r"|(?:\d+\.?\d*|\.\d+)(?:e[+-]?\d+)?)", re.IGNORECASE)
FLOAT32_MAX = 3.4028234663852886e38
SPACE = " \t\n\v\f\r"


def c_float(text):
    """A number as strtod reads it, or None."""
    text = text.lower()
    sign = -1.0 if text.startswith("-") else 1.0
    body = text.lstrip("+-")
    if body.startswith("nan"):
        return math.nan
    if body.startswith("inf"):
        return sign * math.inf
    if body.startswith("0x"):
        if "p" not in body:
            body += "p0"
        return sign * float.fromhex(body)
    return sign * float(body)


def single(value):
    """The value rounded to single precision, as %f into a float gives it."""
    if math.isnan(value) or math.isinf(value):
        return value
    if abs(value) > FLOAT32_MAX:
        return math.copysign(math.inf, value)
    return struct.unpack("f", struct.pack("f", value))[0]


def scan(pattern, text):
    """The values sscanf(text, pattern) converts before it stops, for the directives the
    viewer uses: %d, %2d, %f, %c and literal characters."""
    values = []
    at = 0
    i = 0
    while i < len(pattern):
        char = pattern[i]
        if char != "%":
            if at >= len(text) or text[at] != char:
                return values
            at += 1
            i += 1
            continue
        match = re.match(r"%(\d*)([dfc])", pattern[i:])
        width = int(match[1]) if match[1] else None
        kind = match[2]
        i += len(match[0])
        if kind == "c":
            if at >= len(text):
                return values
            values.append(text[at])
            at += 1
            continue
        while at < len(text) and text[at] in SPACE:
            at += 1
        field = text[at:at + width] if width else text[at:]
        if kind == "d":
            number = re.match(r"[+-]?\d+", field)
            if not number:
                return values
            value = int(number[0])
            values.append((value + 2**31) % 2**32 - 2**31)
        else:
            number = C_FLOAT.match(field)
            if not number:
                return values
            values.append(single(c_float(number[0])))
        at += len(number[0])
    return values


def zero_fix():
    return {"hour": 0, "minute": 0, "second": 0, "status": "\0", "latitude": 0.0, "ns": "\0",
            "longitude": 0.0, "ew": "\0", "speed": 0.0, "course": 0.0, "day": 0, "month": 0,
            "year": 0, "fixQuality": 0, "satsUsed": 0, "altitude": 0.0, "satsInView": 0}


def viewer_fix(data):
    """The current fix the viewer holds after reading `data` in one read."""
    text = data.split(b"\0")[0].decode("latin-1")
    fix = zero_fix()
    at = text.find("RMC")
    if at >= 0:
        values = scan(RMC_PATTERN, text[at + 4:])
        direct = {0: "hour", 1: "minute", 3: "status", 5: "ns", 7: "ew", 10: "day",
                  11: "month", 12: "year"}
        for index, name in direct.items():
            if index < len(values):
                fix[name] = values[index]
        if len(values) == 13:
            fix["second"] = int(values[2])
            fix["latitude"], fix["longitude"] = values[4], values[6]
            fix["speed"], fix["course"] = values[8], values[9]
            fix["year"] += 2000
    at = text.find("GGA")
    if at >= 0:
        values = scan(GGA_PATTERN, text[at + 4:])
        if len(values) == 11:
            fix["fixQuality"], fix["satsUsed"], fix["altitude"] = values[7], values[8], values[10]
    at = text.find("GSV")
    if at >= 0:
        values = scan(GSV_PATTERN, text[at + 4:])
        if len(values) == 3:
            fix["satsInView"] = values[2]
    return fix


# --- running the tool ----------------------------------------------------------------------

def run(args, timeout=30, **kwargs):
    """The tool run to its end: (exit status, standard output bytes, standard error text)."""
    done = subprocess.run([sys.executable, NMEA_SIM] + list(args), capture_output=True,
                          timeout=timeout, **kwargs)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


def start(args):
    return subprocess.Popen([sys.executable, NMEA_SIM] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)


def wait_for_link(path, process, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.islink(path):
            return os.readlink(path)
        if process.poll() is not None:
            raise AssertionError("the receiver ended early: %s" % process.stderr.read().decode())
        time.sleep(0.02)
    raise AssertionError("no link %s after %.0f s" % (path, timeout))


def open_port(path, raw=True):
    """The port as the viewer opens it: read and write, no controlling terminal, raw (or
    in whatever mode the receiver left it), nothing old waiting."""
    import termios
    import tty
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    if raw:
        tty.setraw(fd)
    termios.tcflush(fd, termios.TCIFLUSH)
    return fd


def read_timed(fd, seconds):
    """(arrival time, bytes) of each read within `seconds`, until then or a hang-up."""
    pieces = []
    deadline = time.monotonic() + seconds
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return pieces, False
        ready, _, _ = select.select([fd], [], [], left)
        if not ready:
            continue
        try:
            data = os.read(fd, 4096)
        except OSError:
            return pieces, True
        if not data:
            return pieces, True
        pieces.append((time.monotonic(), data))


def stop(process, signum=None):
    import signal
    if process.poll() is None:
        process.send_signal(signum or signal.SIGTERM)
    try:
        out, err = process.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
    return process.returncode, out, err.decode("utf-8", "replace")


SERVING = re.compile(r"serving tcp://(\[[^\]]+\]|[^:\s]+):(\d+)")


def served_address(process, timeout=10.0):
    """(host, port) of the receiver's --tcp server, from its 'serving tcp://' line."""
    text = b""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = SERVING.search(text.decode("utf-8", "replace"))
        if found:
            return found[1].strip("[]"), int(found[2])
        ready, _, _ = select.select([process.stderr], [], [], deadline - time.monotonic())
        piece = os.read(process.stderr.fileno(), 4096) if ready else b""
        if ready and not piece:
            break
        text += piece
    raise AssertionError("no 'serving tcp://' line: %s" % text.decode("utf-8", "replace"))
