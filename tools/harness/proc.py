"""Sampling a running process in /proc: CPU seconds, memory and open descriptors; None once
it has gone."""

import os

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def cpu_seconds(pid):
    """User and system time of all the process's threads."""
    text = read("/proc/%d/stat" % pid)
    if text is None:
        return None
    fields = text[text.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def memory_kb(pid, field="VmRSS"):
    """A figure of /proc/PID/status in kB: VmRSS, resident now, or VmHWM, its peak."""
    for line in (read("/proc/%d/status" % pid) or "").splitlines():
        if line.startswith(field + ":"):
            return int(line.split()[1])
    return None


def open_files(pid):
    """What the process's open descriptors lead to, one entry each."""
    folder = "/proc/%d/fd" % pid
    try:
        descriptors = os.listdir(folder)
    except OSError:
        return None
    found = []
    for fd in descriptors:
        try:
            found.append(os.readlink(os.path.join(folder, fd)))
        except OSError:  # closed meanwhile
            pass
    return found
