"""Replay: the log's lines, its epochs, and the waits between them."""

import glob
import os
import re
import unittest

import simtest  # noqa: F401  (puts the tools folder on the import path)
from nmea_sim import replay


class LinesTest(unittest.TestCase):
    def test_split_lines(self):
        cases = [
            (b"", []),
            (b"# header\n$GPGSV,1,1,00*79\r\n", [b"$GPGSV,1,1,00*79\r\n"]),
            (b"a\nb\r\nc", [b"a\n", b"b\r\n", b"c"]),
            # binary bytes and a bare CR stay where they are; only '#' at a line start skips
            (b"\xb5b\x01\x07\r#x\n#comment\n \x00#not\n", [b"\xb5b\x01\x07\r#x\n", b" \x00#not\n"]),
            (b"\n\n", [b"\n", b"\n"]),
        ]
        for data, lines in cases:
            self.assertEqual(replay.split_lines(data), lines, data)

    def test_sentence_time(self):
        cases = [
            (b"$GPRMC,123519.00,A,4807.038,N*6A\r\n", 12 * 3600 + 35 * 60 + 19.0),
            (b"$GNGGA,091232.000,4813.0535,N\n", 9 * 3600 + 12 * 60 + 32.0),
            (b"$INRMC,194124,A,\n", 19 * 3600 + 41 * 60 + 24.0),
            (b"\xba\xce\x10$GNGGA,000000.50,,\n", 0.5),  # glued to a binary frame
            (b"$GPRMC,,V,,,,,,,,,,N*53\n", None),       # no time at all
            (b"$GPGSV,3,1,11,123519,\n", None),
            (b"$GPRMC,253519.00,A\n", None),
            (b"$GPRMC,2208-1,A\n", None),
        ]
        for line, expected in cases:
            self.assertEqual(replay.sentence_time(line), expected, line)


def log(*entries):
    """Lines for (time text or None, sentence name) pairs."""
    return [(b"$GP%s,%s,A,*00\r\n" % (name, stamp) if stamp else b"$GP%s,1,1,00*79\r\n" % name)
            for stamp, name in entries]


class EpochsTest(unittest.TestCase):
    def test_by_time_groups_until_the_time_changes(self):
        lines = [b"$GPTXT,banner\r\n"] + log((b"120000.00", b"RMC"), (b"120000.00", b"GGA"),
                                            (None, b"GSV"), (b"120001.00", b"GGA"),
                                            (None, b"GSV"), (b"120001.00", b"RMC"))
        chunks = replay.by_time(lines)
        self.assertEqual([(c.time, len(c.lines)) for c in chunks],
                         [(43200.0, 4), (43201.0, 3)])
        self.assertEqual(b"".join(line for c in chunks for line in c.lines), b"".join(lines))

    def test_delays(self):
        cases = [  # (time stamps of the epochs, waits before each)
            ([b"120000.00", b"120001.00", b"120002.00"], [0.0, 1.0, 1.0]),
            ([b"120000.00", b"120000.20", b"120000.40"], [0.0, 0.2, 0.2]),
            # a paused recording is capped
            ([b"091233", b"091503", b"091504"], [0.0, replay.MAX_GAP_S, 1.0]),
            # time going back (two recordings joined) goes on at the log's own rate
            ([b"152507.50", b"152508.00", b"143306.00", b"143306.50"], [0.0, 0.5, 0.5, 0.5]),
            ([b"152507", b"143306", b"143308"], [0.0, replay.DEFAULT_INTERVAL_S, 2.0]),
            # past midnight
            ([b"235959.00", b"000000.00"], [0.0, 1.0]),
        ]
        for stamps, expected in cases:
            chunks = replay.by_time(log(*[(s, b"RMC") for s in stamps]))
            waits = replay.delays(chunks)
            self.assertEqual(len(waits), len(expected), stamps)
            for got, want in zip(waits, expected):
                self.assertAlmostEqual(got, want, places=6, msg="%s: %s" % (stamps, waits))

    def test_real_logs(self):
        """Every shared capture keeps its bytes (less '#' lines) and plays at its own rate."""
        files = sorted(glob.glob(os.path.join(simtest.SOURCE, "..", "shared", "nmea", "*.log")))
        if not files:
            self.skipTest("no shared captures beside the checkout")
        rates = {"bt451.log": 0.5, "quectel-l76k-nmea.log": 0.2, "haicom-305N.log": 1.0,
                 "nmea-rtk.log": 0.1, "magellan-ec10.log": 2.0}
        for path in files:
            with open(path, "rb") as f:
                data = f.read()
            lines = replay.split_lines(data)
            chunks = replay.by_time(lines)
            kept = b"".join(l for c in chunks for l in c.lines)
            self.assertEqual(kept, re.sub(rb"(?m)^#[^\n]*\n?", b"", data), path)
            waits = replay.delays(chunks)
            self.assertTrue(all(0.0 <= w <= replay.MAX_GAP_S for w in waits), path)
            name = os.path.basename(path)
            if name in rates:
                common = max(set(waits[1:]), key=waits[1:].count)
                self.assertAlmostEqual(common, rates[name], places=2, msg=name)


if __name__ == "__main__":
    unittest.main()
