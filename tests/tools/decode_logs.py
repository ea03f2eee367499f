"""kavro-decode on real receiver captures: every read line against the read's own text, the
track against the points that text gives, and the command line's edge cases."""

import glob
import json
import os
import shutil
import subprocess
import tempfile
import unittest

import decodetest
from decodetest import DECODER, NMEA_DIR, decode, needs_decoder


def captures():
    return sorted(glob.glob(os.path.join(NMEA_DIR, "*.log")))


@needs_decoder
class CaptureTest(decodetest.DecoderTestCase):
    def test_every_capture_decodes_as_its_text_says(self):
        logs = captures()
        self.assertGreaterEqual(len(logs), 20, "captures in %s" % NMEA_DIR)
        moving_logs = 0
        for path in logs:
            with self.subTest(log=os.path.basename(path)):
                status, lines, errors = decode(path)
                self.assertEqual(status, 0, errors)
                with open(path, "rb") as log:
                    data = log.read()
                self.assertDecodesLog(data, lines)
                moving_logs += lines[-1]["summary"]["pointCount"] > 1
        # The table is only worth something if some captures record a track.
        self.assertGreaterEqual(moving_logs, 8)

    def test_the_fastest_capture_records_its_drive(self):
        # bt451: a car at up to 32.27 knots, 2 Hz; its sessions are joined with a 1.85 km jump.
        status, lines, _ = decode(os.path.join(NMEA_DIR, "bt451.log"), "--summary-only")
        self.assertEqual(status, 0)
        summary = lines[0]["summary"]
        self.assertEqual((summary["reads"], summary["bytes"]), (8, 7339))
        self.assertEqual(summary["topSpeed"]["knots"], decodetest.single("32.273"))
        self.assertAlmostEqual(summary["distance"]["km"], 1.97, delta=0.01)
        self.assertEqual((summary["firstFix"], summary["lastFix"]), ("2009-12-09T15:25:07Z", "2009-12-09T14:33:08Z"))


@needs_decoder
class CommandLineTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kavro-decode-")
        self.addCleanup(shutil.rmtree, self.folder)
        self.log = os.path.join(NMEA_DIR, "haicom-305N.log")

    def run_decoder(self, *arguments, **kwargs):
        done = subprocess.run([DECODER] + list(arguments), capture_output=True, timeout=60, **kwargs)
        return done.returncode, done.stdout.decode(), done.stderr.decode()

    def test_refusals(self):
        missing = os.path.join(self.folder, "missing.log")
        cases = [
            ("no log", [], "no log given"),
            ("unknown option", ["--fast", self.log], "unknown option --fast"),
            ("two logs", [self.log, self.log], "one log at a time"),
            ("missing file", [missing], "no such file: " + missing),
            ("missing folder", [os.path.join(self.folder, "nowhere", "x.log")], "no such file"),
            ("a folder", [self.folder], "cannot read " + self.folder),
        ]
        for name, arguments, message in cases:
            with self.subTest(name):
                status, out, errors = self.run_decoder(*arguments)
                self.assertEqual((status, out), (2, ""))
                self.assertIn("kavro-decode: " + message, errors)

    def test_help(self):
        for option in ("-h", "--help"):
            status, out, errors = self.run_decoder(option, "--fast")
            self.assertEqual((status, errors), (0, ""))
            self.assertTrue(out.startswith("usage: kavro-decode [--summary-only | --no-summary] LOG\n"), out)
            self.assertIn("exit status:", out)

    def test_a_failed_read_ends_the_decoding(self):
        # Reading a process's memory at offset 0 fails with EIO: a read that fails part way.
        status, lines, errors = decode("/proc/self/mem")
        self.assertEqual(status, 1)
        self.assertIn("Error: Error Reading comms port.", errors)
        self.assertIn("kavro-decode: reading /proc/self/mem failed part way", errors)
        self.assertEqual([line["summary"]["reads"] for line in lines], [0])

    def test_output_choices(self):
        _, every, _ = decode(self.log)
        _, summary, _ = decode(self.log, "--summary-only")
        _, reads, _ = decode(self.log, "--no-summary")
        self.assertEqual(summary, every[-1:])
        self.assertEqual(reads, every[:-1])

    def test_standard_input_reads_like_the_file(self):
        _, named, _ = decode(self.log)
        with open(self.log, "rb") as log:
            status, piped, _ = decode("-", stdin=log)
        self.assertEqual(status, 0)
        self.assertEqual(piped, named)

    def test_an_empty_log_has_only_a_summary(self):
        empty = os.path.join(self.folder, "empty.log")
        open(empty, "wb").close()
        status, lines, _ = decode(empty)
        self.assertEqual(status, 0)
        self.assertEqual(lines, [{"summary": {"reads": 0, "bytes": 0, "pointCount": 0,
                                              "distance": {"units": 0, "km": 0},
                                              "topSpeed": {"knots": 0, "kmh": 0}, "validFixes": 0,
                                              "firstFix": None, "lastFix": None}}])

    def test_decoders_run_side_by_side(self):
        # Each decoder's hidden window has a title of its own, so none is refused as a second
        # copy of another.
        runs = [subprocess.Popen([DECODER, self.log, "--summary-only"], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE) for _ in range(4)]
        results = [(run.wait(timeout=60), run.stdout.read(), run.stderr.read()) for run in runs]
        for run in runs:
            run.stdout.close()
            run.stderr.close()
        self.assertEqual([status for status, _, _ in results], [0] * 4, results[0][2].decode())
        self.assertEqual(len({out for _, out, _ in results}), 1)

    def test_a_file_named_like_a_port_is_a_file(self):
        # "COM1:" would open the first serial port; a decoder given a log must read the log.
        shutil.copy(self.log, os.path.join(self.folder, "COM1:"))
        status, lines, _ = decode("COM1:", "--summary-only", cwd=self.folder)
        self.assertEqual(status, 0)
        _, expected, _ = decode(self.log, "--summary-only")
        self.assertEqual(lines, expected)

    def test_odd_bytes_stay_valid_json(self):
        # A NUL ends a read's text; quotes, backslashes, control and high bytes in letter
        # fields are escaped.
        odd = os.path.join(self.folder, "odd.log")
        with open(odd, "wb") as log:
            log.write(b"$GPRMC,120000.00,\",4807.038,\\,01131.000,\xb0,1.0,2.0,230394,,*00\r\n"
                      b"$GPGSV,3,1,11\0$GPRMC,130000.00,A,4807.038,N,01131.000,E,1.0,2.0,230394,,*00\r\n")
        status, lines, _ = decode(odd)
        self.assertEqual(status, 0)
        fix = lines[0]
        self.assertEqual((fix["hour"], fix["status"], fix["latHemisphere"], fix["lonHemisphere"]),
                         (12, '"', "\\", "\u00b0"))
        self.assertEqual(fix["satsInView"], 0, "GSV cut off by the NUL")
        self.assertEqual(json.loads(json.dumps(fix)), fix)


if __name__ == "__main__":
    unittest.main()
