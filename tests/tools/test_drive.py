"""The generated drive: how the car moves, when it loses the fix, and the line crossings."""

import datetime
import math
import random
import unittest

import simtest  # noqa: F401  (puts the tools folder on the import path)
from nmea_sim import drive, sentences

START = datetime.datetime(2024, 5, 1, 12, 0, 0)
KMH = 1.852  # knots to km/h


def epochs(car, seconds):
    result = []
    for _ in range(int(round(seconds * car.rate_hz))):
        result.append(car.epoch())
        car.advance()
    return result


def distance_m(a, b):
    """Haversine distance between two epochs."""
    la1, lo1, la2, lo2 = map(math.radians, (a.lat, a.lon, b.lat, b.lon))
    h = (math.sin((la2 - la1) / 2) ** 2
         + math.cos(la1) * math.cos(la2) * math.sin((lo2 - lo1) / 2) ** 2)
    return 2 * drive.EARTH_RADIUS_M * math.asin(math.sqrt(h))


def turn(a, b):
    return abs((b - a + 180.0) % 360.0 - 180.0)


class MotionTest(unittest.TestCase):
    def setUp(self):
        self.car = drive.Drive(random.Random(7), 48.1173, 11.5167, START, 1.0)
        self.run = epochs(self.car, 1800)

    def test_speeds_are_a_town_drive(self):
        speeds = [e.speed_knots * KMH for e in self.run]
        self.assertLessEqual(max(speeds), 57.0)
        cruising = [s for s in speeds if s > 40.0]
        self.assertGreater(len(cruising), len(speeds) // 3)
        self.assertAlmostEqual(sum(cruising) / len(cruising), 50.0, delta=3.0)
        for a, b in zip(self.run, self.run[1:]):
            change = (b.speed_knots - a.speed_knots) * drive.KNOT_MPS
            self.assertLessEqual(change, drive.ACCELERATION + 1e-9)
            self.assertGreaterEqual(change, -drive.BRAKING - 1e-9)

    def test_stops_at_lights_and_turns(self):
        stops = []
        still = 0
        for e in self.run[10:]:
            still = still + 1 if e.speed_knots == 0.0 else 0
            if still == 10:
                stops.append(e.time)
        self.assertGreaterEqual(len(stops), 3, "stops of 10 s or more")
        turns = sum(1 for a, b in zip(self.run, self.run[8:])
                    if a.speed_knots > 0 and turn(a.course, b.course) >= 40.0)
        self.assertGreater(turns, 0)

    def test_position_follows_speed_and_course(self):
        for a, b in zip(self.run, self.run[1:]):
            step = distance_m(a, b)
            self.assertAlmostEqual(step, b.speed_knots * drive.KNOT_MPS, delta=0.05)
            if step > 5.0:
                north = (b.lat - a.lat) * math.pi / 180.0 * drive.EARTH_RADIUS_M
                self.assertAlmostEqual(math.cos(math.radians(b.course)) * step, north, delta=0.5)

    def test_fix_is_lost_for_a_while(self):
        losses = []
        for index, e in enumerate(self.run):
            if not e.fix and (index == 0 or self.run[index - 1].fix):
                losses.append([index, index])
            elif not e.fix:
                losses[-1][1] = index
        self.assertGreaterEqual(len(losses), 2)
        self.assertGreaterEqual(losses[0][0], drive.FIRST_LOSS_S[0])
        for first, last in losses:
            self.assertGreaterEqual(last - first + 1, drive.LOSS_S[0] - 1)
            self.assertLessEqual(last - first + 1, drive.LOSS_S[1] + 1)
            self.assertTrue(all(s.snr is None or s.snr < 21 for s in self.run[first].satellites))
        moving = [e for e in self.run if e.fix and e.speed_knots > 0]
        self.assertTrue(all(4 <= e.sats_used <= len(e.satellites) for e in moving))


class MoveTest(unittest.TestCase):
    def test_moves(self):
        cases = [  # (lat, lon, heading, metres) -> (lat, lon, heading) expected
            ((0.0, 0.0, 0.0, 1852.0), (1 / 60.0, 0.0, 0.0)),
            ((0.0, 179.999, 90.0, 1852.0), (0.0, -180.0 + 1 / 60.0 - 0.001, 90.0)),
            ((0.0, -179.999, 270.0, 1852.0), (0.0, 180.0 - 1 / 60.0 + 0.001, 270.0)),
            # over the pole and down the other side, now heading south
            ((89.99, 10.0, 0.0, 1852.0), (90.0 - (1 / 60.0 - 0.01), -170.0, 180.0)),
        ]
        for (lat, lon, heading, metres), expected in cases:
            got = drive.move(lat, lon, heading, metres)
            for g, e in zip(got, expected):
                self.assertAlmostEqual(g, e, delta=1e-4, msg="%r -> %r" % ((lat, lon), got))


class CrossingTest(unittest.TestCase):
    """Each --cross start leads over its line within the first minute, in every quadrant."""

    def fields(self, epoch):
        rmc = sentences.rmc(epoch.time, epoch.lat, epoch.lon, 0.0, 0.0).split(b",")
        return rmc[3].decode(), rmc[4].decode(), rmc[5].decode(), rmc[6].decode()

    def check(self, kind, lat, lon, changed):
        start_lat, start_lon, heading = drive.crossing_start(kind, lat, lon)
        car = drive.Drive(random.Random(3), start_lat, start_lon, START, 1.0,
                          heading=heading, cross=True)
        run = epochs(car, 60)
        first = self.fields(run[0])
        crossed = [e for e in run if changed(first, self.fields(e))]
        self.assertTrue(crossed, "%s from %s never crossed; last %s"
                        % (kind, first, self.fields(run[-1])))
        self.assertTrue(all(e.fix for e in run))
        self.assertGreater(crossed[0].time - START, datetime.timedelta(seconds=10))
        return first, self.fields(crossed[0])

    def test_equator_meridians_and_degrees(self):
        quadrants = [(48.1, 11.5), (-33.9, 151.2), (40.7, -74.0), (-34.6, -58.4)]
        for lat, lon in quadrants:
            with self.subTest(lat=lat, lon=lon):
                first, after = self.check("equator", lat, lon, lambda a, b: a[1] != b[1])
                self.assertEqual(first[0][:2] + after[0][:2], "0000")
                self.assertEqual({first[1], after[1]}, {"N", "S"})
                first, after = self.check("meridian", lat, lon, lambda a, b: a[3] != b[3])
                self.assertEqual(first[2][:3] + after[2][:3], "000000")
                first, after = self.check("antimeridian", lat, lon, lambda a, b: a[3] != b[3])
                self.assertEqual(first[2][:3] + after[2][:3], "179179")
                first, after = self.check(
                    "degree", lat, lon,
                    lambda a, b: a[0][:2] != b[0][:2] and a[2][:3] != b[2][:3])
                self.assertEqual((int(first[0][:2]) - int(after[0][:2])) ** 2, 1)
                self.assertEqual((int(first[2][:3]) - int(after[2][:3])) ** 2, 1)


if __name__ == "__main__":
    unittest.main()
