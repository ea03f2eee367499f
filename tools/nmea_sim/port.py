"""The receiver's end of the line: a pseudo-terminal linked as COMn in the viewer's folder
(or standard output), the fan-out to every sink, the pace of a serial line, and the viewer's
settings file."""

import fcntl
import os
import re
import struct
import termios
import time
import tty

PTS_LINK = re.compile(r"^/dev/pts/\d+$")
# The n_tty input queue holds 4095 bytes. When the viewer is not reading (not started yet,
# or busy), bytes beyond this are thrown away, as a serial port that is not open or not
# read loses what the receiver sends; the viewer then never reads stale fixes.
BACKLOG_LIMIT = 2048
# _IOR('T', 0x40, int): whether the tty is in exclusive mode (Linux 3.8 and later).
TIOCGEXCL = 0x80045440
EXCLUSIVE_CHECK_S = 1.0
SLICE_S = 0.01


class LinkError(Exception):
    """The COMn link cannot be made; the message says why."""


# --- the COMn link -------------------------------------------------------------------------

def own_link_target(path):
    """The pseudo-terminal an existing link at path points to when it is one this tool
    makes (a symbolic link to /dev/pts/N); None for anything else."""
    try:
        target = os.readlink(path)
    except OSError:
        return None
    return target if PTS_LINK.match(target) else None


def describe(path):
    if os.path.islink(path):
        return "a link to %s" % os.readlink(path)
    if os.path.isdir(path):
        return "a folder"
    return "a file"


def link_port(folder, port, target):
    """Links folder/COMn to target. Only a link this tool made may be replaced: a user's
    file, or a link to a real serial device, stays and LinkError says so.
    Returns (path, target of the link it replaced or None)."""
    if not os.path.isdir(folder):
        raise LinkError("folder %s does not exist" % folder)
    path = os.path.join(folder, "COM%d" % port)
    try:
        os.symlink(target, path)
        return path, None
    except FileExistsError:
        pass
    except OSError as error:
        raise LinkError("cannot make the link %s: %s" % (path, error.strerror)) from None
    old = own_link_target(path)
    if old is None:
        raise LinkError("%s is %s, not a link to a pseudo-terminal made by this tool; "
                        "it stays as it is (choose another --port or --folder)"
                        % (path, describe(path)))
    temporary = "%s.nmea_sim-%d" % (path, os.getpid())
    try:
        os.symlink(target, temporary)
        os.replace(temporary, path)
    except OSError as error:
        raise LinkError("cannot replace the link %s: %s" % (path, error.strerror)) from None
    return path, old


def unlink_port(path, target):
    """Removes the link, but only while it still points to our own pseudo-terminal: another
    receiver started later may have taken the name over."""
    try:
        if os.readlink(path) == target:
            os.unlink(path)
    except OSError:
        pass


# --- the settings file ---------------------------------------------------------------------

# The lines the viewer takes as settings: PORT at the very start of a line, then '=' with
# any white space (or none) around it, then the source (COMn, a device path, tcp://, udp://,
# gpsd://); "RATE = %d" read by sscanf, where a blank matches any white space and %d skips
# white space before its digits.
PORT_SETTING = re.compile(rb"PORT\s*=")
RATE_SETTING = re.compile(rb"RATE\s*=\s*[+-]?\d")


def write_settings(folder, source, baud):
    """Sets 'PORT = source' (COMn, tcp://HOST:PORT, ...) and RATE in folder/Tolm.ini; other
    lines of an existing file stay."""
    path = os.path.join(folder, "Tolm.ini")
    try:
        with open(path, "rb") as old:
            lines = old.read().splitlines(keepends=True)
    except FileNotFoundError:
        lines = []
    kept = [line for line in lines if not (PORT_SETTING.match(line) or RATE_SETTING.match(line))]
    if kept and not kept[-1].endswith(b"\n"):
        kept[-1] += b"\n"
    with open(path, "wb") as new:
        new.write(b"".join(kept) + b"PORT = %s\nRATE = %d\n" % (source.encode(), baud))
    return path


# --- clocks --------------------------------------------------------------------------------

class RealClock:
    virtual = False

    def now(self):
        return time.monotonic()

    def sleep_until(self, moment):
        wait = moment - time.monotonic()
        if wait > 0.0:
            time.sleep(wait)


class VirtualClock:
    """Stream time without waiting (--no-pace): the same schedule, written at once."""
    virtual = True

    def __init__(self):
        self.moment = 0.0

    def now(self):
        return self.moment

    def sleep_until(self, moment):
        self.moment = max(self.moment, moment)


# --- where the bytes go --------------------------------------------------------------------

def write_all(fd, data):
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


class StdoutSink:
    name = "standard output"

    def write(self, data):
        write_all(1, data)

    def drain(self, timeout):
        pass

    def close(self):
        pass


