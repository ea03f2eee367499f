"""kavro-decode --gpx: every capture of the index becomes a GPX document that gpsbabel and gpxpy
read whole, with as many points as the viewer's track would hold, each one of the capture's own
fixes; a log that never moves gives a document without a track. Nothing is written beside the
decoder or in the working folder."""

import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, ".."))
from harness.gpx import check_track, gpxpy_module  # noqa: E402

DECODER = os.environ["KAVRO_DECODE"]
CAPTURES = os.environ["KAVRO_NMEA_DIR"]


def decode(arguments, cwd):
    done = subprocess.run([DECODER] + arguments, capture_output=True, timeout=120, cwd=cwd)
    return done.returncode, done.stdout, done.stderr.decode()


class GpxTest(unittest.TestCase):
    def test_every_capture(self):
        with open(os.path.join(HERE, "index")) as index:
            captures = [line.split()[0] for line in index if line.strip() and not line.startswith("#")]
        moving = 0
        with tempfile.TemporaryDirectory(prefix="kavro-gpx-") as work:
            for capture in captures:
                with self.subTest(capture=capture):
                    log = os.path.join(CAPTURES, capture)
                    code, summary, errors = decode(["--summary-only", log], work)
                    self.assertEqual(code, 0, errors)
                    count = json.loads(summary)["summary"]["pointCount"]
                    code, text, errors = decode(["--gpx", log], work)
                    # A sanitizer build may list the suppressions it used; nothing else is said.
                    self.assertEqual(code, 0, errors)
                    self.assertFalse(re.search(r"kavro|ERROR|runtime error", errors), errors)
                    path = os.path.join(work, "track.gpx")
                    with open(path, "wb") as out:
                        out.write(text)
                    if count == 0:
                        document = gpxpy_module().parse(text.decode())
                        self.assertEqual((len(document.tracks), text.count(b"<trkpt")), (0, 0))
                        continue
                    moving += 1
                    # Some captures are joined from several sessions, so times may go back: a new segment.
                    points = check_track(path, capture=log, least=count, rising=False)
                    self.assertEqual(len(points), count)
            self.assertEqual(sorted(os.listdir(work)), ["track.gpx"])
        self.assertGreaterEqual(moving, 10)
        self.assertFalse(os.path.exists(os.path.join(os.path.dirname(DECODER), "tracks")))


if __name__ == "__main__":
    unittest.main()
