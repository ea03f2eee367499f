"""The simulated GPS receiver's command (python3 tools/nmea_sim ...): NMEA 0183 on a
pseudo-terminal linked as COMn beside the viewer, and on TCP and UDP if asked, at a real
receiver's pace, from a generated drive or a replayed log."""

import argparse
import copy
import datetime
import math
import os
import random
import signal
import sys
import time

# Run as a folder, the package's own folder is on the path, not the one that holds it.
sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.realpath(__file__))))

from nmea_sim import drive as drive_model  # noqa: E402
from nmea_sim import faults as fault_kinds  # noqa: E402
from nmea_sim import net, port, replay, sentences  # noqa: E402

NAME = "nmea_sim"
DEFAULT_START = (48.1173, 11.5167)
DEFAULT_BAUD = 9600
BAUD_RANGE = (4800, 115200)
STANDARD_BAUDS = (4800, 9600, 19200, 38400, 57600, 115200)
RATE_RANGE = (0.5, 10.0)
PORT_RANGE = (1, 255)
SECONDS_RANGE = (0.001, 1e9)
# At the end the reader gets this long to take what is still queued in the port.
DRAIN_S = 2.0
PROGRESS_EVERY_S = 5.0

DESCRIPTION = """\
Simulated GPS receiver. It makes a pseudo-terminal, links it as COMn in the viewer's
folder (the folder that holds the viewer and its Tolm.ini) and sends NMEA 0183 into it at
a real receiver's pace, until stopped with Ctrl-C (or SIGTERM) or until --duration or the
end of a replay. On exit it removes the link again.

Generated drive (the default): a car in town that starts, cruises at about 50 km/h,
slows for turns, stops at red lights and now and then loses the fix for a while (the
receiver then sends status V with empty fields). Every epoch carries RMC, GGA and GSV.
Replay (--replay FILE): any NMEA log, paced by the time stamps in its RMC and GGA
sentences or at a fixed number of lines a second.

While the viewer has not opened the port, or does not keep up, the port keeps at most
2 KB; older bytes are thrown away, as on a serial line nobody reads.

Network (beside the pseudo-terminal or standard output, or instead of it with --no-pty):
the same bytes at the same moments go to every client of a TCP server (--tcp) and as UDP
datagrams to one address (--udp). A TCP client gets the stream from the first whole line
after it connects; a client that does not keep up loses old bytes beyond 4 KB, and never
holds up the others. Each datagram holds whole lines, at most 1472 bytes. Unless --quiet,
a line 'nmea_sim: serving tcp://HOST:PORT' on standard error names the server's
address, with the port taken when 0 was asked. SIGUSR1 takes the TCP server away (its
clients' connections closed) and, sent again, brings it back on the same address; SIGUSR2
does the same with the connections reset."""

EPILOG = """\
examples:
  %(prog)s --folder DIR --write-ini     a drive on DIR/COM1, with DIR/Tolm.ini set to it
  %(prog)s --rate-hz 5 --baud 38400 --cross equator
  %(prog)s --replay tests/data/nmea/bt451.log --loop --port 3
  %(prog)s --faults noise,cut,nul,absurd --fault-every 5
  %(prog)s --duration 60 --stdout --no-pace > drive.nmea
  %(prog)s --no-pty --tcp 0 --folder DIR --write-ini tcp
                                        a drive on a free TCP port, with DIR/Tolm.ini set to it
  %(prog)s --tcp [::1]:10110 --udp 192.168.1.255:10110
                                        the pty, a TCP server on IPv6 loopback and broadcasts

exit status: 0 when stopped, done, or after a 'hangup' fault (which also closes the TCP
server and its clients); 2 for bad arguments, for a --tcp address that cannot be listened
on, or when COMn in the folder is something other than a link this tool made (a user's
file, a link to a real serial device), which it never replaces."""


class Stop(Exception):
    """SIGINT, SIGTERM or SIGHUP arrived."""


# --- arguments -----------------------------------------------------------------------------

def number_in(low, high, kind=float, what="value"):
    def parse(text):
        try:
            value = kind(text)
        except ValueError:
            raise argparse.ArgumentTypeError("%r is not a number" % text) from None
        if not (low <= value <= high) or (kind is float and math.isnan(value)):
            raise argparse.ArgumentTypeError("%s must be %s..%s, not %s" % (what, low, high, text))
        return value
    return parse


