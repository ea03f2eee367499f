"""A script's outcome (Failure and Skip, exit code 77 for skipped, a failure in CI), waiting,
reading files, and the checks on what the viewer leaves behind: its log's header, its
sanitizer's silence."""

import os
import re
import subprocess
import time

SKIP = 77
# Exactly one whole header and nothing else.
HEADER = re.compile(r"Kavro 1\.0\n[^\n]+\n[^\n]+\nBuild: \d+-\d+-\d+-\d+-\d+\n\n\Z")
SANITIZER_REPORT = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")


class Failure(Exception):
    pass


class Skip(Exception):
    pass


def skipped(cause):
    """Says in one line why the script did not run and returns its exit code: 77, or in CI
    (CI=true), where every test must run, 1."""
    if os.environ.get("CI") == "true":
        print("FAIL: skipped in CI, where every test must run: %s" % cause, flush=True)
        return 1
    print("skipped: %s" % cause, flush=True)
    return SKIP


def wait_until(what, seconds, step=0.1):
    """Calls what() until it returns something true, for at most `seconds`; returns the last
    result."""
    end = time.monotonic() + seconds
    while True:
        result = what()
        if result or time.monotonic() >= end:
            return result
        time.sleep(step)


def wait_for(what, seconds, step, failure):
    """wait_until, and Failure(failure) when what() never returned anything true."""
    result = wait_until(what, seconds, step)
    if not result:
        raise Failure(failure)
    return result


def wait_for_end(process, seconds, failure):
    """The process's exit code, once it ends within seconds; else Failure(failure)."""
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        raise Failure(failure) from None


def read_text(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def check_log_header(folder):
    """Tolm.txt in the folder holds exactly one whole header."""
    log = read_text(os.path.join(folder, "Tolm.txt"))
    if not HEADER.match(log):
        raise Failure("Tolm.txt does not hold exactly one whole header: %r" % log)


def check_no_sanitizer_report(text, who="the viewer"):
    reports = [line for line in text.splitlines() if SANITIZER_REPORT.search(line)]
    if reports:
        raise Failure("%s's sanitizer reported:\n  %s" % (who, "\n  ".join(reports[:10])))
