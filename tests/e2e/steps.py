"""Steps the end-to-end scripts share: a drive under the X server, checks of the viewer's life
and standard error, a process awaited, the main of a script of named scenarios. Importing it
puts tools/ (the harness) on the path."""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "tools"))
from harness.script import Failure, check_no_sanitizer_report  # noqa: E402
from harness.session import run_script  # noqa: E402


def start_drive(session, *receiver, timer_record=False, **options):
    """A program folder (its viewer recording its timer in the work folder, with timer_record),
    the X server, and the simulated receiver started with these arguments."""
    session.make_program_folder(timer_record=session.path("stats.txt") if timer_record else None)
    session.start_xvfb()
    session.start_receiver(*receiver, **options)


def check_errors(session, expected, name="kavro.err"):
    """The viewer's standard error holds exactly these lines (regular expressions) and no
    sanitizer report."""
    text = session.viewer_errors(name)
    check_no_sanitizer_report(text)
    lines = text.splitlines()
    if len(lines) != len(expected) or not all(re.fullmatch(p, line) for p, line in zip(expected, lines)):
        raise Failure("the viewer's standard error holds %r, expected lines matching %r" % (lines, expected))


def check_running(session, what):
    """The viewer still runs (one that ended with 0, silent and without a log, went to another Kavro: Skip)."""
    if session.viewer.poll() is not None:
        if session.viewer.returncode == 0 and not session.viewer_errors():
            session.skip_if_another_kavro(session.viewer)
        raise Failure("the viewer ended with %s %s" % (session.viewer.returncode, what))


def wait_for_end(process, seconds, failure):
    """The process's exit code, once it ends within seconds; else Failure(failure)."""
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        raise Failure(failure) from None


def scenario_main(doc, scenarios, prefix):
    """`SCRIPT BUILD_FOLDER SCENARIO` runs one body(session), showing *.err on a failure; `--list` names them."""
    if sys.argv[1:] == ["--list"]:
        print("\n".join(scenarios))
        return 0
    if len(sys.argv) != 3 or sys.argv[2] not in scenarios:
        print(doc)
        return 2
    return run_script(scenarios[sys.argv[2]], sys.argv[1], prefix=prefix, logs=("*.err",))
