#!/usr/bin/env python3
"""End to end on the Debian package: its command started under Xvfb with a fresh HOME.

usage: installed_e2e.py KAVRO_DEB
Exits 77 (skipped) without Xvfb, xdotool or ImageMagick, or where no network namespace of its
own may be made."""

# The package is unpacked into a temporary root; its command (<root>/usr/bin/kavro) makes the
# user's program folder with the example settings and starts the viewer from there. The
# viewer's message boxes (the example names gpsd, which may not be running) are dismissed with
# Enter, and the menu bar's "Ok" ends it with exit code 0. No installed file changes.

import os
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.realpath(__file__)), ".."))
from harness.script import Failure, check_log_header, wait_for  # noqa: E402
from harness.session import run_script  # noqa: E402


# Every file and link under root with its mode and content (or target).
def tree_state(root):
    paths = [os.path.join(folder, name) for folder, _, names in os.walk(root) for name in names]
    return {p: (os.lstat(p).st_mode, os.readlink(p) if os.path.islink(p) else pathlib.Path(p).read_bytes())
            for p in paths}


def run(session, deb):
    root, home = session.path("root"), session.path("home")
    subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
    installed = tree_state(root)
    os.mkdir(home)
    os.environ.pop("XDG_DATA_HOME", None)
    session.folder = os.path.join(home, ".local", "share", "kavro")
    session.start_xvfb()
    session.viewer = session.launch_viewer(command=[os.path.join(root, "usr/bin/kavro")], env={"HOME": home})
    last_box = [time.monotonic()]

    def settled():  # each box answered with Enter, the main window shown, and no box for 3 s
        session.check_running("while its boxes were answered")
        windows = session.class_windows()
        boxes = [w for w, title in windows if title != "Kavro"]
        if boxes:
            session.xdotool("windowfocus", "--sync", boxes[0], check=False)
            session.xdotool("key", "Return", check=False)
            last_box[0] = time.monotonic()
        return time.monotonic() - last_box[0] >= 3 and [w for w, title in windows if title == "Kavro"]
    session.use_window(wait_for(settled, 30, 0.2, "the main window did not settle")[0])
    session.end_with_ok()

    example = pathlib.Path(root, "usr/share/doc/kavro/examples/Tolm.ini").read_bytes()
    if pathlib.Path(session.folder, "Tolm.ini").read_bytes() != example:
        raise Failure("the user's Tolm.ini is not the example")
    if os.readlink(os.path.join(session.folder, "kavro")) != os.path.join(root, "usr/lib/kavro/kavro"):
        raise Failure("the user's link does not point at the installed viewer")
    check_log_header(session.folder)  # the viewer took the user's folder as its own
    now = tree_state(root)
    changed = sorted(p for p in set(installed) | set(now) if installed.get(p) != now.get(p))
    if changed:
        raise Failure("installed files changed: %s" % ", ".join(changed))


if __name__ == "__main__":
    sys.exit(run_script(lambda session: run(session, os.path.realpath(sys.argv[1])), prefix="kavro-package-")
             if len(sys.argv) == 2 else print(__doc__) or 2)
