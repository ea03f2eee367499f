"""GPX files judged by real readers from Debian: gpsbabel (-i gpx) and python3-gpxpy. Both must
read the whole document; their points are compared with a capture's own RMC fixes."""

import csv
import datetime
import io
import math
import re
import shutil
import struct
import subprocess
import sys

from harness.script import Failure, Skip


def gpxpy_module():
    """python3-gpxpy, Debian's package, also when this Python is not Debian's own."""
    try:
        import gpxpy
    except ImportError:
        sys.path.append("/usr/lib/python3/dist-packages")
        try:
            import gpxpy
        except ImportError:
            raise Skip("python3-gpxpy is not installed (tools/bootstrap.sh installs it)") from None
    return gpxpy


def read_gpxpy(path):
    """The track points as gpxpy reads them, per segment: [(lat, lon, time), ...] each, and the
    number of tracks."""
    gpxpy = gpxpy_module()
    with open(path, encoding="utf-8") as text:
        try:
            document = gpxpy.parse(text)
        except Exception as error:  # gpxpy has several error classes; any of them fails the file
            raise Failure("gpxpy cannot read %s: %s" % (path, error)) from None
    segments = [[(p.latitude, p.longitude, p.time) for p in segment.points]
                for track in document.tracks for segment in track.segments]
    return segments, len(document.tracks)


def read_gpsbabel(path):
    """The track points as gpsbabel reads them: [(lat, lon, time), ...] (six decimals)."""
    if shutil.which("gpsbabel") is None:
        raise Skip("gpsbabel is not installed (tools/bootstrap.sh installs it)")
    done = subprocess.run(["gpsbabel", "-t", "-i", "gpx", "-f", path, "-o", "unicsv,utc=0", "-F", "-"],
                          capture_output=True, text=True, timeout=60)
    if done.returncode != 0 or "error" in done.stderr.lower():
        raise Failure("gpsbabel cannot read %s: %s" % (path, done.stderr.strip()))
    points = []
    for row in csv.DictReader(io.StringIO(done.stdout)):
        moment = datetime.datetime.strptime(row["Date"] + " " + row["Time"].split(".")[0], "%Y/%m/%d %H:%M:%S")
        points.append((float(row["Latitude"]), float(row["Longitude"]), moment.replace(tzinfo=datetime.timezone.utc)))
    return points


def single(text):
    """A number as the viewer's reader keeps it: scanned as a 32-bit float."""
    return struct.unpack("f", struct.pack("f", float(text)))[0]


def degrees(nmea, hemisphere):
    value = abs(single(nmea))
    whole = math.floor(value / 100.0)
    result = whole + (value - 100.0 * whole) / 60.0
    return -result if hemisphere in ("S", "W") else result


RMC = re.compile(rb"RMC,(\d{2})(\d{2})(\d{2})(?:\.\d*)?,.,([\d.]+),([NS]),([\d.]+),([EW]),[^,]*,[^,]*,"
                 rb"(\d{2})(\d{2})(\d{2}),")


def capture_fixes(path):
    """Every RMC fix of a capture with a position: {(time to the second, UTC): [(lat, lon), ...]}."""
    fixes = {}
    with open(path, "rb") as capture:
        for line in capture:
            match = RMC.search(line)
            if not match:
                continue
            hh, mm, ss, lat, ns, lon, ew, day, month, year = (g.decode() for g in match.groups())
            try:
                moment = datetime.datetime(2000 + int(year), int(month), int(day), int(hh), int(mm), int(ss),
                                           tzinfo=datetime.timezone.utc)
            except ValueError:
                continue
            fixes.setdefault(moment, []).append((degrees(lat, ns), degrees(lon, ew)))
    return fixes


def check_track(path, capture=None, least=1, rising=True):
    """Both readers read the file whole and agree on its points; there is one track holding at
    least `least` points; with `rising`, times rise; with a capture, every point is one of its fixes
    (its time to the second and its place to the precision the viewer keeps). Returns the points."""
    segments, tracks = read_gpxpy(path)
    points = [p for segment in segments for p in segment]
    babel = read_gpsbabel(path)
    if tracks != 1:
        raise Failure("%s holds %d tracks, expected one" % (path, tracks))
    if len(points) < least:
        raise Failure("%s holds %d points, expected at least %d" % (path, len(points), least))
    if len(babel) != len(points):
        raise Failure("gpsbabel reads %d points in %s, gpxpy %d" % (len(babel), path, len(points)))
    for (lat, lon, time), (blat, blon, btime) in zip(points, babel):
        if abs(lat - blat) > 1e-6 or abs(lon - blon) > 1e-6 or time.replace(microsecond=0) != btime:
            raise Failure("the readers disagree: gpxpy %r, gpsbabel %r" % ((lat, lon, time), (blat, blon, btime)))
    if rising:
        for before, after in zip(points, points[1:]):
            if after[2] <= before[2]:
                raise Failure("times do not rise in %s: %s then %s" % (path, before[2], after[2]))
    if capture is not None:
        fixes = capture_fixes(capture)
        for lat, lon, time in points:
            near = fixes.get(time.replace(microsecond=0), [])
            if not any(abs(lat - flat) <= 2e-7 and abs(lon - flon) <= 2e-7 for flat, flon in near):
                raise Failure("the point %.7f %.7f at %s is none of the capture's fixes (%r)" % (lat, lon, time, near))
    return points
