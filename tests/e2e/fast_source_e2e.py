#!/usr/bin/env python3
"""A fast receiver never leaves the picture behind: a 10 Hz drive (about 4.6 kB/s, more than
the reads take) over TCP and through Debian's gpsd for two minutes. The measured viewer notes,
at every timer message, the time of the fix it shows and the wall clock; the receiver sends
the true UTC time. The time shown is never more than 2 s behind the time sent.

usage: fast_source_e2e.py BUILD_FOLDER SCENARIO | --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no gpsd, or another Kavro of this user runs)."""

import os
import sys
import time

from steps import scenario_main  # puts tests/ on the path

from harness.processes import stop
from harness.script import Failure, read_text
from harness.session import PORT

RUN_S = 120
SETTLE_S = 8  # the open's 3 s wait and the first reads
MOST_BEHIND_S = 2
FAST = ("--rate-hz", 10, "--baud", 115200, "--random-state", 8)  # the true time: no --start-time


def behind(record):
    """(whole seconds the shown time is behind the wall clock's, wall ms) for every timer
    message whose fix was valid."""
    samples = []
    for line in read_text(record).splitlines():
        parts = line.split()
        if len(parts) != 5 or parts[1] != "A":
            continue
        wall_ms, hour, minute, second = int(parts[0]), int(parts[2]), int(parts[3]), int(parts[4])
        sent = wall_ms // 1000 % 86400
        shown = hour * 3600 + minute * 60 + second
        samples.append(((sent - shown) % 86400, wall_ms))
    return samples


def fast_drive(session, value):
    """The measured viewer, headless, on this source for RUN_S seconds."""
    record = session.path("fixes.txt")
    session.write_settings(value)
    session.viewer = session.launch_viewer(headless=True, env={"KAVRO_FIX_RECORD": record})
    started = time.monotonic()
    while time.monotonic() - started < RUN_S:
        session.check_running("in the fast drive")
        time.sleep(1.0)
    stop(session.viewer)
    samples = behind(record)
    late = [lag for lag, wall in samples if wall / 1000.0 > samples[0][1] / 1000.0 + SETTLE_S] if samples else []
    if len(late) < 0.8 * (RUN_S - SETTLE_S) / 0.3:
        raise Failure("only %d valid fixes were shown in %d s" % (len(late), RUN_S))
    if max(late) > MOST_BEHIND_S:
        raise Failure("the time shown fell %d s behind the time sent (%d of %d ticks over %d s)"
                      % (max(late), sum(lag > MOST_BEHIND_S for lag in late), len(late), MOST_BEHIND_S))
    print("%d ticks; the time shown was at most %d s behind (mean %.2f)"
          % (len(late), max(late), sum(late) / len(late)))


def tcp(session):
    session.make_program_folder(timer_record=os.devnull)
    session.start_receiver(*FAST, sink="tcp")
    fast_drive(session, session.port_setting())


def gpsd(session):
    session.make_program_folder(timer_record=os.devnull)
    session.start_receiver(*FAST, write_ini=False)
    _, port = session.start_gpsd(os.readlink(os.path.join(session.folder, "COM%d" % PORT)))
    fast_drive(session, "gpsd://127.0.0.1:%d" % port)


SCENARIOS = {"tcp-10hz": tcp, "gpsd-10hz": gpsd}

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-fast-"))
