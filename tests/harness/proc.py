"""Sampling a running process in /proc: CPU seconds, memory, open descriptors, the processes
below it; None once it has gone."""

import os

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def stat(pid):
    """The fields of /proc/PID/stat after the command's name: state, parent, ..."""
    text = read("/proc/%d/stat" % pid)
    return None if text is None else text[text.rindex(")") + 2:].split()


def cpu_seconds(pid):
    """User and system time of all the process's threads."""
    fields = stat(pid)
    return None if fields is None else (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def descendant_named(pid, name):
    """A process below pid whose command is name, or None."""
    children = {}
    for entry in filter(str.isdigit, os.listdir("/proc")):
        fields = stat(int(entry))
        if fields is not None:
            children.setdefault(int(fields[1]), []).append(int(entry))
    stack = [pid]
    while stack:
        for child in children.get(stack.pop(), []):
            if (read("/proc/%d/comm" % child) or "").strip() == name:
                return child
            stack.append(child)
    return None


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
