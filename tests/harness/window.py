"""The viewer's windows under the X server: found by class and title, clicked and dragged in
client coordinates, answered with keys, and shot."""

import os
import time

from . import xserver
from .screen import CLIENT_HEIGHT, CLIENT_WIDTH, MENU_BAR_HEIGHT, Screen
from .script import Failure, wait_for, wait_until


class Windows:
    """Window actions of a Session, on its display; clicks and screenshots go to self.window,
    at self.origin on the screen."""

    def xdotool(self, *args, check=True):
        """xdotool's output; "" when it failed, or a Failure with check."""
        done = xserver.run_x_tool(self.display, "xdotool", *args)
        if done.returncode != 0 and check:
            raise Failure("xdotool %s: %s" % (" ".join(args), done.stderr.decode(errors="replace").strip()))
        return done.stdout.decode(errors="replace").strip() if done.returncode == 0 else ""

    def class_windows(self, klass="kavro"):
        """(window, title) of the visible windows of the program's class. xdotool's search by
        name misses titles set as UTF-8 text, as SDL sets them under a UTF-8 locale; so find
        the program's windows by class and read their titles."""
        found = self.xdotool("search", "--onlyvisible", "--classname", "^%s$" % klass, check=False).split()
        return [(w, self.xdotool("getwindowname", w, check=False)) for w in found]

    def windows(self, title, klass="kavro"):
        """The visible windows of the program's class with this title."""
        return [w for w, shown in self.class_windows(klass) if shown == title]

    def settled_windows(self, title, klass="kavro"):
        """The windows with this title once they have stayed the same for a moment. SDL may
        make a window's X window anew when it first presents (one for OpenGL, to present
        through a renderer), so the first one seen can vanish."""
        first = self.windows(title, klass)
        if not first:
            return first
        time.sleep(0.3)
        return first if self.windows(title, klass) == first else []

    def wait_for_main_window(self, limit=20, size=(CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)):
        """Waits for the viewer's main window and directs clicks and screenshots to it; it must
        be of this size (any with None). Returns its size."""
        def shown():
            self.check_running("before showing its window")
            return self.settled_windows("Kavro")
        result = wait_until(shown, limit, 0.2)
        if not result:
            raise Failure("no visible window titled 'Kavro'")
        self.use_window(result[0])
        found = tuple(self.geometry(self.window)[2:])
        if size and found != size:
            raise Failure("window is %dx%d, expected %dx%d" % (found + size))
        return found

    def answer_box(self, title, limit=30, check=None):
        """Waits for the one message box with this title (the viewer staying alive meanwhile),
        hands it to check(box) when given, and dismisses it with Enter."""
        def shown():
            self.check_running("instead of showing a box %r" % title)
            return self.settled_windows(title)
        boxes = wait_until(shown, limit, 0.3)
        if len(boxes) != 1:
            raise Failure("expected one message box titled %r, found %d" % (title, len(boxes)))
        if check is not None:
            check(boxes[0])
        self.xdotool("windowfocus", "--sync", boxes[0])
        self.xdotool("key", "Return")
        wait_for(lambda: not self.windows(title), 10, 0.2, "Enter did not dismiss the box %r" % title)

    def geometry(self, window):
        """x, y, width, height of a window."""
        values = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell", window).split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def use_window(self, window):
        """Clicks and screenshots go to this window from now on."""
        self.window = window
        self.origin = self.geometry(window)[:2]

    def click(self, at):
        self.xdotool("mousemove", "--window", self.window, str(at[0]), str(at[1]), "click", "1")

    def drag(self, start, by):
        x, y = start
        self.xdotool("mousemove", "--window", self.window, str(x), str(y), "mousedown", "1")
        for step in range(1, 5):
            self.xdotool("mousemove", "--window", self.window, str(x + by[0] * step // 4), str(y + by[1] * step // 4))
        self.xdotool("mouseup", "1")

    def screenshot(self, name, origin=None, scale=1):
        """The whole screen, read in the client coordinates of the window in use (or of
        origin), its picture at this scale; kept as <n>-<name>.ppm in $KAVRO_E2E_KEEP when
        that names a folder."""
        try:
            data = xserver.screenshot(self.display)
            screen = Screen(data, self.origin if origin is None else origin, scale)
        except (OSError, ValueError) as error:
            raise Failure("screenshot: %s" % error) from None
        self.shots += 1
        keep = os.environ.get("KAVRO_E2E_KEEP")
        if keep:
            os.makedirs(keep, exist_ok=True)
            with open(os.path.join(keep, "%02d-%s.ppm" % (self.shots, name)), "wb") as out:
                out.write(data)
        return screen