def position(text):
    parts = text.split(",")
    try:
        lat, lon = (float(p) for p in parts)
    except ValueError:
        raise argparse.ArgumentTypeError(
            "%r is not LAT,LON in decimal degrees (for example -33.86,151.21)" % text) from None
    if not (-90.0 <= lat <= 90.0) or not (-180.0 <= lon <= 180.0):
        raise argparse.ArgumentTypeError(
            "%r is off the globe: latitude -90..90, longitude -180..180" % text)
    return lat, lon


def start_time(text):
    try:
        when = datetime.datetime.fromisoformat(text)
    except ValueError:
        raise argparse.ArgumentTypeError(
            "%r is not an ISO date and time (for example 2024-05-01T12:00:00Z)" % text) from None
    if when.tzinfo is None:
        return when  # taken as UTC
    return when.astimezone(datetime.timezone.utc).replace(tzinfo=None)


def fault_list(text):
    kinds = [k.strip() for k in text.split(",") if k.strip()]
    unknown = [k for k in kinds if k not in fault_kinds.KINDS]
    if unknown or not kinds:
        raise argparse.ArgumentTypeError("unknown fault %r; choose from %s"
                                         % (",".join(unknown) or text, ",".join(fault_kinds.KINDS)))
    return kinds


def address(lowest_port):
    def parse(text):
        try:
            return net.parse_address(text, "127.0.0.1", lowest_port)
        except ValueError as error:
            raise argparse.ArgumentTypeError(str(error)) from None
    return parse


def make_parser():
    parser = argparse.ArgumentParser(
        prog="python3 tools/nmea_sim", description=DESCRIPTION,
        epilog=EPILOG, formatter_class=argparse.RawDescriptionHelpFormatter, allow_abbrev=False)
    out = parser.add_argument_group("port and line")
    out.add_argument("--folder", metavar="DIR", default=".",
                     help="folder to put the COMn link in (default: the current folder)")
    out.add_argument("--port", metavar="N", type=number_in(*PORT_RANGE, int, "port"), default=1,
                     help="link name COMn (default: 1, so COM1)")
    out.add_argument("--write-ini", nargs="?", const="pty", choices=("pty", "tcp", "udp"),
                     metavar="tcp|udp",
                     help="set PORT and 'RATE = <baud>' in the folder's Tolm.ini (its other "
                          "lines stay): alone 'PORT = COMn'; with tcp the --tcp server, "
                          "'PORT = tcp://HOST:PORT' (the port taken); with udp 'PORT = "
                          "udp://:PORT', where the --udp datagrams arrive ('udp://[::]:PORT' "
                          "for IPv6)")
    out.add_argument("--stdout", action="store_true",
                     help="write the stream to standard output instead of a pseudo-terminal")
    out.add_argument("--baud", type=number_in(*BAUD_RANGE, int, "baud"), default=DEFAULT_BAUD,
                     help="line speed %d..%d; bytes leave at baud/10 a second (default: %d)"
                          % (BAUD_RANGE + (DEFAULT_BAUD,)))
    out.add_argument("--no-pace", action="store_true",
                     help="write at once instead of in real time (for making logs with --stdout)")
    out.add_argument("--duration", metavar="SECONDS", type=number_in(*SECONDS_RANGE, float, "seconds"),
                     help="stop after this much stream time (default: until stopped)")
    out.add_argument("--quiet", action="store_true",
                     help="no start-up lines, progress or summary on standard error")

    web = parser.add_argument_group("network")
    web.add_argument("--tcp", metavar="[HOST:]PORT", type=address(0),
                     help="also serve the stream to every client of a TCP server on this "
                          "address; HOST is a name or an address, IPv6 in brackets "
                          "([::1]:10110), 127.0.0.1 when left out; port 0 takes a free one")
    web.add_argument("--udp", metavar="[HOST:]PORT", type=address(1),
                     help="also send the stream as UDP datagrams to this address (IPv4, IPv6 "
                          "in brackets, or a broadcast address; HOST 127.0.0.1 when left out)")
    web.add_argument("--no-pty", action="store_true",
                     help="no pseudo-terminal and no COMn link: the stream goes to the "
                          "network only")

    gen = parser.add_argument_group("generated drive")
    gen.add_argument("--rate-hz", metavar="HZ", type=number_in(*RATE_RANGE, float, "rate"), default=1.0,
                     help="epochs a second, %g..%g (default: 1)" % RATE_RANGE)
    gen.add_argument("--start", metavar="LAT,LON", type=position, default=DEFAULT_START,
                     help="start in signed decimal degrees, any hemisphere, e.g. "
                          "-33.86,-70.6 (default: %g,%g)" % DEFAULT_START)
    gen.add_argument("--start-time", metavar="ISO", type=start_time,
                     help="UTC date and time of the first epoch, e.g. 2024-05-01T12:00:00Z "
                          "(default: now)")
    gen.add_argument("--cross", choices=drive_model.CROSSINGS,
                     help="start near the equator, the prime meridian, the 180th meridian or "
                          "the nearest whole-degree corner, and drive across it within the "
                          "first minute")
    gen.add_argument("--random-state", metavar="N", type=int,
                     help="makes the drive (and the faults) the same on every run "
                          "(default: a new one each run, shown at start)")

    rep = parser.add_argument_group("replay")
    rep.add_argument("--replay", metavar="FILE",
                     help="send this NMEA log; '#' lines are skipped, all other bytes "
                          "(binary ones, line endings) go out as they are")
    rep.add_argument("--replay-rate", metavar="LINES_PER_SECOND",
                     type=number_in(0.01, 100000.0, float, "lines a second"),
                     help="pace by lines a second instead of by the log's time stamps")
    rep.add_argument("--loop", action="store_true", help="start again at the end of the log")

    bad = parser.add_argument_group("faults (for testing the viewer)")
    bad.add_argument("--faults", metavar="KINDS", type=fault_list, default=[],
                     help="comma-separated, from: noise (10..200 random bytes), cut (a "
                          "sentence broken off), nul (a NUL byte in a sentence), absurd "
                          "(nan, inf, hex floats, huge or negative numbers, correct "
                          "checksum), hangup (half a sentence, then the receiver is gone)")
    bad.add_argument("--fault-every", metavar="SECONDS", type=number_in(*SECONDS_RANGE, float, "seconds"),
                     default=10.0, help="one fault this often, of a kind picked at random (default: 10)")
    return parser


