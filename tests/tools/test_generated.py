"""What the receiver makes: the drive, its sentences as the viewer's reader takes them, and faults."""

import datetime
import math
import random
import re
import statistics
import unittest

from simtest import FIXED_TIME, run, viewer_reads
from nmea_sim import drive, faults, sentences

WHEN = datetime.datetime(1994, 3, 23, 12, 35, 19)
START = datetime.datetime(2024, 5, 1, 12, 0, 0)
RMC = sentences.rmc(WHEN, -33.86, 151.21, 27.0, 181.5)
GGA = sentences.gga(WHEN, -33.86, 151.21, 8, 0.9, 54.2, 22.1)
GSV = sentences.gsv([sentences.Satellite(4, 40, 120, 33)])[0]


def epochs(car, seconds):
    return [(car.epoch(), car.advance())[0] for _ in range(int(round(seconds * car.rate_hz)))]


# (first, end) index of each run of epochs that pass the test.
def runs(epochs, test):
    return [m.span() for m in re.finditer("1+", "".join("01"[bool(test(e))] for e in epochs))]


class SentenceTest(unittest.TestCase):
    def test_fields(self):
        cases = [  # (signed degrees, latitude fields, longitude fields)
            (48.1173, "4807.0380N", "04807.0380E"), (-33.86, "3351.6000S", "03351.6000W"),
            # minutes that round up to 60 carry into the next degree
            (59.9999999999, "6000.0000N", "06000.0000E"), (-179.99999999, "18000.0000S", "18000.0000W"),
            # a negative value that rounds to zero keeps N and E
            (-1e-9, "0000.0000N", "00000.0000E"), (-0.5, "0030.0000S", "00030.0000W"),
        ]
        self.assertEqual([("".join(sentences.latitude_fields(v)), "".join(sentences.longitude_fields(v)))
                          for v, _, _ in cases], [(lat, lon) for _, lat, lon in cases])
        self.assertEqual([sentences.time_field(when) + " " + sentences.date_field(when) for when in (
            datetime.datetime(2024, 5, 1), datetime.datetime(2099, 12, 31, 23, 59, 59, 999999))],
            ["000000.00 010524", "235959.99 311299"])
        self.assertEqual([sentences.course_field(course) for course in (84.44, 0.05, 359.96, -0.04, 720.25)],
                         ["84.4", "0.1", "0.0", "0.0", "0.3"])
        # three spoilt lines, then real receivers' lines as a replayed log brings them: no line end,
        # $GN, 6-decimal minutes
        self.assertEqual([sentences.has_good_checksum(line) for line in (
            b"$GPGSV,1,1,00*78\r\n", b"$GPGSV,1,1,00*Z9\r\n", b"$GPGSV,1,1,00",
            b"$GPRMC,022021.00,A,3644.759368,S,17444.072860,E,0.0,301.9,071020,18.3,E,A,V*6E",
            b"$GNGGA,091232.000,4813.0535,N,00824.8697,E,1,12,0.7,765.8,M,47.4,M,,0000*45",
            b"$GPRMC,001902.00,V,,,,,,,020211,,,N*77\r\n")], [False] * 3 + [True] * 3)

    def test_what_the_viewer_reads(self):
        sky = [sentences.Satellite(n, 10 + n, 20 * n, 30 + n) for n in range(1, 10)]
        self.assertEqual(viewer_reads(b"".join(sentences.gsv(sky)))["GSV"], [3, 1, 9])
        self.assertTrue(sentences.gsv(sky)[2].startswith(b"$GPGSV,3,3,09,09,19,180,39*"))
        few = [sentences.Satellite(7, 40, 120, None), sentences.Satellite(9, 20, 300, 12)]
        self.assertEqual(sentences.rmc_no_fix(WHEN) + sentences.gga_no_fix(WHEN) + b"".join(sentences.gsv(few))
                         + sentences.gsv([])[0],
                         b"$GPRMC,123519.00,V,,,,,,,230394,,,N*7F\r\n$GPGGA,123519.00,,,,,0,00,99.99,,,,,,*6B\r\n"
                         b"$GPGSV,1,1,02,07,40,120,,09,20,300,12*70\r\n$GPGSV,1,1,00*79\r\n")

    def test_every_sentence_of_long_drives(self):
        cases = [  # (lat, lon, rate, seconds): every quadrant, over midnight into a new year
            (48.1173, 11.5167, 1.0, 400), (-33.86, 151.21, 1.0, 400), (40.71, -74.0, 0.5, 600),
            (-34.6, -58.38, 5.0, 300)]
        for state, (lat, lon, rate_hz, seconds) in enumerate(cases):
            car = drive.Drive(random.Random(state), lat, lon, datetime.datetime(2024, 12, 31, 23, 58), rate_hz)
            for epoch in epochs(car, seconds):
                lines, t = sentences.epoch_sentences(epoch), epoch.time
                for line in lines:  # NMEA's longest sentence is 82 bytes
                    self.assertTrue(sentences.has_good_checksum(line) and line.endswith(b"\r\n") and len(line) <= 82
                                    and line.count(b"\n") == 1 and all(32 <= b < 127 for b in line[:-2]), line)
                got = viewer_reads(b"".join(lines))
                rmc, gga, stamp = got["RMC"], got["GGA"], [t.hour, t.minute, t.second + t.microsecond // 10000 / 100]
                if epoch.fix:
                    self.assertEqual([rmc[:4], rmc[5], rmc[7], rmc[10:], gga[:3], gga[3:7], gga[7:9], got["GSV"][2]], [
                        stamp + ["A"], "NS"[epoch.lat < 0], "EW"[epoch.lon < 0], [t.day, t.month, t.year % 100],
                        stamp, rmc[4:8], [1, epoch.sats_used], len(epoch.satellites)], lines)
                    self.assertAlmostEqual(rmc[4] // 100 + rmc[4] % 100 / 60, abs(epoch.lat), delta=2e-6)
                    self.assertAlmostEqual(rmc[6] // 100 + rmc[6] % 100 / 60, abs(epoch.lon), delta=2e-6)
                    self.assertEqual([rmc[8], rmc[9], gga[10]], [float("%.1f" % epoch.speed_knots), float(
                        sentences.course_field(epoch.course)), float("%.1f" % epoch.altitude)], lines)
                else:  # the viewer takes no fix from them
                    self.assertEqual([rmc, gga, got["GSV"][2]], [None, None, len(epoch.satellites)], lines)


class FaultTest(unittest.TestCase):
    def test_spoilt_sentences(self):
        rng = random.Random(1)
        noise = [faults.noise(rng) for _ in range(200)]
        lengths = sorted(map(len, noise))
        self.assertTrue(10 <= lengths[0] <= 20 and 190 <= lengths[-1] <= 200 and max(map(max, noise)) >= 128, lengths)
        for _ in range(200):
            cut = faults.cut(rng, RMC)
            self.assertTrue(cut and RMC.startswith(cut) and b"\n" not in cut
                            and not sentences.has_good_checksum(cut + b"\r\n"), cut)
            spoilt = faults.with_nul(rng, GGA)  # XOR with 0: the checksum still holds
            self.assertTrue(spoilt.replace(b"\0", b"") == GGA and spoilt.count(b"\0") == 1
                            and spoilt.find(b"\0") <= spoilt.find(b"*") and sentences.has_good_checksum(spoilt), spoilt)
            for original in (RMC, GGA, GSV):
                spoilt = faults.absurd(rng, original)
                old, new = (s.split(b"*")[0].split(b",") for s in (original, spoilt))
                changed = {n.decode() for o, n in zip(old, new) if o != n}
                self.assertTrue(sentences.has_good_checksum(spoilt) and spoilt[-2:] == b"\r\n" and len(old) == len(new)
                                and 1 <= len(changed) <= 3 and changed <= set(faults.ABSURD_NUMBERS), spoilt)
        for other in (b"$GPTXT,hello*00\r\n", b"\xb5b binary\n"):
            self.assertEqual(faults.absurd(rng, other), other)

    def test_schedule(self):
        epoch = [RMC, GGA, GSV]
        schedule = faults.Faults(["noise", "cut", "nul", "absurd"], 2.0, random.Random(5))
        spoilt = [t / 10.0 for t in range(200) if schedule.apply(t / 10.0, epoch) != (epoch, False)]
        self.assertEqual(spoilt, [2.0 * k for k in range(1, 10)])
        schedule = faults.Faults(["hangup"], 1.0, random.Random(6))
        lines, hang_up = schedule.apply(1.0, epoch)
        self.assertTrue(hang_up and lines[-1] in (RMC[:len(RMC) // 2], GGA[:len(GGA) // 2]), lines)
        # A fault waits for a sentence to spoil, and spoils RMC or GGA when there is one.
        schedule = faults.Faults(["cut"], 1.0, random.Random(7))
        self.assertEqual(schedule.apply(1.5, [b"\xb5b\x01\x02"]), ([b"\xb5b\x01\x02"], False))
        lines, _ = schedule.apply(2.5, [GSV, RMC])
        self.assertTrue(lines[0] == GSV and RMC.startswith(lines[1]) and lines[1] != RMC, lines)

    def test_stream_with_faults_repeats_with_its_random_state(self):
        args = ["--stdout", "--no-pace", "--duration", 120, "--faults", "noise,cut,nul,absurd", "--fault-every", 4,
                "--start-time", FIXED_TIME, "--quiet", "--random-state"]
        code, data, err = run(args + [9])
        self.assertEqual((code, err, data[:17], run(args + [9])[1]), (0, "", b"$GPRMC,120000.00,", data))
        self.assertNotEqual(run(args + [8])[1], data)
        lines = data.split(b"\r\n")
        good = [line for line in lines if sentences.has_good_checksum(line + b"\r\n")]
        self.assertTrue(0 in data and max(data) > 127)  # nul, noise
        self.assertTrue(any(re.search(rb"\$GP...,[^*\r\n]*\$GP", line) for line in lines))  # cut
        self.assertTrue(any(re.search(rb",(nan|NAN|-?inf|INFINITY|0x|-0X|1e308)", line) for line in good))
        # 29 epochs of 120 were spoilt, every other one arrives whole
        self.assertGreaterEqual(len(re.findall(rb"\$GPRMC,\d{6}\.00,[AV],", b"\r\n".join(good))), 91)


class DriveTest(unittest.TestCase):
    def test_a_town_drive(self):
        trip = epochs(drive.Drive(random.Random(7), 48.1173, 11.5167, START, 1.0), 1800)
        speeds = [e.speed_knots * drive.KNOT_MPS * 3.6 for e in trip]
        cruising = [s for s in speeds if s > 40.0]
        self.assertTrue(max(speeds) <= 57.0 and len(cruising) > len(speeds) // 3, speeds)
        self.assertAlmostEqual(statistics.fmean(cruising), 50.0, delta=3.0)
        stops = [r for r in runs(trip[10:], lambda e: e.speed_knots == 0) if r[1] - r[0] >= 10]
        turned = any(a.speed_knots and abs(math.remainder(b.course - a.course, 360)) >= 40
                     for a, b in zip(trip, trip[8:]))
        self.assertTrue(len(stops) >= 3 and turned, "stops at red lights and turns")
        for a, b in zip(trip, trip[1:]):
            change = (b.speed_knots - a.speed_knots) * drive.KNOT_MPS
            self.assertTrue(-drive.BRAKING - 1e-9 <= change <= drive.ACCELERATION + 1e-9, change)
            north = math.radians(b.lat - a.lat) * drive.EARTH_RADIUS_M
            east = math.radians(b.lon - a.lon) * drive.EARTH_RADIUS_M * math.cos(math.radians(b.lat))
            self.assertAlmostEqual(math.hypot(north, east), b.speed_knots * drive.KNOT_MPS, delta=0.05)
            self.assertAlmostEqual(math.cos(math.radians(b.course)) * math.hypot(north, east), north, delta=0.5)
        losses = runs(trip, lambda e: not e.fix)
        self.assertTrue(len(losses) >= 2 and losses[0][0] >= drive.FIRST_LOSS_S[0], losses)
        for first, end in losses:
            self.assertTrue(drive.LOSS_S[0] - 1 <= end - first <= drive.LOSS_S[1] + 1, losses)
            self.assertTrue(all(s.snr is None or s.snr < 21 for s in trip[first].satellites))
        self.assertTrue(all(4 <= e.sats_used <= len(e.satellites) for e in trip if e.fix and e.speed_knots > 0))

    def test_crossings_and_moves(self):
        # Each --cross start leads over its line after 10 s and within the first minute, in every quadrant.
        cases = {  # which side of the line a point is on, and how far from it
            "equator": (lambda e: [e.lat > 0], lambda e: abs(e.lat)),
            "meridian": (lambda e: [e.lon > 0], lambda e: abs(e.lon)),
            "antimeridian": (lambda e: [e.lon > 0], lambda e: 180.0 - abs(e.lon)),
            "degree": (lambda e: [math.floor(e.lat), math.floor(e.lon)],
                       lambda e: max(abs(e.lat - round(e.lat)), abs(e.lon - round(e.lon)))),
        }
        for lat, lon in [(48.1, 11.5), (-33.9, 151.2), (40.7, -74.0), (-34.6, -58.4)]:
            for kind, (side, away) in cases.items():
                start = drive.crossing_start(kind, lat, lon)
                trip = epochs(drive.Drive(random.Random(3), *start[:2], START, 1.0, heading=start[2], cross=True), 60)
                crossed = [e for e in trip if all(a != b for a, b in zip(side(e), side(trip[0])))]
                self.assertTrue(crossed and all(e.fix for e in trip) and (crossed[0].time - START).seconds > 10
                                and max(away(trip[0]), away(crossed[0])) < 0.01, (kind, lat, lon))
        cases = [  # (lat, lon, heading, metres) -> (lat, lon, heading), over the 180th meridian and a pole
            ((0.0, 179.999, 90.0, 1852.0), (0.0, -180.0 + 1 / 60.0 - 0.001, 90.0)),
            ((0.0, -179.999, 270.0, 1852.0), (0.0, 180.0 - 1 / 60.0 + 0.001, 270.0)),
            ((89.99, 10.0, 0.0, 1852.0), (90.0 - (1 / 60.0 - 0.01), -170.0, 180.0))]
        for start, expected in cases:
            for got, want in zip(drive.move(*start), expected):
                self.assertAlmostEqual(got, want, delta=1e-4, msg=start)
