"""Replay: the log's lines, its epochs, the waits between them, and the tool sending a log."""

import glob
import os
import pathlib
import re
import statistics

from simtest import SOURCE, Case, bursts, joined, read_timed, stop
from nmea_sim import replay

LOG = (b"# Name: test capture\n$GPTXT,01,01,02,banner*00\r\n$GPRMC,120000.00,A*00\r\n\xb5b\x01\x07\x00\xff\x0d binary\n"
       b"$GPRMC,120000.50,A*00\n#\n$GPGGA,120001.00,4807.038*00\n$GPRMC,110000.00,A*00\r\n$GPRMC,110000.50,A*00")
SENT = re.sub(rb"(?m)^#[^\n]*\n", b"", LOG)


def log(*stamps):
    return [b"$GPRMC,%s,A,*00\r\n" % stamp for stamp in stamps]


class ReplayTest(Case):
    def test_lines_and_time_stamps(self):
        # binary bytes and a bare CR stay where they are; only '#' at a line start skips
        self.assertEqual(replay.split_lines(b"\xb5b\x01\x07\r#x\n#comment\n \x00#not\n\n$GP"),
                         [b"\xb5b\x01\x07\r#x\n", b" \x00#not\n", b"\n", b"$GP"])
        cases = [
            (b"$INRMC,194124,A,\n", 19 * 3600 + 41 * 60 + 24.0), (b"$GNGGA,091232.000,4813.0535,N\n", 33152.0),
            (b"$GPRMC,,V,,,,,,,,,,N*53\n", None), (b"$GPRMC,2208-1,A\n", None),
            (b"\xba\xce\x10$GNGGA,000000.50,,\n", 0.5),  # glued to a binary frame
            (b"$GPGSV,3,1,11,123519,\n", None), (b"$GPRMC,253519.00,A\n", None),
        ]
        for line, expected in cases:
            self.assertEqual(replay.sentence_time(line), expected, line)
        lines = [b"$GPTXT,banner\r\n"] + log(b"120000.00", b"120000.00") + [b"$GPGSV,1,1,00*79\r\n"] + log(b"120001.00")
        self.assertEqual([(c.time, c.lines) for c in replay.by_time(lines)],
                         [(43200.0, lines[:4]), (43201.0, lines[4:])])

    def test_delays(self):
        cases = [  # (time stamps of the epochs, waits before each)
            ([b"120000.00", b"120000.20", b"120000.40"], [0.0, 0.2, 0.2]),
            # a paused recording is capped
            ([b"091233", b"091503", b"091504"], [0.0, replay.MAX_GAP_S, 1.0]),
            # time going back (two recordings joined) goes on at the log's own rate
            ([b"152507.50", b"152508.00", b"143306.00", b"143306.50"], [0.0, 0.5, 0.5, 0.5]),
            ([b"152507", b"143306", b"143308"], [0.0, replay.DEFAULT_INTERVAL_S, 2.0]),
            ([b"235959.00", b"235959.50", b"000001.00"], [0.0, 0.5, 1.5]),  # past midnight
        ]
        for stamps, expected in cases:
            waits = replay.delays(replay.by_time(log(*stamps)))
            self.assertEqual([round(w, 6) for w in waits], expected, stamps)

    def test_real_logs(self):
        """Every real capture keeps its bytes (less '#' lines) and plays at its own rate."""
        files = sorted(glob.glob(os.path.join(SOURCE, "tests", "data", "nmea", "*.log")))
        self.assertEqual(len(files), 25, "the captures in tests/data/nmea/")
        rates = {"bt451.log": 0.5, "quectel-l76k-nmea.log": 0.2, "haicom-305N.log": 1.0,
                 "nmea-rtk.log": 0.1, "magellan-ec10.log": 2.0}
        for path in files:
            data = pathlib.Path(path).read_bytes()
            chunks = replay.by_time(replay.split_lines(data))
            self.assertEqual(b"".join(l for c in chunks for l in c.lines), re.sub(rb"(?m)^#[^\n]*\n?", b"", data), path)
            waits = replay.delays(chunks)
            self.assertTrue(all(0.0 <= w <= replay.MAX_GAP_S for w in waits), path)
            if os.path.basename(path) in rates:
                self.assertAlmostEqual(statistics.mode(waits[1:]), rates[os.path.basename(path)], places=2, msg=path)

    def sent(self, *args):
        process = self.start("--replay", self.path("test.nmea", LOG), "--stdout", "--quiet", *args, link=None)
        fd = process.stdout.fileno()
        pieces, ended = read_timed([fd], 8.0)
        self.assertEqual((ended, stop(process)[0]), ({fd}, 0))
        return pieces[fd]

    def test_sent_as_it_is_in_a_loop(self):
        # epochs at 0, 0.5, 1.0, 1.5 (time went back), 2.0; again from 2.5 and from 5.0
        self.assertEqual(joined(self.sent("--no-pace", "--loop", "--duration", 5.2)),
                         SENT + SENT + SENT[:SENT.index(b"$GPRMC,120000.50")])

    def test_paced_by_time_stamps_or_by_lines(self):
        epochs = bursts(self.sent("--baud", 115200), 0.2)
        self.assertEqual([re.findall(rb"\$GP(?:RMC|GGA),(\d{6}\.\d\d)", data) for _, _, data in epochs],
                         [[b"120000.00"], [b"120000.50"], [b"120001.00"], [b"110000.00"], [b"110000.50"]])
        for (first, _, _), offset in zip(epochs, [0.0, 0.5, 1.0, 1.5, 2.0]):
            self.assertAlmostEqual(first - epochs[0][0], offset, delta=0.15, msg=epochs)
        lines = self.sent("--baud", 115200, "--replay-rate", 20)
        self.assertAlmostEqual(lines[-1][0] - lines[0][0], SENT.count(b"\n") / 20.0, delta=0.12, msg=lines)
        self.assertEqual([b"".join(data for _, _, data in epochs), joined(lines)], [SENT, SENT])
