"""Replay of an NMEA log: the file cut into the epochs a receiver sent together, and the
time between them taken from the log's own RMC and GGA time stamps."""

import re
from dataclasses import dataclass, field

# A gap in the log longer than this (logging paused, receiver restarted) is replayed as this.
MAX_GAP_S = 3.0
# Time between epochs before the log has shown its own rate.
DEFAULT_INTERVAL_S = 1.0

# The time field of an RMC or GGA sentence from any talker, anywhere in a line: some
# receivers glue sentences to binary frames without a line break.
TIME_PATTERN = re.compile(rb"\$[A-Z0-9]{2}(?:RMC|GGA),(\d{2})(\d{2})(\d{2}(?:\.\d*)?)[,*]")


@dataclass
class Chunk:
    """Lines sent together, and the time of day (seconds) of their first RMC or GGA."""
    time: float | None
    lines: list = field(default_factory=list)


def split_lines(data):
    """Lines cut after each line feed, endings kept as they are (CRLF, LF or none at the
    end); lines starting with '#' left out."""
    parts = data.split(b"\n")
    lines = [part + b"\n" for part in parts[:-1]]
    if parts[-1]:
        lines.append(parts[-1])
    return [line for line in lines if not line.startswith(b"#")]


def sentence_time(line):
    """Seconds since midnight of the first RMC or GGA time stamp in the line, or None."""
    match = TIME_PATTERN.search(line)
    if match is None:
        return None
    hours, minutes, seconds = int(match[1]), int(match[2]), float(match[3])
    if hours > 23 or minutes > 59 or seconds >= 61.0:
        return None
    return hours * 3600 + minutes * 60 + seconds


def by_time(lines):
    """Chunks that each begin where the time stamp changes; lines without a time stamp stay
    with the epoch before them."""
    chunks = [Chunk(None)]
    for line in lines:
        t = sentence_time(line)
        current = chunks[-1]
        if t is not None and current.time is not None and t != current.time:
            current = Chunk(t)
            chunks.append(current)
        elif t is not None and current.time is None:
            current.time = t
        current.lines.append(line)
    return [c for c in chunks if c.lines]


def by_line(lines):
    return [Chunk(None, [line]) for line in lines]


def delays(chunks, max_gap=MAX_GAP_S):
    """Seconds to wait before each chunk, counted from the start of the one before.
    Gaps are capped at max_gap; where the time goes back (joined recordings) or is missing,
    the replay goes on at the log's last rate."""
    result = []
    interval = DEFAULT_INTERVAL_S
    previous = None
    for chunk in chunks:
        if previous is None or chunk.time is None:
            wait = 0.0 if not result else interval
        else:
            step = chunk.time - previous
            if step < -43200.0:
                step += 86400.0  # past midnight
            if step > 0.0:
                interval = min(step, max_gap)
                wait = interval
            else:
                wait = interval
        result.append(wait)
        if chunk.time is not None:
            previous = chunk.time
    return result
