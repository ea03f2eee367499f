"""Long run: the viewer under a virtual X server, fed a generated drive at 5 Hz, for a given
time. Every 10 s it samples the viewer's resident memory (VmRSS), its open file descriptors
and the platform's live objects; every timer message is in the viewer's own timer record
(the time it was handed out, the live objects, the time it was due). "Z+" and "Z-" are tapped
in turn every 30 s, so that the stylus path runs too. It fails when the viewer died, drew
nothing, did not end with exit code 0 on "Ok", or when the verdict on the samples and the
timer (tests/long_run/verdict.py) finds growth or drift.

usage: python3 tests/long_run [--minutes M] [--report FILE] BUILD_FOLDER
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or where no network namespace of its
own may be made. Like every script of the harness it runs in a namespace of its own."""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.realpath(__file__))))

from harness.proc import cpu_seconds, memory_kb, open_files  # noqa: E402
from harness.screen import PANEL, WHITE, ZOOM_IN, ZOOM_OUT  # noqa: E402
from harness.script import Failure, check_log_header, check_no_sanitizer_report  # noqa: E402
from harness.session import run_script  # noqa: E402
from long_run.verdict import judge, report_text, timer_figures, timer_lines, windows  # noqa: E402

SAMPLE_EVERY_S = 10.0
TAP_EVERY_S = 30.0
FIRST_TAP_S = 5.0  # in the warm-up: the first beep opens the audio device


def parse_args(argv):
    parser = argparse.ArgumentParser(prog="python3 tests/long_run", description=__doc__.split("\n\n")[0])
    parser.add_argument("build", metavar="BUILD_FOLDER")
    parser.add_argument("--minutes", type=float, default=30.0, help="length of the run (default: 30)")
    parser.add_argument("--report", metavar="FILE", help="also write the report to this file")
    parser.add_argument("--rss-tolerance-kb", type=float, default=256.0,
                        help="allowed growth of resident memory after the warm-up, beyond what the "
                             "track store takes (default: 256)")
    parser.add_argument("--drift-tolerance", type=float, default=1.0,
                        help="allowed timer drift in per cent (default: 1)")
    args = parser.parse_args(argv)
    if args.minutes < 1.0:
        parser.error("--minutes must be 1 or more")
    return args


def long_run(args):
    def body(session):
        stats = session.path("stats.txt")
        session.make_program_folder(timer_record=stats)
        session.start_xvfb()
        session.start_receiver("--rate-hz", 5, "--baud", 115200, "--random-state", 11)
        session.start_viewer()
        pid = session.viewer.pid
        total_s = args.minutes * 60.0
        start = time.monotonic()
        start_ms = time.clock_gettime(time.CLOCK_MONOTONIC) * 1000.0
        samples = []
        next_sample, next_tap, taps = 0.0, FIRST_TAP_S, 0
        while True:
            now = time.monotonic() - start
            if session.viewer.poll() is not None:
                raise Failure("the viewer ended with %s after %.0f s" % (session.viewer.returncode, now))
            if now >= next_sample - 1e-3:
                lines = timer_lines(stats)
                rss, fds, cpu = memory_kb(pid), len(open_files(pid) or ()), cpu_seconds(pid)
                if rss is None or cpu is None:
                    raise Failure("the viewer's /proc entry is gone")
                samples.append((now, rss, fds, lines[-1][1] if lines else 0, cpu))
                if len(samples) % 6 == 1:
                    print("%6.0f s: %d kB, %d fds, %d handles, %d timer messages"
                          % (now, rss, fds, samples[-1][3], len(lines)), flush=True)
                next_sample += SAMPLE_EVERY_S
                if next_sample > total_s + 1e-3:
                    break
            if now >= next_tap:
                session.click(ZOOM_IN if taps % 2 == 0 else ZOOM_OUT)
                taps += 1
                next_tap += TAP_EVERY_S
            time.sleep(max(0.0, min(next_sample, next_tap) - (time.monotonic() - start)))

        # Still drawing: the panel shows text.
        if len(session.screenshot("end").find(WHITE, *PANEL)) < 60:
            raise Failure("the info panel shows no text at the end of the run")
        session.end_with_ok()
        check_log_header(session.folder)
        check_no_sanitizer_report(session.viewer_errors())

        early, late = windows(total_s)
        timer = timer_figures(timer_lines(stats), start_ms, early, late)
        figures, problems = judge(args, samples, timer, total_s)
        text = report_text(args, samples, figures, timer, problems, total_s)
        print(text, end="")
        if args.report:
            with open(args.report, "w") as out:
                out.write(text)
        if problems:
            raise Failure("; ".join(problems))
    return body


def main(argv):
    args = parse_args(argv[1:])
    return run_script(long_run(args), args.build, prefix="kavro-long-run-")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
