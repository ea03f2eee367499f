#!/usr/bin/env python3
"""Plants faults in the program's code one at a time and runs the test suite against each:
a fault that no test catches is a hole in the suite. Every file is put back as it was, also
when the run is interrupted.

usage: tests/mutants/plant_faults.py [--build DIR] [--exclude REGEX] [--only NAME...] [--list]

Each fault replaces one piece of text that must stand exactly once in its file. The table
says, for each fault, whether the build still built, which tests failed, and how long it took.
Exit status: 0 when every fault was caught, 1 when one got through, 2 for a fault that no
longer applies (its text is gone, or the code with it does not build) or a build that fails
without any fault."""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))

# name, file, the text as it stands, the text with the fault. The speed thresholds compared
# with >= are no faults: speeds are read in single precision, no float equals 0.01 or 0.1 as a
# double, so > and >= agree on every input.
FAULTS = [
    ("year 1900", "gps/nmea_reader.cpp", "fix->year += 2000;", "fix->year += 1900;"),
    ("plot origin x", "view/track_plot.h",
     "PlotOriginX = 290;", "PlotOriginX = 291;"),
    ("plot scale", "view/track_plot.h", "PlotScale = 100.0;", "PlotScale = 99.0;"),
    ("plot left edge", "view/track_plot.h", "PlotLeftEdge = 100;", "PlotLeftEdge = 99;"),
    ("join limit 100", "view/track_plot.h", "PlotJoinLimit = 101;", "PlotJoinLimit = 100;"),
    ("join limit >=", "view/track_plot.cpp",
     "index > 0 && x > PlotJoinLimit", "index > 0 && x >= PlotJoinLimit"),
    ("end dot size", "view/track_plot.h", "PlotDotHalfSize = 3;", "PlotDotHalfSize = 2;"),
    ("compass inset", "view/compass.h", "CompassInset = 37;", "CompassInset = 36;"),
    ("compass needle length", "view/compass.h",
     "CompassNeedleLength = 25.0;", "CompassNeedleLength = 24.0;"),
    ("compass dial radius", "view/compass.h", "CompassDialRadius = 27;", "CompassDialRadius = 28;"),
    ("needle turned the other way", "view/compass.cpp",
     "(360.0 - course) * CompassDegreeToRadian", "course * CompassDegreeToRadian"),
    ("no cosine in the distance", "track/tick.cpp",
     "longitudeStep * std::cos(meanLatitude)", "longitudeStep * std::cos(0.0 * meanLatitude)"),
    ("no short way round the 180th meridian", "track/tick.cpp",
     "if (longitudeStep > MinutesAroundTheWorld / 2.0) longitudeStep -= MinutesAroundTheWorld;", ""),
    ("full store keeps its last point", "track/tick.cpp",
     "    state->points[TrackCapacity - 1] = state->current;\n", ""),
    ("first point's speed counts", "track/tick.cpp",
     "      StoreCurrentFix(&trackState);\n      RecordTrackFix(&trackState);\n    } else {",
     "      StoreCurrentFix(&trackState);\n      RecordTrackFix(&trackState);\n      AddStep(&trackState, 0.0);\n    } else {"),
    ("panel distance with two decimals", "view/info_panel.cpp", "S = %7.1f km", "S = %7.2f km"),
    ("panel year in two digits", "view/info_panel.cpp", "%02d.%02d.%04d", "%02d.%02d.%02d"),
    ("knots to km/h", "view/info_panel.h", "KnotsToKmh = 1.852;", "KnotsToKmh = 1.85;"),
    ("speed figure rounded", "view/info_panel.cpp",
     "TruncateToInt32(knots * KnotsToKmh, 0)", "TruncateToInt32(knots * KnotsToKmh + 0.5, 0)"),
    ("zoom in doubles", "view/zoom_buttons.cpp",
     "ZoomBy(window, surface, 0.5);", "ZoomBy(window, surface, 2.0);"),
    ("pan jumps back", "view/zoom_buttons.cpp",
     "std::int64_t{x} - trackState.panX", "std::int64_t{x}"),
    ("signed minutes ignore the south", "view/track_plot.cpp",
     "(hemisphere == 'S' || hemisphere == 'W')", "(hemisphere == 'W')"),
    ("default rate", "gps/settings.cpp", "DefaultBaudRate = 57600;", "DefaultBaudRate = 9600;"),
    ("default port", "gps/settings.cpp", "DefaultPortNumber = 7;", "DefaultPortNumber = 1;"),
    ("satellites in view from the wrong field", "gps/nmea_reader.cpp",
     'GsvPattern[] = "%d,%d,%d%n";', 'GsvPattern[] = "%d,%d%n,%d";'),
    ("read interval 100 ms", "gps/gps_port.cpp", "    1000,  // ReadIntervalTimeout",
     "    100,  // ReadIntervalTimeout"),
    ("ticks go on after a failed read", "track/tick.cpp",
     "    tickBusy = TickStopped;\n", "    tickBusy = TickIdle;\n"),
    ("log banner", "log/log_file.cpp", '"Kavro 1.0\\n"', '"Kavro 1.1\\n"'),
    ("a source value keeps its blanks", "gps/settings.cpp",
     "while (length > 0 && IsBlank(line[valueStart + static_cast<int>(length) - 1])) --length;", ""),
    ("a COM line leaves the source", "gps/settings.cpp", "      state->portSource[0] = L'\\0';\n", ""),
    # The platform the program stands on.
    ("a line keeps its last pixel", "platform/gdi/raster.cpp", "Int128 tHi = aMajor - 1;", "Int128 tHi = aMajor;"),
    ("PtInRect takes the right edge", "platform/gdi/dc.cpp", "point.x < rect->right", "point.x <= rect->right"),
    ("MoveToEx reports the new position", "platform/gdi/dc.cpp",
     "if (previous != nullptr) *previous = dc->position;\n  dc->position = {x, y};",
     "dc->position = {x, y};\n  if (previous != nullptr) *previous = dc->position;"),
    ("a selected object can be deleted", "platform/gdi/objects.cpp",
     "} else if (found->selections == 0) {", "} else if (found->selections == 0 || true) {"),
    ("centred text one pixel right", "platform/gdi/draw_text.cpp",
     "x = rect.left + (static_cast<long long>(rect.right) - rect.left - width) / 2;",
     "x = rect.left + (static_cast<long long>(rect.right) - rect.left - width) / 2 + 1;"),
    ("sharing ignored", "platform/kernel/share_registry.cpp",
     "return deniedBy(access, open.shareMode) || deniedBy(open.access, shareMode);",
     "return false && (deniedBy(access, open.shareMode) || deniedBy(open.access, shareMode));"),
    ("read interval halved", "platform/comm/read_port.cpp",
     "deadline = lastByte + plan.interval;", "deadline = lastByte + plan.interval / 2;"),
    ("rate 0 accepted", "platform/comm/comm_state.cpp", "if (dcb.BaudRate == 0 || dcb.BaudRate > kFastestRate",
     "if (dcb.BaudRate > kFastestRate"),
    ("an unplugged line is no hang-up", "platform/comm/serial_take.cpp",
     "if (errno == EIO || errno == ENODEV || errno == ENXIO) {", "if (errno == ENODEV || errno == ENXIO) {"),
    ("COMn ignores the folder's entry", "platform/comm/port_name.cpp",
     "if (lstat(candidate.c_str(), &info) == 0) {", "if (false && lstat(candidate.c_str(), &info) == 0) {"),
    ("port 65536 accepted", "platform/comm/source_name.cpp", "value <= 65535", "value <= 65536"),
    ("gpsd's replies after the first come through", "platform/comm/gpsd_filter.cpp",
     "        inReply_ = false;\n        atLineStart_ = true;\n", "        inReply_ = false;\n"),
    ("datagrams cut at 4 KiB", "platform/comm/comm_private.h",
     "kLargestDatagram = 65536;", "kLargestDatagram = 4096;"),
    ("any queued message ends a waiting read", "platform/user/message_queue.cpp",
     "if (msg.message == WM_CLOSE || msg.message == WM_COMMAND) return true;",
     "if (msg.message == WM_CLOSE || msg.message == WM_COMMAND || true) return true;"),
    ("missed timer periods not coalesced", "platform/user/timers.cpp",
     "due->dueNs += (missed + 1) * due->periodNs;", "due->dueNs += (0 * missed + 1) * due->periodNs;"),
    ("the held stylus is not clamped", "platform/user/input.cpp",
     "        Clamp(window, x, y);\n        PostPointer(window, WM_MOUSEMOVE, MK_LBUTTON, x, y);",
     "        PostPointer(window, WM_MOUSEMOVE, MK_LBUTTON, x, y);"),
    # The simulated receiver the tests drive the viewer with.
    ("sentence checksum", "tools/nmea_sim/sentences.py", "        value ^= byte", "        value += byte"),
    ("the line is not paced", "tools/nmea_sim/port.py",
     "self.clock.sleep_until(start + at / self.bytes_per_s)", "self.clock.sleep_until(start)"),
    ("a stalled client holds the others up", "tools/nmea_sim/net.py",
     "            sock.setblocking(False)\n", "            sock.setblocking(True)\n"),
    ("datagrams cut inside a line", "tools/nmea_sim/net.py",
     'end = self.pending.rfind(b"\\n", 0, DATAGRAM_LIMIT) + 1', "end = min(len(self.pending), 700)"),
]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"), help="a configured build folder")
    parser.add_argument("--exclude", default="", help="CTest -E: tests to leave out (default: none)")
    parser.add_argument("--only", nargs="+", metavar="NAME", help="only these faults")
    parser.add_argument("--list", action="store_true", help="list the faults and exit")
    return parser.parse_args()