def joined_start(argv):
    """argparse takes '-33.86,-70.6' for an option, not for --start's value; join the two
    as --start=-33.86,-70.6 so that southern and western starts need no '='."""
    argv = list(sys.argv[1:] if argv is None else argv)
    for i, arg in enumerate(argv[:-1]):
        if arg == "--start" and argv[i + 1].startswith("-"):
            return argv[:i] + ["--start=" + argv[i + 1]] + argv[i + 2:]
    return argv


def parse_args(argv):
    parser = make_parser()
    args = parser.parse_args(joined_start(argv))
    if args.write_ini == "pty" and args.stdout:
        parser.error("--write-ini sets up a port; it does not go with --stdout")
    if args.write_ini == "pty" and args.no_pty:
        parser.error("--write-ini alone names the COMn port, which --no-pty does not make; "
                     "use --write-ini tcp or --write-ini udp")
    for kind in ("tcp", "udp"):
        if args.write_ini == kind and getattr(args, kind) is None:
            parser.error("--write-ini %s needs --%s" % (kind, kind))
    if args.no_pty and args.tcp is None and args.udp is None:
        parser.error("--no-pty needs --tcp or --udp, or nothing would be sent")
    return parser, args


# --- the two sources -----------------------------------------------------------------------

def say(args, text):
    if not args.quiet:
        warn(text)


def warn(text):
    try:
        print("%s: %s" % (NAME, text), file=sys.stderr, flush=True)
    except OSError:
        pass  # the terminal has gone (SIGHUP); nobody is there to read it


