"""kavro-decode's command line: what it prints and its exit status for refusals, an empty log,
standard input, the output choices and a read that fails part way, against a capture's .chk."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

DECODER = os.environ["KAVRO_DECODE"]
LOG = os.path.join(os.environ["KAVRO_NMEA_DIR"], "haicom-305N.log")
HERE = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(HERE, "haicom-305N.chk")) as chk:
    LINES = chk.read().splitlines(keepends=True)
NOTHING_READ = ('{"summary":{"reads":0,"bytes":0,"pointCount":0,"distance":{"units":0,"km":0},'
                '"topSpeed":{"knots":0,"kmh":0},"validFixes":0,"firstFix":null,"lastFix":null}}\n')


def run(arguments, stdin=None, cwd=None):
    with open(stdin or os.devnull, "rb") as source:
        done = subprocess.run([DECODER] + arguments, stdin=source, cwd=cwd, capture_output=True,
                              timeout=60)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


class CommandLineTest(unittest.TestCase):
    def test_cases(self):
        folder = tempfile.mkdtemp(prefix="kavro-decode-")
        self.addCleanup(shutil.rmtree, folder)
        empty = os.path.join(folder, "empty.log")
        open(empty, "wb").close()
        missing = os.path.join(folder, "missing.log")
        # "COM1:" would open the first serial port; a decoder given a log must read the log.
        shutil.copy(LOG, os.path.join(folder, "COM1:"))
        cases = [
            # name, arguments, standard input, exit status, standard output, in standard error
            ("no log", [], None, 2, "", "kavro-decode: no log given"),
            ("unknown option", ["--fast", LOG], None, 2, "", "unknown option --fast"),
            ("two logs", [LOG, LOG], None, 2, "", "one log at a time"),
            ("missing file", [missing], None, 2, "", "no such file: " + missing),
            ("missing folder", [missing + "/x.log"], None, 2, "", "no such file"),
            ("a folder", [folder], None, 2, "", "cannot read " + folder),
            ("empty log", [empty], None, 0, NOTHING_READ, ""),
            ("standard input", ["-"], LOG, 0, "".join(LINES), ""),
            ("summary only", ["--summary-only", LOG], None, 0, LINES[-1], ""),
            ("no summary", ["--no-summary", LOG], None, 0, "".join(LINES[:-1]), ""),
            ("a file named like a port", ["COM1:"], None, 0, "".join(LINES), ""),
            # Reading a process's memory at offset 0 fails with EIO.
            ("a failed read", ["/proc/self/mem"], None, 1, NOTHING_READ, "failed part way"),
        ]
        for name, arguments, stdin, status, out, error in cases:
            with self.subTest(name):
                result, printed, errors = run(arguments, stdin, cwd=folder)
                self.assertEqual((result, printed), (status, out))
                self.assertIn(error, errors)

    def test_decoders_run_side_by_side(self):
        # Each decoder's hidden window has a title of its own, so none is refused as a second
        # copy of another.
        runs = [subprocess.Popen([DECODER, LOG], stdout=subprocess.PIPE) for _ in range(4)]
        outputs = [run.communicate(timeout=60)[0].decode() for run in runs]
        self.assertEqual([run.returncode for run in runs], [0] * 4)
        self.assertEqual(outputs, ["".join(LINES)] * 4)

    def test_expected_lines_are_strict_json(self):
        # A .chk is regenerated from the decoder: no NaN or Infinity, every line one object.
        def refuse(name):
            raise ValueError("not JSON: " + name)
        for chk in sorted(f for f in os.listdir(HERE) if f.endswith(".chk")):
            with self.subTest(chk), open(os.path.join(HERE, chk), encoding="ascii") as lines:
                for line in lines:
                    self.assertIsInstance(json.loads(line, parse_constant=refuse), dict)


if __name__ == "__main__":
    unittest.main()
