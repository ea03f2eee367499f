#!/usr/bin/env python3
"""End to end under Xvfb: the small CE-style program (ce_window_demo) shows a message box
(answered with Enter), then its window; an xdotool click reaches its window procedure at the
right client coordinates, a screenshot shows exactly the pattern it painted above the menu bar
strip, and the strip's "Ok" button ends it.

usage: window_e2e.py PROGRAM
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or where no network namespace of its
own may be made."""

import os
import sys
import time

import steps  # noqa: F401 (puts tests/ on the path)

from harness.screen import BACKGROUND, BLUE, MENU_BAR, OK_BUTTON, RED, WHITE
from harness.script import Failure, read_text, wait_for, wait_for_end
from harness.session import run_script

CLASS = "ce_window_demo"
CLICK = (123, 45)
# What the program paints, in client coordinates, and the menu bar strip below it.
PATTERN = [
    ((0, 0), BACKGROUND), ((479, 0), BACKGROUND), ((150, 200), BACKGROUND),
    ((10, 10), RED), ((109, 59), RED), ((110, 59), BACKGROUND), ((109, 60), BACKGROUND),
    ((200, 300), BLUE), ((299, 399), BLUE), ((300, 399), BACKGROUND),
    ((470, 526), WHITE), ((479, 535), WHITE), ((469, 535), BACKGROUND),
    ((300, 536 + 13), MENU_BAR),
]


def run(session, program):
    def printed(pattern):
        """The program's output lines that start with pattern, once there are any."""
        return wait_for(lambda: [line for line in read_text(session.path("kavro.out")).splitlines()
                                 if line.startswith(pattern)], 10, 0.1, "the program never printed %r" % pattern)

    session.start_xvfb()
    session.viewer = session.launch_viewer(command=[program, "--box"])
    boxes = wait_for(lambda: session.settled_windows("Error", CLASS), 20, 0.2, "the message box never showed")
    session.xdotool("key", "--window", boxes[0], "Return", check=False)  # the box may go before xdotool is done
    printed("box closed")
    if printed("painted") != ["painted 480 536"]:
        raise Failure("client area is not 480 x 536")
    session.use_window(wait_for(lambda: session.settled_windows("Kavro e2e", CLASS), 10, 0.2,
                                "no visible window titled 'Kavro e2e'")[0])

    session.click(CLICK)
    if printed("up ") != ["up %d %d" % CLICK] or printed("down ") != ["down %d %d" % CLICK]:  # up comes last
        raise Failure("the click did not reach the window procedure at client %r" % (CLICK,))

    time.sleep(0.5)  # let the last present reach the server
    screen = session.screenshot("pattern")
    bad = ["client %r: expected %r, got %r" % (at, want, screen.pixel(*at))
           for at, want in PATTERN if screen.pixel(*at) != want]
    if bad:
        raise Failure("the screenshot does not show the painted pattern:\n  " + "\n  ".join(bad))

    # The strip's "Ok" button sends its command and the program ends by itself.
    session.click(OK_BUTTON)
    printed("command 40001")
    if wait_for_end(session.viewer, 10, "the program did not end after Ok") != 0:
        raise Failure("the program ended with %d" % session.viewer.returncode)


if __name__ == "__main__":
    program = os.path.realpath(sys.argv[-1])
    sys.exit(run_script(lambda session: run(session, program), prefix="kavro-window-", logs=("kavro.*",))
             if len(sys.argv) == 2 else print(__doc__) or 2)
