#!/usr/bin/env python3
"""Shows Kavro on a simulated GPS receiver: a car driving through Lisbon at 5 fixes a second.
It copies the viewer into a program folder of its own, starts the simulated receiver
(tools/nmea_sim) there with Tolm.ini's PORT line set to it, and then the viewer. When the
viewer closes, the receiver stops and removes its link. tools/demo.sh runs this after
tools/bootstrap.sh (which installs what is missing and builds).

sources (--source), how the viewer reads the receiver:
  pty   its pseudo-terminal, linked as COM1 (PORT = COM1)
  tcp   its TCP server on a free loopback port, no pseudo-terminal (PORT = tcp://127.0.0.1:PORT)
  udp   its datagrams to a free loopback port, no pseudo-terminal (PORT = udp://:PORT)
  gpsd  Debian's gpsd on its pseudo-terminal, read-only (-b), on a free loopback port with its
        control socket in a temporary folder (PORT = gpsd://127.0.0.1:PORT); needs gpsd

examples:
  tools/demo.sh
  tools/demo.sh -- --random-state 7                  the same drive every time
  tools/demo.sh -- --replay tests/data/nmea/bt451.log --loop
  tools/demo.sh --source gpsd"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile

SOURCE = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
sys.path[:0] = [os.path.join(SOURCE, "tools"), os.path.join(SOURCE, "tests")]  # the receiver; the harness
from harness.script import Failure, Skip  # noqa: E402
from harness.session import Session  # noqa: E402
from harness.viewer import executable, instance_running  # noqa: E402
from nmea_sim.port import write_settings  # noqa: E402

BAUD = 38400
DRIVE = ["--rate-hz", "5", "--start", "38.7077,-9.1366"]  # unless the receiver replays a log


def parse_args():
    parser = argparse.ArgumentParser(prog="tools/demo.sh", description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--no-bootstrap", action="store_true",
                        help="use what is built already; install and build nothing")
    parser.add_argument("--build", default="build", help="the build folder (default: build)")
    parser.add_argument("--folder", help="the demo's program folder (default: the build folder's demo/)")
    parser.add_argument("--display", default=os.environ.get("DISPLAY"),
                        help="the X display to show the viewer on (default: $DISPLAY)")
    parser.add_argument("--source", choices=("pty", "tcp", "udp", "gpsd"), default="pty",
                        help="how the viewer reads the receiver (default: pty)")
    parser.add_argument("receiver", nargs="*", metavar="-- RECEIVER-ARGS",
                        help="more arguments for the receiver (python3 tools/nmea_sim --help), after the "
                             "demo's own (--baud 38400, and for the drive --rate-hz 5 --start 38.7077,-9.1366)")
    args = parser.parse_args()
    os.chdir(SOURCE)
    program = executable(args.build)
    if not os.access(program, os.X_OK):
        parser.exit(1, "demo: no viewer at %s; build it first (tools/bootstrap.sh)\n" % program)
    if not args.display and not os.environ.get("WAYLAND_DISPLAY"):
        parser.exit(1, "demo: no display to show the viewer on; run it in a desktop session or give --display\n")
    if instance_running():
        parser.exit(1, "demo: a Kavro viewer is running already (one runs at a time); close it first\n")
    return args


def demo(session, args):
    folder = os.path.abspath(args.folder or os.path.join(args.build, "demo"))
    session.make_program_folder(folder)
    if not os.path.exists(os.path.join(folder, "Tolm.ini")):
        shutil.copy(os.path.join(os.path.dirname(session.program), "Tolm.ini"), folder)  # the example
    # A link left by a receiver that was killed outright points to a pseudo-terminal that is gone
    # (or now someone else's); the viewer must not open it before the new receiver replaces it.
    link = os.path.join(folder, "COM1")
    if os.path.islink(link) and os.readlink(link).startswith("/dev/pts/"):
        os.unlink(link)
    replay = any(a == "--replay" or a.startswith("--replay=") for a in args.receiver)
    receiver_args = ["--baud", BAUD] + ([] if replay else DRIVE) + args.receiver
    sink = args.source if args.source in ("tcp", "udp") else None
    session.start_receiver(*receiver_args, port=1, write_ini=args.source == "pty", name=None, sink=sink)
    if args.source == "gpsd":
        gpsd, port = session.start_gpsd(os.readlink(link))
        write_settings(folder, "gpsd://127.0.0.1:%d" % port, BAUD)
        print("demo: gpsd %d reads %s, serves 127.0.0.1:%d" % (gpsd.pid, os.readlink(link), port), file=sys.stderr)
    print("demo: starting the viewer in %s (it gives the receiver 3 seconds first)" % folder, file=sys.stderr)
    env = dict(os.environ, **({"DISPLAY": args.display} if args.display else {}))
    viewer = subprocess.Popen(["./kavro"], cwd=folder, env=env)
    session.started.append(viewer)
    print("demo: receiver %d, viewer %d" % (session.receiver.pid, viewer.pid), file=sys.stderr, flush=True)
    status = viewer.wait()
    print("demo: the viewer closed", file=sys.stderr)
    return status


def main():
    args = parse_args()
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, lambda number, _: sys.exit(128 + number))
    with tempfile.TemporaryDirectory(prefix="kavro-demo-") as work:
        session = Session(work, os.path.abspath(args.build))
        try:
            return demo(session, args)
        except (Failure, Skip) as error:
            print("demo: %s" % error, file=sys.stderr)
            return 1
        finally:
            session.stop()  # the viewer, gpsd and the receiver, which takes its link away


if __name__ == "__main__":
    sys.exit(main())
