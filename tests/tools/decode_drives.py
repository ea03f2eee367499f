"""kavro-decode on drives made by the simulated receiver: each read line against the read's
text, and the decoded distance against the length of the route the receiver drove."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import decodetest
import simtest
from decodetest import decode, needs_decoder

# The decoded distance may fall short of the route, never by more than this share. The viewer
# takes one RMC per 1000-byte read (an epoch is about 350 bytes, so every third epoch or so),
# so it misses up to a read's worth of driving before its first point and after its last, and
# it measures chords where the road bends between the epochs it takes; on these 5 to 10 minute
# drives that comes to 0.1 to 1.4 %, the most at 10 Hz, where the car's small weaving between
# epochs is cut short. The positions' rounding (0.0001 minute in the text, single precision in
# the reader, under a metre) adds nothing that shows. 2 % leaves room for other drives and still catches
# a wrong step formula: leaving out the cosine of the latitude lengthens east-west driving by
# half at 48 degrees north, and a step across a degree line measured on the raw ddmm.mmmm
# numbers jumps by 40 minutes.
TOLERANCE = 0.02

DRIVES = [
    # name, simreceiver arguments
    ("town at 1 Hz", ["--duration", "600", "--random-state", "11"]),
    ("town at 5 Hz", ["--duration", "600", "--random-state", "23", "--rate-hz", "5", "--baud", "38400"]),
    ("10 Hz", ["--duration", "600", "--random-state", "4", "--rate-hz", "10", "--baud", "115200"]),
    ("across a whole degree", ["--duration", "300", "--random-state", "5", "--cross", "degree"]),
    ("across the 180th meridian", ["--duration", "300", "--random-state", "8", "--cross", "antimeridian"]),
    ("across the equator", ["--duration", "300", "--random-state", "9", "--cross", "equator", "--rate-hz", "2"]),
    ("across the prime meridian", ["--duration", "300", "--random-state", "3", "--cross", "meridian"]),
]

RMC_SENTENCE = re.compile(rb"\$..RMC,[^\r\n]*")


def route_length(data):
    """Haversine length, in minutes of arc, of the route through every moving fix the
    receiver sent (status A, faster than 0.01 knots), and the number of those fixes."""
    points = []
    length = 0.0
    for match in RMC_SENTENCE.finditer(data):
        fix = decodetest.Expectation(match[0])
        if fix.moving() and fix.fix["status"] == "A":
            here = fix.position()
            if points:
                length += decodetest.arc_minutes(points[-1], here)
            points.append(here)
    return length, len(points)


@needs_decoder
class DriveTest(decodetest.DecoderTestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kavro-drive-")
        self.addCleanup(shutil.rmtree, self.folder)

    def make_drive(self, arguments):
        done = subprocess.run([sys.executable, simtest.SIMRECEIVER, "--stdout", "--no-pace", "--quiet",
                               "--start-time", "2024-05-01T12:00:00Z"] + arguments,
                              capture_output=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        path = os.path.join(self.folder, "drive.nmea")
        with open(path, "wb") as log:
            log.write(done.stdout)
        return path, done.stdout

    def test_drives(self):
        for name, arguments in DRIVES:
            with self.subTest(name):
                path, data = self.make_drive(arguments)
                status, lines, errors = decode(path)
                self.assertEqual(status, 0, errors)
                self.assertDecodesLog(data, lines)

                route, fixes = route_length(data)
                self.assertGreater(route, 1.0, "a drive of at least a nautical mile")
                summary = lines[-1]["summary"]
                self.assertGreater(summary["pointCount"], fixes // 10)
                decoded = summary["distance"]["units"]
                self.assertLessEqual(abs(decoded - route), TOLERANCE * route,
                                     "decoded %.4f against the route's %.4f minutes of arc (%+.2f %%)"
                                     % (decoded, route, 100.0 * (decoded - route) / route))


if __name__ == "__main__":
    unittest.main()