def speed_warning(epoch_bytes, rate_hz, baud):
    """A warning when one epoch takes longer on the line than the time between epochs."""
    if epoch_bytes * 10.0 / baud <= 1.0 / rate_hz:
        return None
    enough = [b for b in STANDARD_BAUDS if epoch_bytes * 10.0 * rate_hz * 1.15 <= b]
    advice = ("--baud %d or more carries them all" % enough[0] if enough
              else "no line speed up to %d carries them all" % BAUD_RANGE[1])
    return ("at %d baud an epoch of %d bytes takes %.2f s, longer than the %.2f s between "
            "epochs at %g Hz; epochs that would start while the line is busy are dropped, "
            "as a real receiver drops them; %s"
            % (baud, epoch_bytes, epoch_bytes * 10.0 / baud, 1.0 / rate_hz, rate_hz, advice))


def run_drive(args, drive, faults, line, clock, t0):
    """Sends epochs until the duration is reached; True when a hang-up fault ended it."""
    while True:
        offset = drive.index / args.rate_hz
        if args.duration is not None and offset >= args.duration - 1e-9:
            return False
        clock.sleep_until(t0 + offset)
        lines, hang_up = faults.apply(offset, sentences.epoch_sentences(drive.epoch()))
        line.send(b"".join(lines))
        if hang_up:
            return True
        # A line too slow for the rate: epochs due while it is still busy are never sent.
        following = math.ceil((line.free_at - t0) * args.rate_hz - 1e-6)
        for _ in range(max(drive.index + 1, following) - drive.index):
            drive.advance()


class Progress:
    def __init__(self, args, total):
        self.args = args
        self.total = total
        self.next_report = time.monotonic() + PROGRESS_EVERY_S

    def update(self, sent, passes):
        if self.args.quiet or time.monotonic() < self.next_report:
            return
        self.next_report = time.monotonic() + PROGRESS_EVERY_S
        say(self.args, "replay %d%% (%d of %d lines)%s" % (
            100 * sent // self.total, sent, self.total,
            ", pass %d" % (passes + 1) if self.args.loop else ""))


def run_replay(args, chunks, delays, faults, line, clock, t0):
    """Sends the log once or in a loop; True when a hang-up fault ended it."""
    total = sum(len(c.lines) for c in chunks)
    progress = Progress(args, total)
    gap = next((d for d in reversed(delays) if d > 0.0), replay.DEFAULT_INTERVAL_S)
    start = t0
    passes = 0
    while True:
        sent = 0
        for i, chunk in enumerate(chunks):
            if i or passes:
                # The next epoch follows the start of the last one by the log's interval,
                # or follows the line when that was still busy.
                start = max(start + (delays[i] if i else gap), line.free_at)
            offset = start - t0
            if args.duration is not None and offset >= args.duration - 1e-9:
                return False
            clock.sleep_until(start)
            lines, hang_up = faults.apply(offset, chunk.lines)
            line.send(b"".join(lines))
            if hang_up:
                return True
            sent += len(chunk.lines)
            progress.update(sent, passes)
        passes += 1
        if not args.loop:
            return False


def load_replay(parser, args):
    try:
        with open(args.replay, "rb") as log:
            data = log.read()
    except OSError as error:
        parser.error("cannot read %s: %s" % (args.replay, error.strerror))
    lines = replay.split_lines(data)
    if not lines:
        parser.error("%s holds nothing to send (only '#' lines, or empty)" % args.replay)
    if args.replay_rate is not None:
        chunks = replay.by_line(lines)
        return chunks, [0.0] + [1.0 / args.replay_rate] * (len(chunks) - 1)
    chunks = replay.by_time(lines)
    return chunks, replay.delays(chunks)


# --- main ----------------------------------------------------------------------------------

def on_signal(signum, frame):
    raise Stop()


