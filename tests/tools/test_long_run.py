"""The long run's verdict on made-up runs: steady ones pass; growing memory, handles or
descriptors, a drifting timer and due times off the grid fail."""

import random
import types
import unittest

import simtest  # noqa: F401  (puts tools/ on the path)
from long_run import verdict as long_run

MINUTES = 10
ARGS = types.SimpleNamespace(rss_tolerance_kb=256.0, drift_tolerance=1.0)


def samples(rss_per_minute_kb=0.0, fds_step_at=None, handles_step_at=None):
    """(time, rss kB, fds, handles, cpu) every 10 s."""
    rows = []
    for i in range(MINUTES * 6 + 1):
        t = 10.0 * i
        rows.append((t, 100000.0 + rss_per_minute_kb * t / 60.0,
                     8 + (fds_step_at is not None and t >= fds_step_at),
                     3 + (handles_step_at is not None and t >= handles_step_at), 0.01 * t))
    return rows


def timer_lines(period_ms=300.0, tick_ms=580.0, slip_ms=0.0, coalesce=True):
    """Messages of a timer with this period, taken when ticks of about tick_ms end. The next
    due time is the first period after the message (missed periods coalesced) or, without
    coalescing, simply one period on; slip_ms moves each one off the grid."""
    rng = random.Random(3)
    lines, taken, due = [], 0.0, period_ms
    while taken < MINUTES * 60000.0:
        taken = max(taken + tick_ms + rng.uniform(-30.0, 30.0), due)
        lines.append((taken, 3, due))
        missed = (taken - due) // period_ms if coalesce else 0
        due += (missed + 1) * period_ms + slip_ms
    return lines


def verdict(rows, lines):
    early, late = long_run.windows(MINUTES * 60.0)
    timer = long_run.timer_figures(lines, 0.0, early, late)
    return long_run.judge(ARGS, rows, timer, MINUTES * 60.0)[1]


class LongRunVerdictTest(unittest.TestCase):
    def test_steady_run_passes(self):
        self.assertEqual(verdict(samples(), timer_lines()), [])

    def test_track_store_growth_is_allowed(self):
        # About one fix a tick, 88 bytes each: some 9 kB a minute at 580 ms a tick.
        self.assertEqual(verdict(samples(rss_per_minute_kb=8.0), timer_lines()), [])

    def test_cases_that_fail(self):
        cases = [
            ("memory", samples(rss_per_minute_kb=60.0), timer_lines(), "rss grew"),
            ("descriptors", samples(fds_step_at=300.0), timer_lines(), "fds grew"),
            ("handles", samples(handles_step_at=300.0), timer_lines(), "handles grew"),
            ("period of 304 ms", samples(), timer_lines(period_ms=304.0), "left the 300 ms grid"),
            ("due times slip", samples(), timer_lines(slip_ms=2.0), "left the 300 ms grid"),
            ("missed periods queued up", samples(), timer_lines(coalesce=False), "drifts"),
        ]
        for name, rows, lines, expected in cases:
            with self.subTest(name):
                problems = verdict(rows, lines)
                self.assertTrue(any(expected in p for p in problems), problems)


if __name__ == "__main__":
    unittest.main()