def build(folder):
    result = subprocess.run(["cmake", "--build", folder, "-j", str(os.cpu_count() or 2)],
                            capture_output=True, text=True)
    return result.returncode == 0


def failed_tests(folder, exclude):
    # A fault that makes a read wait for ever fails its test at the time limit.
    command = ["ctest", "--test-dir", folder, "-j", str(os.cpu_count() or 2), "--timeout", "180"]
    if exclude:
        command += ["-E", exclude]
    env = dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy")
    output = subprocess.run(command, capture_output=True, text=True, env=env).stdout
    return re.findall(r"^\s*\d+ - (\S+) \(", output, re.MULTILINE)


def plant(path, old, new):
    """Puts the fault in; returns the file's text as it was."""
    with open(path) as f:
        text = f.read()
    if text.count(old) != 1:
        raise LookupError("%s holds %r %d times, not once" % (path, old, text.count(old)))
    with open(path, "w") as f:
        f.write(text.replace(old, new))
    return text


def interrupted(signum, _frame):
    raise KeyboardInterrupt(signal.Signals(signum).name)  # so that the planted file is put back


def main():
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)
    args = parse_args()
    faults = [f for f in FAULTS if not args.only or f[0] in args.only]
    if args.list:
        for name, path, _, _ in faults:
            print("%-45s %s" % (name, path))
        return 0
    if not build(args.build):
        print("plant_faults: the build fails without any fault", file=sys.stderr)
        return 2
    missed = unbuilt = 0
    print("%-45s %-8s %6s  %s" % ("fault", "verdict", "time", "caught by"))
    for name, relative, old, new in faults:
        path = os.path.join(ROOT, relative)
        started = time.monotonic()
        try:
            original = plant(path, old, new)
        except LookupError as error:
            print("plant_faults: %s: %s" % (name, error), file=sys.stderr)
            return 2
        try:
            built = build(args.build)
            caught = failed_tests(args.build, args.exclude) if built else []
        finally:
            with open(path, "w") as f:
                f.write(original)
        # A fault that does not build tests nothing: its text needs mending, as a gone text does.
        unbuilt += not built
        missed += built and not caught
        verdict = "UNBUILT" if not built else "caught" if caught else "MISSED"
        print("%-45s %-8s %5.0fs  %s" % (name, verdict, time.monotonic() - started,
                                         " ".join(caught[:6]) + (" ..." if len(caught) > 6 else "")), flush=True)
    build(args.build)
    return 2 if unbuilt else 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
