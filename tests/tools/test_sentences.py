"""The generated sentences: checksums, field formats, and what the viewer reads from them."""

import datetime
import random
import unittest

import simtest
from nmea_sim import drive, sentences

WHEN = datetime.datetime(1994, 3, 23, 12, 35, 19)


class ChecksumTest(unittest.TestCase):
    def test_known_sentences(self):
        cases = [  # real receivers' sentences with their own checksums
            (b"$GPRMC,095255.810,V,2712.6404,S,15303.1201,E,0.00,0.00,080407,,,A*6E", 0x6E),
            (b"$GPRMC,022021.00,A,3644.759368,S,17444.072860,E,0.0,301.9,071020,18.3,E,A,V*6E",
             0x6E),
            (b"$GNGGA,091232.000,4813.0535,N,00824.8697,E,1,12,0.7,765.8,M,47.4,M,,0000*45", 0x45),
            (b"$GPRMC,001902.00,V,,,,,,,020211,,,N*77", 0x77),
            (b"$GPGSV,1,1,00*79", 0x79),
        ]
        for line, expected in cases:
            body, _, _ = sentences.split_sentence(line)
            self.assertEqual(sentences.checksum(body), expected, line)
            self.assertTrue(sentences.has_good_checksum(line), line)

    def test_frame_adds_dollar_star_hex_and_crlf(self):
        self.assertEqual(sentences.frame("GPGSV,1,1,00"), b"$GPGSV,1,1,00*79\r\n")
        self.assertFalse(sentences.has_good_checksum(b"$GPGSV,1,1,00*78\r\n"))
        self.assertFalse(sentences.has_good_checksum(b"$GPGSV,1,1,00*Z9\r\n"))
        self.assertFalse(sentences.has_good_checksum(b"$GPGSV,1,1,00"))


class FieldTest(unittest.TestCase):
    def test_coordinates(self):
        cases = [  # (signed degrees, latitude fields, longitude fields)
            (0.0, ("0000.0000", "N"), ("00000.0000", "E")),
            (48.1173, ("4807.0380", "N"), ("04807.0380", "E")),
            (-33.86, ("3351.6000", "S"), ("03351.6000", "W")),
            (12.5, ("1230.0000", "N"), ("01230.0000", "E")),
            # minutes that round up to 60 carry into the next degree
            (59.9999999999, ("6000.0000", "N"), ("06000.0000", "E")),
            (-89.99999999, ("9000.0000", "S"), ("09000.0000", "W")),
            # a negative value that rounds to zero keeps N and E
            (-1e-9, ("0000.0000", "N"), ("00000.0000", "E")),
            (-0.5, ("0030.0000", "S"), ("00030.0000", "W")),
        ]
        for value, lat, lon in cases:
            self.assertEqual((sentences.latitude_fields(value), sentences.longitude_fields(value)),
                             (lat, lon), value)
        self.assertEqual(sentences.longitude_fields(-179.99999999), ("18000.0000", "W"))

    def test_time_date_course(self):
        cases = [  # (time, hhmmss.ss, ddmmyy)
            (datetime.datetime(2024, 5, 1, 0, 0, 0), "000000.00", "010524"),
            (datetime.datetime(2099, 12, 31, 23, 59, 59, 999999), "235959.99", "311299"),
            (datetime.datetime(2024, 5, 1, 12, 0, 0, 200000), "120000.20", "010524"),
        ]
        for when, time_text, date_text in cases:
            self.assertEqual((sentences.time_field(when), sentences.date_field(when)),
                             (time_text, date_text))
        courses = [(0.0, "0.0"), (84.44, "84.4"), (0.05, "0.1"), (359.96, "0.0"), (-0.04, "0.0"),
                   (359.94, "359.9"), (720.25, "0.3")]
        for course, text in courses:
            self.assertEqual(sentences.course_field(course), text, course)


