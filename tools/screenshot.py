#!/usr/bin/env python3
"""Makes docs/screenshot.png: the viewer on the quick start's simulated drive (tools/demo.sh,
without bootstrap) under a virtual X server, after Z+ was tapped a few times and it has driven
long enough for the track to have a shape; a picture of its window, menu bar included. The
drive is the same every time (--random-state 29, starting 2024-05-01 12:00 UTC) unless
receiver arguments after -- say otherwise. Needs Xvfb, xdotool and ImageMagick's import."""

import argparse
import os
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tests"))  # the harness
from harness import xserver  # noqa: E402
from harness.screen import ZOOM_IN  # noqa: E402
from harness.session import run_script  # noqa: E402

DRIVE = ("--random-state", 29, "--start-time", "2024-05-01T12:00:00Z")


def picture(session, args):
    session.start_xvfb()
    session.start_demo(session.path("demo"), *DRIVE, *args.receiver_args)
    session.wait_for_main_window()
    for _ in range(args.zoom_in):
        session.click(ZOOM_IN)
        time.sleep(0.3)
    print("screenshot: the viewer runs; the picture follows in %d s" % args.wait, file=sys.stderr)
    time.sleep(args.wait)
    xserver.screenshot(session.display, session.window, args.output)
    print("screenshot: wrote %s" % args.output, file=sys.stderr)
    session.end_with_ok()


def main():
    parser = argparse.ArgumentParser(prog="tools/screenshot.py", description=__doc__)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"),
                        help="the build folder (default: build)")
    parser.add_argument("--output", default=os.path.join(SOURCE, "docs", "screenshot.png"),
                        help="where to write the PNG (default: docs/screenshot.png)")
    parser.add_argument("--wait", type=int, default=45, help="seconds the viewer runs before the picture (default: 45)")
    parser.add_argument("--zoom-in", type=int, default=3,
                        help="taps on Z+ first; each halves the ground shown (default: 3)")
    parser.add_argument("receiver_args", nargs=argparse.REMAINDER, help="-- and arguments for the receiver")
    args = parser.parse_args()
    args.receiver_args = args.receiver_args[1:] if args.receiver_args[:1] == ["--"] else args.receiver_args
    args.output = os.path.abspath(args.output)
    return run_script(lambda session: picture(session, args), args.build, prefix="kavro-screenshot-",
                      logs=("demo.out",))


if __name__ == "__main__":
    sys.exit(main())
