"""The long run's verdict. It compares the warm-up-free start of the run with its end: the
average of the last minute against the average of the minute after the first one (for runs
shorter than four minutes, the last quarter against the second quarter), and fails when

  - resident memory grew by more than the track store can explain plus --rss-tolerance-kb:
    the store is one fixed array whose pages become resident as fixes fill them, at most one
    fix (88 bytes) a tick,
  - the live handles or the open file descriptors grew at all,
  - the timer's period, over the run, is off 300 ms by more than --drift-tolerance,
  - the timer's due times left its 300 ms grid (by more than 1 ms), or the lateness of its
    messages grew by more than the drift tolerance of the time between the two windows.

Timer figures. Each tick waits in its read until the 1000-byte buffer is full (or the line
was quiet for a second); a 5 Hz drive fills it in about 0.6 s, so ticks follow each other at
the pace of the data, not of the timer, and every timer message is overdue when the thread
gets back to the queue. The timer itself shows in the due times: they must stay on the grid
of 300 ms periods started by SetTimer, and the real time per period of that grid (the slope
of the messages' times over the periods they were due in) is the timer's period."""

import statistics

from harness.script import Failure, read_text

TIMER_PERIOD_MS = 300.0
GRID_TOLERANCE_MS = 1.0
FIX_RECORD_BYTES = 88  # sizeof(FixRecord): a moving tick stores one in the track store


def timer_lines(path):
    """(taken ms, live handles, due ms) for every timer message the viewer logged."""
    lines = []
    for line in read_text(path).splitlines():
        parts = line.split()
        if len(parts) == 3:
            lines.append((float(parts[0]), int(parts[1]), float(parts[2])))
    return lines


def windows(total_s):
    """The early and the late window, (start, end) in seconds of the run."""
    length = 60.0 if total_s >= 240.0 else total_s / 4.0
    return (length, 2.0 * length), (total_s - length, total_s)


def mean_in(samples, window, index):
    values = [s[index] for s in samples if window[0] <= s[0] < window[1] + 1e-6]
    if not values:
        raise Failure("no samples between %.0f s and %.0f s" % window)
    return statistics.fmean(values)


def timer_figures(lines, start_ms, early, late):
    """The timer's figures from the logged messages: see the module's help."""
    if len(lines) < 10:
        raise Failure("only %d timer messages were logged" % len(lines))
    taken = [t for t, _, _ in lines]
    due = [d for _, _, d in lines]
    periods = [(d - due[0]) / TIMER_PERIOD_MS for d in due]
    grid_error = max(abs(p - round(p)) * TIMER_PERIOD_MS for p in periods)
    # Real time per period of the grid: the least-squares slope of the messages' times over
    # the grid periods they were due in, which averages out how late each one came.
    counted = [round(p) for p in periods]
    mean_k, mean_t = statistics.fmean(counted), statistics.fmean(taken)
    period = (sum((k - mean_k) * (t - mean_t) for k, t in zip(counted, taken))
              / sum((k - mean_k) ** 2 for k in counted))
    lateness = [t - d for t, d in zip(taken, due)]

    def lateness_in(window):
        values = [t - d for t, d in zip(taken, due) if window[0] <= (t - start_ms) / 1000.0 < window[1]]
        return statistics.fmean(values) if values else 0.0
    early_lateness, late_lateness = lateness_in(early), lateness_in(late)
    between_ms = ((late[0] + late[1]) - (early[0] + early[1])) / 2.0 * 1000.0
    from_ms = start_ms + (early[0] + early[1]) / 2.0 * 1000.0
    ticks_between = sum(from_ms <= t < from_ms + between_ms for t in taken)
    intervals = [b - a for a, b in zip(taken, taken[1:])]
    return {
        "messages": len(lines),
        "tick_period_ms": statistics.fmean(intervals),
        "timer_period_ms": period,
        "drift_percent": (period - TIMER_PERIOD_MS) / TIMER_PERIOD_MS * 100.0,
        "grid_error_ms": grid_error,
        "lateness_mean_ms": statistics.fmean(lateness),
        "lateness_max_ms": max(lateness),
        "early_lateness_ms": early_lateness,
        "late_lateness_ms": late_lateness,
        "lateness_trend_percent": (late_lateness - early_lateness) / between_ms * 100.0,
        "early_messages": not any(t < d - 0.5 for t, d in zip(taken, due)),
        "track_store_kb": ticks_between * FIX_RECORD_BYTES / 1024.0,
    }