class ViewerReadingTest(unittest.TestCase):
    """Each sentence as the viewer's reader takes it, whole record against whole record."""

    def test_fix_sentences(self):
        data = (sentences.rmc(WHEN, 48.1173, 11.5167, 22.4, 84.4)
                + sentences.gga(WHEN, 48.1173, 11.5167, 8, 0.9, 545.4, 46.9)
                + b"".join(sentences.gsv([sentences.Satellite(n, 30, 100, 40) for n in range(1, 12)])))
        expected = dict(simtest.zero_fix(), hour=12, minute=35, second=19, status="A",
                        latitude=simtest.single(4807.038), ns="N",
                        longitude=simtest.single(1131.002), ew="E",
                        speed=simtest.single(22.4), course=simtest.single(84.4),
                        day=23, month=3, year=2094, fixQuality=1, satsUsed=8,
                        altitude=simtest.single(545.4), satsInView=11)
        self.assertEqual(simtest.viewer_fix(data), expected)

    def test_no_fix_sentences(self):
        few = [sentences.Satellite(7, 40, 120, None), sentences.Satellite(9, 20, 300, 12)]
        data = (sentences.rmc_no_fix(WHEN) + sentences.gga_no_fix(WHEN)
                + b"".join(sentences.gsv(few)))
        self.assertEqual(data, b"$GPRMC,123519.00,V,,,,,,,230394,,,N*7F\r\n"
                               b"$GPGGA,123519.00,,,,,0,00,99.99,,,,,,*6B\r\n"
                               b"$GPGSV,1,1,02,07,40,120,,09,20,300,12*70\r\n")
        # The RMC is rejected: only the fields scanned before the empty latitude stay.
        expected = dict(simtest.zero_fix(), hour=12, minute=35, status="V", satsInView=2)
        self.assertEqual(simtest.viewer_fix(data), expected)

    def test_gsv_cycle(self):
        sky = [sentences.Satellite(n, 10 + n, 20 * n, 30 + n) for n in range(1, 10)]
        cycle = sentences.gsv(sky)
        self.assertEqual(len(cycle), 3)
        self.assertTrue(cycle[0].startswith(b"$GPGSV,3,1,09,01,11,020,31,"), cycle[0])
        self.assertTrue(cycle[2].startswith(b"$GPGSV,3,3,09,09,19,180,39*"), cycle[2])
        self.assertEqual(sentences.gsv([]), [b"$GPGSV,1,1,00*79\r\n"])


class GeneratedDriveTest(unittest.TestCase):
    """Every sentence of long drives, in every quadrant and at several rates."""

    def check_drive(self, lat, lon, rate_hz, seconds, state):
        start = datetime.datetime(2024, 12, 31, 23, 58, 0)
        car = drive.Drive(random.Random(state), lat, lon, start, rate_hz)
        seen_fix = seen_no_fix = 0
        for _ in range(int(seconds * rate_hz)):
            epoch = car.epoch()
            lines = sentences.epoch_sentences(epoch)
            for line in lines:
                self.assertTrue(line.endswith(b"\r\n") and line.count(b"\r\n") == 1, line)
                self.assertTrue(sentences.has_good_checksum(line), line)
                self.assertTrue(all(32 <= b < 127 for b in line[:-2]), line)
                self.assertLessEqual(len(line), 82, line)  # NMEA's longest sentence
            fix = simtest.viewer_fix(b"".join(lines))
            if epoch.fix:
                seen_fix += 1
                self.assertEqual(fix, self.expected_fix(epoch), lines)
            else:
                seen_no_fix += 1
                self.assertEqual(fix, dict(simtest.zero_fix(), hour=epoch.time.hour,
                                           minute=epoch.time.minute, status="V",
                                           satsInView=len(epoch.satellites)), lines)
                self.assertLessEqual(len(epoch.satellites), 3)
            car.advance()
        self.assertGreater(seen_fix, 0)
        self.assertGreater(seen_no_fix, 0)

    def expected_fix(self, epoch):
        lat_text, ns = sentences.latitude_fields(epoch.lat)
        lon_text, ew = sentences.longitude_fields(epoch.lon)
        return dict(
            simtest.zero_fix(), hour=epoch.time.hour, minute=epoch.time.minute,
            second=epoch.time.second, status="A", latitude=simtest.single(float(lat_text)),
            ns=ns, longitude=simtest.single(float(lon_text)), ew=ew,
            speed=simtest.single(float("%.1f" % epoch.speed_knots)),
            course=simtest.single(float(sentences.course_field(epoch.course))),
            day=epoch.time.day, month=epoch.time.month, year=2000 + epoch.time.year % 100,
            fixQuality=1, satsUsed=epoch.sats_used,
            altitude=simtest.single(float("%.1f" % epoch.altitude)),
            satsInView=len(epoch.satellites))

    def test_quadrants_and_rates(self):
        cases = [  # (lat, lon, rate, seconds)
            (48.1173, 11.5167, 1.0, 400),
            (-33.86, 151.21, 1.0, 400),
            (40.71, -74.0, 0.5, 600),
            (-34.6, -58.38, 5.0, 300),
        ]
        for state, (lat, lon, rate_hz, seconds) in enumerate(cases):
            with self.subTest(lat=lat, lon=lon, rate=rate_hz):
                self.check_drive(lat, lon, rate_hz, seconds, state)

    def test_time_stamps_follow_the_rate(self):
        start = datetime.datetime(2024, 5, 1, 12, 0, 0)
        cases = [(1.0, ["120000.00", "120001.00", "120002.00"]),
                 (5.0, ["120000.00", "120000.20", "120000.40"]),
                 (0.5, ["120000.00", "120002.00", "120004.00"]),
                 (3.0, ["120000.00", "120000.33", "120000.66"])]
        for rate_hz, expected in cases:
            car = drive.Drive(random.Random(1), 0.0, 0.0, start, rate_hz)
            stamps = []
            for _ in expected:
                stamps.append(sentences.time_field(car.epoch().time))
                car.advance()
            self.assertEqual(stamps, expected, rate_hz)


if __name__ == "__main__":
    unittest.main()
