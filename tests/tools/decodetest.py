"""Shared helpers of the decoder's tests: running kavro-decode, and what its lines must say,
worked out from the log's own text with plain string searches and regular expressions
(never from the decoder or the viewer's code)."""

import json
import math
import os
import re
import subprocess
import unittest

import simtest

DECODER = os.environ.get("KAVRO_DECODE", "")
NMEA_DIR = os.environ.get("KAVRO_NMEA_DIR", os.path.join(simtest.SOURCE, "..", "shared", "nmea"))
READ_SIZE = 1000
KNOTS_TO_KMH = 1.852
MOVING_KNOTS = 0.01

FIX_KEYS = ["satsUsed", "satsInView", "fixQuality", "latitude", "longitude", "altitude", "course",
            "speed", "status", "latHemisphere", "lonHemisphere", "second", "minute", "hour", "day",
            "month", "year"]
READ_KEYS = ["offset", "length"] + FIX_KEYS + ["pointCount", "distance", "topSpeed"]

NUMBER = r"\d+(?:\.\d*)?"
# A whole sentence as a receiver sends it, from the first field to the separator after the
# last field the viewer reads.
WHOLE_RMC = re.compile(r"(\d\d)(\d\d)(\d\d)(?:\.\d*)?,([AV]),(\d+\.\d+),([NS]),(\d+\.\d+),([EW]),"
                       r"(%s),(%s),(\d\d)(\d\d)(\d\d)[,*]" % (NUMBER, NUMBER))
WHOLE_GGA = re.compile(r"\d{6}(?:\.\d*)?,\d+\.\d+,[NS],\d+\.\d+,[EW],(\d+),(\d+),%s,(-?%s)[,*]"
                       % (NUMBER, NUMBER))
WHOLE_GSV = re.compile(r"(\d+),(\d+),(\d+)[,*\r\n]")
CHECKSUM = re.compile(r"\*[0-9A-Fa-f]{2}")


def needs_decoder(test):
    return unittest.skipUnless(DECODER and os.access(DECODER, os.X_OK),
                               "KAVRO_DECODE names no kavro-decode executable")(test)


def no_constants(name):
    raise ValueError("not JSON: %s" % name)


def decode(path, *options, stdin=None, cwd=None):
    """(exit status, parsed lines, standard error) of kavro-decode on a log."""
    done = subprocess.run([DECODER] + list(options) + ([path] if path is not None else []),
                          capture_output=True, timeout=300, stdin=stdin, cwd=cwd)
    # Escapes keep every line plain ASCII, whatever bytes the log held.
    text = done.stdout.decode("ascii")
    lines = [json.loads(line, parse_constant=no_constants) for line in text.splitlines()]
    return done.returncode, lines, done.stderr.decode("utf-8", "replace")


def pieces(data):
    """The log cut as the viewer's reads cut a file: 1000 bytes at a time."""
    return [data[at:at + READ_SIZE] for at in range(0, len(data), READ_SIZE)]


def single(text):
    return simtest.single(float(text))


def sentence_fields(text, name):
    """The text after the first occurrence of the name and the character after it, or None
    when the name is missing or nothing follows it."""
    at = text.find(name)
    if at < 0 or len(text) < at + 5:
        return None
    return text[at + 4:]


# The fields the viewer reads as numbers, counted from the sentence's first field. (An empty
# letter field is no refusal: %c takes the comma for the letter and the scan goes on.)
RMC_NUMBERS = (0, 2, 4, 6, 7, 8)
GGA_NUMBERS = (0, 1, 3, 5, 6, 7, 8)
GSV_NUMBERS = (0, 1, 2)


def plainly_refused(fields, numbers):
    """Whether a sentence is cut off by the end of the read, or a number field the viewer
    reads is empty or missing."""
    sentence = re.split(r"[\r\n$]", fields, maxsplit=1)[0]
    if CHECKSUM.search(sentence) is None and fields == sentence:
        return True
    values = sentence.split("*")[0].split(",")
    return any(index >= len(values) or values[index] == "" for index in numbers)


