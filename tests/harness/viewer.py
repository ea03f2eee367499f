"""Where the viewer is in a build folder, the variable that has it record its timer, the
environment it runs in, and whether one runs already."""

import os

LSAN_SUPPRESSIONS = os.path.join(os.path.dirname(os.path.realpath(__file__)), "lsan.supp")


def executable(build, timer_record=False):
    """The viewer in a build folder; timer_record asks for the measured viewer, built beside it,
    which keeps a timer record when TIMER_RECORD names a file (the shipped one reads no
    variable)."""
    return os.path.join(build, "measured" if timer_record else "kavro", "kavro")


# Set to a file, the measured viewer appends a line per timer message to it: the time the
# message was handed out, the live platform objects and the time it was due (ms, monotonic).
TIMER_RECORD = "KAVRO_TIMER_RECORD"


def instance_running():
    """Whether a viewer of this user runs in this network namespace: only one runs per user,
    announced on an abstract socket named after the user, window class and title."""
    name = "@kavro-window/%d/KAVRO@Kavro" % os.getuid()
    try:
        with open("/proc/net/unix") as sockets:
            return any(line.split()[-1:] == [name] for line in sockets)
    except OSError:
        return False


def environment(display=None, extra=None, timer_record=None):
    """The viewer's environment: on this X display, or headless on SDL's dummy driver (message
    boxes become lines on standard error); no sound device; its timer recorded in the file
    timer_record, if given."""
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    if display is None:
        env["SDL_VIDEODRIVER"] = "dummy"
        env.pop("DISPLAY", None)
    else:
        env["DISPLAY"] = display
        env.pop("SDL_VIDEODRIVER", None)
    # In a sanitizer build, D-Bus (used by SDL's X11 driver) keeps one buffer to the end; the
    # list of suppressions used would only clutter the standard error that tests read.
    suppressions = "suppressions=%s:print_suppressions=0" % LSAN_SUPPRESSIONS
    env["LSAN_OPTIONS"] = suppressions + (":" + env["LSAN_OPTIONS"] if env.get("LSAN_OPTIONS") else "")
    if timer_record:
        env[TIMER_RECORD] = timer_record
    env.update(extra or {})
    return env
