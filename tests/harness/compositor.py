"""A headless Wayland compositor on wlroots' headless backend with its software renderer, in a
runtime folder of its own: Debian's cage, the kiosk compositor, with XWayland for X clients; or
sway, whose virtual pointer protocol lets a test tap; and grim's screenshots of its output."""

import os
import shlex
import shutil
import subprocess
import time

TOOLS = {"cage": ("cage", "grim"), "sway": ("sway", "grim")}
# cage will not run as root (it could not give root up for good), so a root script runs it as
# this user; the runtime folder is that user's, and root's clients reach its socket anyway.
COMPOSITOR_UID = 65534


# What the compositor starts: a shell that says where the clients are (cage's then waits, since
# cage ends with its application).
SAYS_WHERE = 'printf "%s %s\\n" "$WAYLAND_DISPLAY" "$DISPLAY" > "$0.new" && mv "$0.new" "$0"'


class Compositor:
    """`program` ("cage" or "sway") in runtime folder `runtime`, turned to portrait with rotate
    1; the viewer and grim connect from outside."""

    def __init__(self, runtime, log, rotate=0, program="cage"):
        self.runtime = runtime
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.chmod(runtime, 0o700)
        user = {}
        if os.getuid() == 0:
            os.chown(runtime, COMPOSITOR_UID, COMPOSITOR_UID)
            user = {"user": COMPOSITOR_UID, "group": COMPOSITOR_UID, "extra_groups": []}
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime, WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                   WLR_RENDERER="pixman")
        for name in ("WAYLAND_DISPLAY", "DISPLAY"):
            env.pop(name, None)
        where = os.path.join(runtime, "clients")
        if program == "cage":
            # -d: windows get no frame of their own (the compositor draws none either), as in a kiosk.
            says_then_waits = SAYS_WHERE + " && exec sleep 100000"
            command = ["cage", "-d"] + ["-r"] * rotate + ["--", "/bin/sh", "-c", says_then_waits, where]
        else:
            # One tiled window fills the output, with no border or title, as under cage.
            # sway reads $names in its configuration as its own variables: the shell is a file.
            config, script = os.path.join(runtime, "sway.config"), os.path.join(runtime, "says-where.sh")
            with open(script, "w") as out:
                out.write(SAYS_WHERE.replace("$0", shlex.quote(where)) + "\n")
            with open(config, "w") as out:
                out.write("default_border none\nxwayland disable\noutput * transform %d\nexec /bin/sh %s\n"
                          % (90 * rotate, script))
            os.chmod(config, 0o644)
            os.chmod(script, 0o644)
            command = ["sway", "--config", config]
        with open(log, "ab") as errors:
            self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=errors,
                                            start_new_session=True, **user)
        end = time.monotonic() + 15
        while not os.path.exists(where) and self.process.poll() is None and time.monotonic() < end:
            time.sleep(0.05)
        if not os.path.exists(where):
            self.stop()
            raise OSError("%s did not start (see %s)" % (program, log))
        with open(where) as names:
            fields = names.read().split()
        self.wayland_display = fields[0]
        self.x_display = fields[1] if len(fields) > 1 else None

    def let_x_clients_in(self):
        """XWayland lets in only the compositor's user; a root script's clients are let in too.
        False when that failed."""
        if os.getuid() != 0:
            return True
        done = subprocess.run(["xhost", "+si:localuser:root"], env=dict(os.environ, DISPLAY=self.x_display),
                              user=COMPOSITOR_UID, group=COMPOSITOR_UID, extra_groups=[], capture_output=True,
                              timeout=20)
        return done.returncode == 0

    def client_env(self, x11=False):
        """The variables a client needs: the Wayland display, or with x11 XWayland's display
        alone."""
        env = {"XDG_RUNTIME_DIR": self.runtime}
        if x11:
            env["DISPLAY"] = self.x_display
        else:
            env["WAYLAND_DISPLAY"] = self.wayland_display
        return env

    def screenshot(self):
        """The output as 8-bit binary PPM bytes. Raises OSError."""
        done = subprocess.run(["grim", "-t", "ppm", "-"], env=dict(os.environ, **self.client_env()),
                              capture_output=True, timeout=20)
        if done.returncode != 0:
            raise OSError("grim failed: %s" % done.stderr.decode(errors="replace").strip())
        return done.stdout

    def kill(self):
        """Ends the compositor alone, at once, as a crash would; then its application."""
        self.process.kill()
        self.process.wait()
        try:
            os.killpg(self.process.pid, 9)
        except ProcessLookupError:
            pass

    def stop(self):
        """Ends the compositor and its application."""
        try:
            os.killpg(self.process.pid, 9)
        except ProcessLookupError:
            pass
        self.process.wait()


def missing_tools(program="cage"):
    """The tools of compositor `program` that are not installed."""
    return [tool for tool in TOOLS[program] if shutil.which(tool) is None]
