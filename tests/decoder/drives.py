"""kavro-decode on drives of the simulated receiver: each step it adds to the distance against
the haversine formula on its own points, and the distance against the length of the route the
receiver drove, worked out here from the receiver's RMC sentences."""

import json
import math
import os
import re
import subprocess
import sys
import tempfile
import unittest

DECODER = os.environ["KAVRO_DECODE"]
SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# The simulated receiver, run as a command.
SIMULATED_RECEIVER = [sys.executable, os.path.join(SOURCE, "tools", "nmea_sim")]

# The decoded distance may fall short of the route, never by more than this share. The viewer
# takes one RMC per 1000-byte read (an epoch is about 350 bytes, so every third epoch or so),
# so it misses up to a read's worth of driving before its first point and after its last, and
# it measures chords where the road bends between the epochs it takes; on these 5 to 10 minute
# drives that comes to 0.1 to 1.4 %, the most at 10 Hz, where the car's small weaving between
# epochs is cut short. The positions' rounding (0.0001 minute in the text, single precision in
# the reader, under a metre) adds nothing that shows. 2 % leaves room for other drives and still
# catches a wrong step formula: leaving out the cosine of the latitude lengthens east-west
# driving by half at 48 degrees north, and a step across a degree line measured on the raw
# ddmm.mmmm numbers jumps by 40 minutes.
TOLERANCE = 0.02

DRIVES = [
    # name, simulated receiver arguments
    ("town at 1 Hz", ["--duration", "600", "--random-state", "11"]),
    ("10 Hz", ["--duration", "600", "--random-state", "4", "--rate-hz", "10", "--baud", "115200"]),
    ("across a whole degree", ["--duration", "300", "--random-state", "5", "--cross", "degree"]),
    ("across the 180th meridian", ["--duration", "300", "--random-state", "8", "--cross", "antimeridian"]),
    ("across the equator", ["--duration", "300", "--random-state", "9", "--cross", "equator", "--rate-hz", "2"]),
    ("across the prime meridian", ["--duration", "300", "--random-state", "3", "--cross", "meridian"]),
]

# A fix with status A: latitude, longitude (ddmm.mmmm and hemisphere) and speed in knots.
MOVING_RMC = re.compile(r"\$..RMC,[\d.]*,A,([\d.]+),([NS]),([\d.]+),([EW]),([\d.]+),")


def degrees(ddmm, hemisphere):
    whole, minutes = divmod(float(ddmm), 100.0)
    return (whole + minutes / 60.0) * (-1 if hemisphere in ("S", "W") else 1)


def arc_minutes(a, b):
    """The haversine distance between two (latitude, longitude) in degrees, in minutes of arc."""
    la1, lo1, la2, lo2 = map(math.radians, a + b)
    h = math.sin((la2 - la1) / 2) ** 2 + math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2
    return math.degrees(2 * math.asin(min(1.0, math.sqrt(h)))) * 60.0


def route(text):
    """The length of the route through every fix faster than 0.01 knots, as the viewer's
    threshold has it."""
    points = [(degrees(m[1], m[2]), degrees(m[3], m[4])) for m in MOVING_RMC.finditer(text)
              if float(m[5]) > 0.01]
    return sum(arc_minutes(a, b) for a, b in zip(points, points[1:]))


class DriveTest(unittest.TestCase):
    def decode(self, arguments):
        drive = subprocess.run(SIMULATED_RECEIVER + ["--stdout", "--no-pace", "--quiet", "--start-time",
                               "2024-05-01T12:00:00Z"] + arguments,
                               capture_output=True, timeout=120, check=True).stdout
        # A file, not a pipe: reads from a pipe may come shorter than 1000 bytes.
        with tempfile.NamedTemporaryFile(suffix=".nmea") as log:
            log.write(drive)
            log.flush()
            done = subprocess.run([DECODER, log.name], capture_output=True, timeout=120, check=True)
        return drive.decode("ascii"), [json.loads(line) for line in done.stdout.splitlines()]

    def assertSteps(self, lines):
        """Each step the decoder adds against the haversine distance between its two points:
        the step formula across the equator, the meridians and degree lines, on the decoder's
        own points."""
        last, count, distance = None, 0, 0.0
        for line in lines[:-1]:
            if line["pointCount"] == count:
                continue
            here = (degrees(line["latitude"], line["latHemisphere"]),
                    degrees(line["longitude"], line["lonHemisphere"]))
            if last is not None:
                self.assertAlmostEqual(line["distance"]["units"] - distance, arc_minutes(last, here),
                                       delta=1e-9 + 1e-6 * arc_minutes(last, here),
                                       msg="the step in the read at %d" % line["offset"])
            last, count, distance = here, line["pointCount"], line["distance"]["units"]

    def test_steps_and_route_of_each_drive(self):
        for name, arguments in DRIVES:
            with self.subTest(name):
                drive, lines = self.decode(arguments)
                self.assertSteps(lines)
                length = route(drive)
                self.assertGreater(length, 1.0, "a drive of at least a nautical mile")
                decoded = lines[-1]["summary"]["distance"]["units"]
                self.assertLessEqual(abs(decoded - length), TOLERANCE * length,
                                     "decoded %.4f against the route's %.4f minutes of arc (%+.2f %%)"
                                     % (decoded, length, 100.0 * (decoded - length) / length))


if __name__ == "__main__":
    unittest.main()