def open_port(parser, args):
    """The sinks, as one, and the COMn link (None without a pty). Whatever goes wrong on
    the way, a signal included, closes what was opened and takes the link away again."""
    sink = port.Fanout([])
    link = None
    sources = {}
    try:
        if args.stdout:
            sink.sinks.append(port.StdoutSink())
        elif not args.no_pty:
            pty = port.PtySink()
            sink.sinks.append(pty)
            link, replaced = port.link_port(args.folder, args.port, pty.name)
            sources["pty"] = "COM%d" % args.port
            say(args, "COM%d in %s -> %s%s" % (
                args.port, os.path.abspath(args.folder), pty.name,
                " (it replaces the old link to %s)" % replaced if replaced else ""))
        if args.tcp is not None:
            server = net.TcpServer(*args.tcp)
            sink.sinks.append(server)
            signal.signal(signal.SIGUSR1, lambda *_: server.toggle())
            signal.signal(signal.SIGUSR2, lambda *_: server.toggle(reset=True))
            sources["tcp"] = server.reachable_url()
            say(args, "serving %s" % server.name)
        if args.udp is not None:
            sender = net.UdpSender(*args.udp)
            sink.sinks.append(sender)
            sources["udp"] = sender.listener_url()
            say(args, "sending datagrams to %s" % sender.name)
        if args.write_ini:
            path = port.write_settings(args.folder, sources[args.write_ini], args.baud)
            say(args, "%s: PORT = %s, RATE = %d" % (path, sources[args.write_ini], args.baud))
    except BaseException as error:
        close_port(sink, link)
        if isinstance(error, (port.LinkError, net.AddressError)):
            parser.error(str(error))
        if isinstance(error, OSError):
            parser.error("cannot write %s: %s" % (error.filename, error.strerror))
        raise
    return sink, link


def close_port(sink, link):
    sink.close()
    if link is not None:
        port.unlink_port(link, sink.sinks[0].name)


def main(argv=None):
    parser, args = parse_args(argv)
    if args.replay is not None:
        chunks, delays = load_replay(parser, args)
    state = args.random_state
    if state is None:
        state = random.SystemRandom().randrange(1000000)
    faults = fault_kinds.Faults(args.faults, args.fault_every, random.Random("faults %d" % state))
    clock = port.VirtualClock() if args.no_pace else port.RealClock()

    signals = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)
    for s in signals:
        signal.signal(s, on_signal)
    try:
        sink, link = open_port(parser, args)
    except Stop:
        return 0
    line = port.Line(sink, clock, args.baud)
    hung_up = stopped = False
    try:
        if args.replay is not None:
            say(args, "replaying %s (%d lines, paced by %s) at %d baud%s" % (
                args.replay, sum(len(c.lines) for c in chunks),
                "%g lines a second" % args.replay_rate if args.replay_rate else "its time stamps",
                args.baud, ", in a loop" if args.loop else ""))
            hung_up = run_replay(args, chunks, delays, faults, line, clock, clock.now())
        else:
            hung_up = run_generated(args, state, faults, line, clock)
    except Stop:
        stopped = True
    except BrokenPipeError:
        stopped = True  # the reader of standard output has gone
        os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
    finally:
        # A second Ctrl-C must not cut the clean-up short and leave the link behind.
        for s in signals:
            signal.signal(s, signal.SIG_IGN)
        if not stopped:
            sink.drain(DRAIN_S)
        close_port(sink, link)
    if hung_up:
        say(args, "hung up in the middle of a sentence, as a receiver that is unplugged")
    for text in sink.losses():
        say(args, text)
    return 0


def run_generated(args, state, faults, line, clock):
    lat, lon = args.start
    heading = None
    if args.cross:
        lat, lon, heading = drive_model.crossing_start(args.cross, lat, lon)
    when = args.start_time
    if when is None:
        # Now, at the next whole second, and the first epoch waits for that second so that
        # the time stamps are the true UTC time.
        now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
        when = (now + datetime.timedelta(seconds=1)).replace(microsecond=0)
        t0 = clock.now() + (0.0 if clock.virtual else (when - now).total_seconds())
    else:
        t0 = clock.now()
    drive = drive_model.Drive(random.Random(state), lat, lon, when, args.rate_hz,
                              heading=heading, cross=args.cross is not None)
    # Measured on a copy: the drive's own random numbers stay untouched.
    epoch_bytes = len(b"".join(sentences.epoch_sentences(copy.deepcopy(drive).epoch())))
    warning = speed_warning(epoch_bytes, args.rate_hz, args.baud)
    if warning:
        warn(warning)
    say(args, "generated drive from %.5f,%.5f%s at %g Hz, %d baud, random state %d "
              "(--random-state %d repeats it)%s"
        % (lat, lon, " across the %s" % args.cross if args.cross else "", args.rate_hz,
           args.baud, state, state, "" if args.duration else "; Ctrl-C stops"))
    return run_drive(args, drive, faults, line, clock, t0)


if __name__ == "__main__":
    sys.exit(main())
