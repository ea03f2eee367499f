"""A virtual X server (Xvfb) on a free display, and the X tools run against it: xdotool and
ImageMagick's import."""

import os
import select
import subprocess
import time

TOOLS = ("Xvfb", "xdotool", "import")
SCREEN = "800x700x24"
FIRST_DISPLAY = 90


def start_xvfb(log, screen=SCREEN):
    """Starts Xvfb on the first free display from :90 on, its errors going to the file log;
    returns (process, ':N'), or raises OSError. A display is free with no lock file and no
    socket of another server, whose socket a new server would otherwise take over."""
    for number in range(FIRST_DISPLAY, FIRST_DISPLAY + 50):
        if any(os.path.lexists(path % number) for path in ("/tmp/.X%d-lock", "/tmp/.X11-unix/X%d")):
            continue
        process = try_display(number, log, screen)
        if process is not None:
            return process, ":%d" % number
    raise OSError("Xvfb did not start on any display from :%d on" % FIRST_DISPLAY)


def try_display(number, log, screen):
    """Xvfb on this display once it is ready, or None (taken, or it did not come up)."""
    read_end, write_end = os.pipe()
    with open(log, "ab") as errors:
        # -noreset: the server stays as it is while no client is connected (xdotool and
        # import come and go). Its own session: a Ctrl-C meant for the script leaves it to
        # the script's clean-up.
        xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-displayfd", str(write_end), "-noreset", "-screen", "0",
                                 screen, "-nolisten", "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                stderr=errors, start_new_session=True)
    os.close(write_end)
    # The server writes its number and the line feed apart; a pipe closed in between would
    # end it, so read up to the line feed.
    answer, end = b"", time.monotonic() + 10
    while not answer.endswith(b"\n") and time.monotonic() < end:
        ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
        chunk = os.read(read_end, 16) if ready else b""
        if not chunk:
            break
        answer += chunk
    os.close(read_end)
    if answer.strip() == str(number).encode():
        return xvfb
    xvfb.kill()
    xvfb.wait()
    return None


def run_x_tool(display, *command):
    """Runs an X tool against the display; the finished process, output as bytes."""
    return subprocess.run(command, env=dict(os.environ, DISPLAY=display), capture_output=True, timeout=20)


def xdotool(display, *args):
    """xdotool's output; "" when it failed."""
    done = run_x_tool(display, "xdotool", *args)
    return done.stdout.decode(errors="replace").strip() if done.returncode == 0 else ""


def screenshot(display, window="root", target="ppm:-"):
    """A picture of a window (the whole screen by default) as 8-bit binary PPM bytes, or
    written to target (a file name; its extension gives the format). Raises OSError."""
    done = run_x_tool(display, "import", "-window", window, "-depth", "8", target)
    if done.returncode != 0:
        raise OSError("screenshot failed: %s" % done.stderr.decode(errors="replace").strip())
    return done.stdout