class Fanout:
    """The same bytes at the same moments to every sink: the pty or standard output first,
    then the network."""

    def __init__(self, sinks):
        self.sinks = sinks

    def write(self, data):
        for sink in self.sinks:
            sink.write(data)

    def drain(self, timeout):
        deadline = time.monotonic() + timeout
        for sink in self.sinks:
            sink.drain(max(0.0, deadline - time.monotonic()))

    def close(self):
        for sink in self.sinks:
            sink.close()

    def losses(self):
        return [text for text in (getattr(s, "losses", lambda: None)() for s in self.sinks)
                if text]


def queued(fd):
    return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]


class PtySink:
    """A pseudo-terminal whose slave end the viewer opens as its serial port.
    We keep a slave descriptor of our own open, so the master can be written before the
    viewer opens the port and after it closes it, and the slave stays in raw mode."""

    def __init__(self):
        self.master, self.slave = os.openpty()
        self.name = os.ttyname(self.slave)
        tty.setraw(self.slave)
        flags = fcntl.fcntl(self.master, fcntl.F_GETFL)
        fcntl.fcntl(self.master, fcntl.F_SETFL, flags | os.O_NONBLOCK)
        self.discarded = 0
        self.next_exclusive_check = 0.0
        self.viewer = None

    def write(self, data):
        view = memoryview(data)
        while view:
            self.housekeeping()
            try:
                view = view[os.write(self.master, view):]
            except BlockingIOError:
                # Nobody reads and the queue is full: a real line would lose these bytes.
                self.discard()
                time.sleep(0.005)

    def discard(self):
        self.discarded += queued(self.slave)
        termios.tcflush(self.slave, termios.TCIFLUSH)

    def housekeeping(self):
        if queued(self.slave) > BACKLOG_LIMIT:
            self.discard()
        # What the slave side sends back (an XOFF, an echo if the viewer left echo on)
        # would fill the master's input in the end; nobody needs it.
        try:
            while os.read(self.master, 4096):
                pass
        except (BlockingIOError, OSError):
            pass
        if time.monotonic() >= self.next_exclusive_check:
            self.next_exclusive_check = time.monotonic() + EXCLUSIVE_CHECK_S
            self.release_exclusive()

    def release_exclusive(self):
        """The viewer opens the port exclusively (TIOCEXCL). A pseudo-terminal keeps that
        mode while its master is open, even after the viewer has closed the port, and then
        nobody but root could open the port again. Clear the mode once no other process
        has the port open."""
        try:
            exclusive = struct.unpack("i", fcntl.ioctl(self.slave, TIOCGEXCL, b"\0\0\0\0"))[0]
        except OSError:
            return
        if not exclusive:
            return
        self.viewer = holder_of(self.name, self.viewer)
        if self.viewer is None:
            fcntl.ioctl(self.slave, termios.TIOCNXCL)

    def drain(self, timeout):
        """Gives the reader up to `timeout` seconds to take what is still queued; closing
        the master throws queued bytes away. Nobody to wait for when no one has the port open."""
        if holder_of(self.name, self.viewer) is None:
            return
        deadline = time.monotonic() + timeout
        time.sleep(0.05)
        while queued(self.slave) > 0 and time.monotonic() < deadline:
            time.sleep(0.05)

    def losses(self):
        if self.discarded:
            return "%d bytes were thrown away while nobody read the port" % self.discarded
        return None

    def close(self):
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


def holds(pid, device):
    folder = "/proc/%s/fd" % pid
    try:
        descriptors = os.listdir(folder)
    except OSError:
        return False
    for fd in descriptors:
        try:
            if os.readlink("%s/%s" % (folder, fd)) == device:
                return True
        except OSError:
            pass
    return False


def holder_of(device, likely=None):
    """A process other than this one that has the device open, or None (as far as /proc
    lets us see: processes of the same user, or all of them for root). The process found
    last time is looked at first, which spares scanning /proc while the viewer runs."""
    me = str(os.getpid())
    if likely is not None and holds(likely, device):
        return likely
    for pid in os.listdir("/proc"):
        if pid.isdigit() and pid != me and holds(pid, device):
            return pid
    return None


class Line:
    """A serial line at `baud`: 10 bits a byte (start, 8 data, stop), so baud/10 bytes a
    second. Data goes out in slices of about 10 ms, each at the moment its first byte
    would leave the receiver's UART."""

    def __init__(self, sink, clock, baud):
        self.sink = sink
        self.clock = clock
        self.bytes_per_s = baud / 10.0
        self.slice = max(1, int(self.bytes_per_s * SLICE_S))
        self.free_at = clock.now()

    def send(self, data):
        start = max(self.clock.now(), self.free_at)
        if self.clock.virtual:
            self.clock.sleep_until(start)
            self.sink.write(data)
        else:
            for at in range(0, len(data), self.slice):
                self.clock.sleep_until(start + at / self.bytes_per_s)
                self.sink.write(data[at:at + self.slice])
        self.free_at = start + len(data) / self.bytes_per_s