def judge(args, samples, timer, total_s):
    early, late = windows(total_s)
    figures = {"early_window_s": early, "late_window_s": late}
    problems = []
    rss_tolerance = args.rss_tolerance_kb + timer["track_store_kb"]
    for name, index, tolerance, unit in (("rss", 1, rss_tolerance, " kB"), ("fds", 2, 0.0, ""),
                                         ("handles", 3, 0.0, "")):
        before, after = mean_in(samples, early, index), mean_in(samples, late, index)
        figures[name] = (before, after)
        if after - before > tolerance:
            problems.append("%s grew from %.1f%s to %.1f%s (tolerance %g%s)"
                            % (name, before, unit, after, unit, tolerance, unit))
    if abs(timer["drift_percent"]) > args.drift_tolerance:
        problems.append("timer period %.3f ms drifts %.3f %% from 300 ms" % (timer["timer_period_ms"],
                                                                             timer["drift_percent"]))
    if timer["grid_error_ms"] > GRID_TOLERANCE_MS:
        problems.append("timer due times left the 300 ms grid by %.3f ms" % timer["grid_error_ms"])
    if abs(timer["lateness_trend_percent"]) > args.drift_tolerance:
        problems.append("timer messages fall behind: lateness %.1f ms early, %.1f ms late"
                        % (timer["early_lateness_ms"], timer["late_lateness_ms"]))
    if not timer["early_messages"]:
        problems.append("a timer message came before it was due")
    return figures, problems


def report_text(args, samples, figures, timer, problems, total_s):
    shown = samples[::6] + ([] if (len(samples) - 1) % 6 == 0 else samples[-1:])
    rows = ["%7.0f s  %8d kB  %3d fds  %3d handles  %5.1f s CPU" % s for s in shown]
    rss, fds, handles = figures["rss"], figures["fds"], figures["handles"]
    cpu = samples[-1][4] - samples[0][4]
    lines = [
        "long run: %.1f minutes, 5 Hz generated drive at 115200 baud, %d samples" % (total_s / 60.0, len(samples)),
        "windows compared: %.0f-%.0f s and %.0f-%.0f s" % (figures["early_window_s"] + figures["late_window_s"]),
        "resident memory: %.0f kB -> %.0f kB (%+.0f kB; the track store may take %.0f kB of it, "
        "tolerance %g kB beyond that)" % (rss[0], rss[1], rss[1] - rss[0], timer["track_store_kb"],
                                          args.rss_tolerance_kb),
        "open descriptors: %.1f -> %.1f; live handles: %.1f -> %.1f" % (fds + handles),
        "CPU: %.1f s over %.0f s (%.1f %%)" % (cpu, samples[-1][0] - samples[0][0],
                                              100.0 * cpu / max(1.0, samples[-1][0] - samples[0][0])),
        "timer messages: %d; mean tick period %.1f ms (the read waits for a full buffer)"
        % (timer["messages"], timer["tick_period_ms"]),
        "timer period over the run: %.4f ms (drift %+.4f %%); due times off the grid by at most %.3f ms"
        % (timer["timer_period_ms"], timer["drift_percent"], timer["grid_error_ms"]),
        "lateness of timer messages: mean %.1f ms, max %.1f ms; %.1f ms early in the run, %.1f ms late (%+.4f %%)"
        % (timer["lateness_mean_ms"], timer["lateness_max_ms"], timer["early_lateness_ms"],
           timer["late_lateness_ms"], timer["lateness_trend_percent"]),
        "samples (every minute):",
    ] + ["  " + row for row in rows]
    lines.append("RESULT: " + ("FAIL\n  " + "\n  ".join(problems) if problems else "pass"))
    return "\n".join(lines) + "\n"