class Expectation:
    """What the viewer must hold after one read, taken from the read's text. `known` is
    False when the first RMC, GGA or GSV is neither plainly whole nor plainly refused."""

    def __init__(self, piece):
        text = piece.split(b"\0")[0].decode("latin-1")
        self.known = True
        self.fix = {}
        self.whole_rmc = False
        self.refused_rmc = False
        self.rmc(sentence_fields(text, "RMC"))
        self.gga(sentence_fields(text, "GGA"))
        self.gsv(sentence_fields(text, "GSV"))

    def rmc(self, fields):
        numbers = {"latitude": 0.0, "longitude": 0.0, "speed": 0.0, "course": 0.0, "second": 0}
        if fields is None:
            self.fix.update(numbers, status="", latHemisphere="", lonHemisphere="", hour=0, minute=0,
                            day=0, month=0, year=0)
            return
        match = WHOLE_RMC.match(fields)
        if match:
            hour, minute, second, status, lat, ns, lon, ew, speed, course, day, month, year = match.groups()
            self.whole_rmc = True
            self.fix.update(hour=int(hour), minute=int(minute), second=int(second), status=status,
                            latitude=single(lat), latHemisphere=ns, longitude=single(lon),
                            lonHemisphere=ew, speed=single(speed), course=single(course), day=int(day),
                            month=int(month), year=2000 + int(year))
        elif plainly_refused(fields, RMC_NUMBERS):
            self.fix.update(numbers)
            self.refused_rmc = True
        else:
            self.known = False

    def gga(self, fields):
        zero = {"fixQuality": 0, "satsUsed": 0, "altitude": 0.0}
        match = WHOLE_GGA.match(fields) if fields is not None else None
        if fields is None:
            self.fix.update(zero)
        elif match:
            self.fix.update(fixQuality=int(match[1]), satsUsed=int(match[2]), altitude=single(match[3]))
        elif plainly_refused(fields, GGA_NUMBERS):
            self.fix.update(zero)
        else:
            self.known = False

    def gsv(self, fields):
        match = WHOLE_GSV.match(fields) if fields is not None else None
        if fields is None:
            self.fix["satsInView"] = 0
        elif match:
            self.fix["satsInView"] = int(match[3])
        elif plainly_refused(fields, GSV_NUMBERS):
            self.fix["satsInView"] = 0
        else:
            self.known = False

    def moving(self):
        return self.whole_rmc and self.fix["speed"] > MOVING_KNOTS

    def time(self):
        f = self.fix
        return "%04d-%02d-%02dT%02d:%02d:%02dZ" % (f["year"], f["month"], f["day"], f["hour"],
                                                   f["minute"], f["second"])

    def position(self):
        """Signed decimal degrees from the ddmm.mmmm numbers."""
        def degrees(value, negative):
            whole = math.floor(value / 100.0)
            result = whole + (value - 100.0 * whole) / 60.0
            return -result if negative else result
        return (degrees(self.fix["latitude"], self.fix["latHemisphere"] == "S"),
                degrees(self.fix["longitude"], self.fix["lonHemisphere"] == "W"))


def arc_minutes(a, b):
    """Great-circle distance between two (latitude, longitude) pairs in minutes of arc."""
    la1, lo1, la2, lo2 = map(math.radians, (a[0], a[1], b[0], b[1]))
    h = (math.sin((la2 - la1) / 2) ** 2
         + math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2)
    return math.degrees(2 * math.asin(min(1.0, math.sqrt(h)))) * 60.0


class TrackExpectation:
    """The track a viewer records from a run of reads: a point for every read whose whole RMC
    says faster than 0.01 knots; the distance between consecutive points; the top speed
    over every point but the first."""

    def __init__(self):
        self.points = []
        self.distance = 0.0
        self.top_speed = 0.0

    def add(self, expectation):
        if not expectation.moving():
            return
        here = expectation.position()
        if self.points:
            self.distance += arc_minutes(self.points[-1], here)
            self.top_speed = max(self.top_speed, expectation.fix["speed"])
        self.points.append(here)


class DecoderTestCase(unittest.TestCase):
    def assertDecodesLog(self, data, lines):
        """Every read line against the read's own text, the running track against the points
        that text gives, and the summary against both. Every first RMC, GGA and GSV must be
        plainly whole or plainly refused, so that every field is checked."""
        cut = pieces(data)
        self.assertEqual(len(lines), len(cut) + 1, "a line per read and a summary")
        track = TrackExpectation()
        valid = []
        for index, (piece, line) in enumerate(zip(cut, lines)):
            where = "read %d (offset %d)" % (index, index * READ_SIZE)
            self.assertEqual(list(line), READ_KEYS, where)
            self.assertEqual((line["offset"], line["length"]), (index * READ_SIZE, len(piece)), where)
            expected = Expectation(piece)
            self.assertTrue(expected.known, "%s: a sentence neither plainly whole nor refused: %r" % (where, piece))
            self.assertEqual({key: line[key] for key in expected.fix}, expected.fix, where)
            if expected.refused_rmc:
                self.assertLess(line["year"], 1000, where + ": a refused RMC keeps its two-digit year")
            if expected.whole_rmc and expected.fix["status"] == "A":
                valid.append(expected.time())
            track.add(expected)
            self.assertTrack(line, track, where)
        summary = lines[-1]
        self.assertEqual(list(summary), ["summary"])
        summary = summary["summary"]
        self.assertEqual((summary["reads"], summary["bytes"]), (len(cut), len(data)))
        if cut:
            for key in ("pointCount", "distance", "topSpeed"):
                self.assertEqual(summary[key], lines[-2][key], key)
        self.assertEqual((summary["validFixes"], summary["firstFix"], summary["lastFix"]),
                         (len(valid), valid[0] if valid else None, valid[-1] if valid else None))

    def assertTrack(self, line, track, where):
        self.assertEqual(line["pointCount"], len(track.points), where)
        self.assertAlmostEqual(line["distance"]["units"], track.distance,
                               delta=1e-9 + 1e-6 * track.distance, msg=where)
        self.assertAlmostEqual(line["distance"]["km"], line["distance"]["units"] * KNOTS_TO_KMH,
                               delta=1e-12, msg=where)
        self.assertEqual(line["topSpeed"]["knots"], track.top_speed, where)
        self.assertAlmostEqual(line["topSpeed"]["kmh"], track.top_speed * KNOTS_TO_KMH, delta=1e-12,
                               msg=where)
