"""The long run's verdict on made-up runs: steady ones pass; growth, drift and due times off the grid fail."""

import random
import types
import unittest

import simtest  # noqa: F401  (puts tests/ on the path)
from long_run import verdict

MINUTES = 10


# (time, rss kB, fds, handles, cpu) every 10 s.
def samples(rss_per_minute_kb=0.0, fds_from=1e9, handles_from=1e9):
    return [(t, 100000.0 + rss_per_minute_kb * t / 60.0, 8 + (t >= fds_from), 3 + (t >= handles_from), 0.01 * t)
            for t in (10.0 * i for i in range(MINUTES * 6 + 1))]


# Messages of a timer with this period, taken when ticks of about 580 ms end. The next due time
# is the first period after the message (missed periods coalesced) or, without coalescing, one
# period on; slip_ms moves each one off the grid.
def timer_lines(period_ms=300.0, slip_ms=0.0, coalesce=True):
    rng, lines, taken, due = random.Random(3), [], 0.0, period_ms
    while taken < MINUTES * 60000.0:
        taken = max(taken + 580.0 + rng.uniform(-30.0, 30.0), due)
        lines.append((taken, 3, due))
        due += ((taken - due) // period_ms + 1 if coalesce else 1) * period_ms + slip_ms
    return lines


class LongRunVerdictTest(unittest.TestCase):
    def test_verdicts(self):
        cases = [
            ("steady", samples(), timer_lines(), None),
            # About one fix a tick, 88 bytes each: some 9 kB a minute at 580 ms a tick.
            ("the track store fills", samples(rss_per_minute_kb=8.0), timer_lines(), None),
            ("memory", samples(rss_per_minute_kb=60.0), timer_lines(), "rss grew"),
            ("descriptors", samples(fds_from=300.0), timer_lines(), "fds grew"),
            ("handles", samples(handles_from=300.0), timer_lines(), "handles grew"),
            ("period of 304 ms", samples(), timer_lines(period_ms=304.0), "left the 300 ms grid"),
            ("due times slip", samples(), timer_lines(slip_ms=2.0), "left the 300 ms grid"),
            ("missed periods queued up", samples(), timer_lines(coalesce=False), "drifts"),
        ]
        args = types.SimpleNamespace(rss_tolerance_kb=256.0, drift_tolerance=1.0)
        for name, rows, lines, expected in cases:
            timer = verdict.timer_figures(lines, 0.0, *verdict.windows(MINUTES * 60.0))
            problems = verdict.judge(args, rows, timer, MINUTES * 60.0)[1]
            self.assertTrue(any(expected in p for p in problems) if expected else problems == [], (name, problems))
