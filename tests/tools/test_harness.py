"""The end-to-end harness's own promises: each script in a network namespace of its own with
loopback up, out of reach of a Kavro elsewhere on the machine, and a skip that says why and fails
in CI. Each case runs a small script in a process of its own, since the namespace is for good."""

import os
import shutil
import socket
import subprocess
import sys
import unittest

from simtest import SOURCE

# A script of the harness: run_script with the body given, printing what the body prints.
SCRIPT = """
import os, socket, sys
sys.path.insert(0, %r)
from harness.script import Skip
from harness.session import run_script
def body(session):
%s
sys.exit(run_script(body))
"""
# What the body sees: its network namespace, whether the name of a socket bound outside shows,
# and whether a TCP connection on loopback (IPv4 and IPv6) goes through.
LOOK_AROUND = """
    print("namespace", os.readlink("/proc/self/ns/net"))
    print("outside name seen", sys.argv[1] in open("/proc/net/unix").read())
    for family, host in ((socket.AF_INET, "127.0.0.1"), (socket.AF_INET6, "::1")):
        with socket.create_server((host, 0), family=family) as server:
            socket.create_connection((host, server.getsockname()[1]), 5).close()
            print("loopback", host, "connects")
"""


def run_body(body, *args, env=None, prefix=()):
    """(exit code, output lines) of a harness script with this body, started with these arguments
    after the command words in prefix."""
    code = SCRIPT % (os.path.join(SOURCE, "tests"), body)
    done = subprocess.run([*prefix, sys.executable, "-c", code, *args], capture_output=True, text=True, timeout=60,
                          env=dict(os.environ, **(env or {})))
    return done.returncode, done.stdout.splitlines() + done.stderr.splitlines()


class OwnNetworkTest(unittest.TestCase):
    def test_each_script_in_a_namespace_of_its_own(self):
        """A Kavro announced outside (an abstract socket like the viewer's) is out of sight,
        and loopback works inside."""
        name = "kavro-harness-test/%d" % os.getpid()
        with socket.socket(socket.AF_UNIX) as outside:
            outside.bind("\0" + name)
            code, lines = run_body(LOOK_AROUND, "@" + name, env={"CI": ""})
        self.assertEqual(code, 0, lines)
        self.assertNotIn("namespace " + os.readlink("/proc/self/ns/net"), lines)
        self.assertEqual(lines[1:4], ["outside name seen False", "loopback 127.0.0.1 connects",
                                      "loopback ::1 connects"])

    def test_a_skip_says_why_and_fails_in_ci(self):
        body = '    raise Skip("no Xvfb here")'
        cases = [
            ({"CI": ""}, 77, "skipped: no Xvfb here"),
            ({"CI": "false"}, 77, "skipped: no Xvfb here"),
            ({"CI": "true"}, 1, "FAIL: skipped in CI, where every test must run: no Xvfb here"),
        ]
        for env, expected_code, expected_line in cases:
            code, lines = run_body(body, env=env)
            self.assertEqual((code, lines), (expected_code, [expected_line]), env)

    def test_no_namespace_allowed_is_a_skip_naming_the_cause(self):
        """Where no namespace may be made (no capability, user namespaces limited to none),
        the script skips, naming both refusals, and in CI fails; its body never runs."""
        if shutil.which("unshare") is None or shutil.which("setpriv") is None:
            self.skipTest("unshare or setpriv is not installed")
        # A user namespace of the test's own stands for such a system: none allowed in it, no capability kept.
        forbid = ["unshare", "--user", "--map-root-user", "sh", "-c",
                  'echo 0 >/proc/sys/user/max_user_namespaces && exec setpriv --bounding-set=-all --inh-caps=-all "$@"',
                  "forbid"]
        if subprocess.run(forbid + ["true"], capture_output=True).returncode != 0:
            self.skipTest("this system allows no user namespace to stand for one without namespaces")
        cause = ("no network namespace of its own may be made (as user 0: Operation not permitted; in a user "
                 "namespace: none allowed (sysctl user.max_user_namespaces))")
        for env, expected_code, expected_line in [({"CI": ""}, 77, "skipped: " + cause),
                                                  ({"CI": "true"}, 1, "FAIL: skipped in CI, where every test must "
                                                                      "run: " + cause)]:
            code, lines = run_body('    print("the body ran")', env=env, prefix=forbid)
            self.assertEqual((code, lines), (expected_code, [expected_line]), env)


if __name__ == "__main__":
    unittest.main()


class ToolsOnTheHarnessTest(unittest.TestCase):
    """The developer's tools that run on the harness (the demo, the screenshot, the performance
    comparison) still find in it every name they import: each answers --help."""

    def test_each_tool_answers_help(self):
        for tool in ("tools/demo.py", "tools/screenshot.py", "tools/perf/perf_compare.py"):
            with self.subTest(tool=tool):
                done = subprocess.run([sys.executable, os.path.join(SOURCE, tool), "--help"], capture_output=True,
                                      timeout=60)
                self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
                self.assertIn(b"usage:", done.stdout)
