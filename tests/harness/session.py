"""A session in a work folder of its own: a program folder holding a copy of the viewer and
its Tolm.ini, the simulated receiver there (on a pseudo-terminal, TCP or UDP), a virtual X
server, the viewer started headless or in a window, and the clean-up. run_script() runs a
session in a network namespace of its own and turns its Skip into exit code 77 (a failure in
CI) and its Failure into 1."""

import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from . import viewer as viewer_files
from . import xserver
from .processes import as_user, free_port, own_network, stop, wait_for_listener
from .screen import OK_BUTTON
from .script import Failure, Skip, read_text, skipped, wait_for_end, wait_until
from .window import Windows

TOOLS = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__)))), "tools")
NMEA_SIM = os.path.join(TOOLS, "nmea_sim")
DEMO = os.path.join(TOOLS, "demo.sh")
PORT = 3  # the receiver's COMn


class Session(Windows):
    """One script's processes and files; build is the build folder of the viewer it runs."""

    def __init__(self, work, build=None):
        self.work, self.build = work, build
        self.folder = os.path.join(work, "program")
        self.program = self.timer_record = None
        self.display = self.xvfb = self.receiver = self.viewer = None
        self.window, self.origin, self.shots = None, (0, 0), 0
        self.started = []  # every process started, for the clean-up

    def path(self, name):
        return os.path.join(self.work, name)

    def viewer_errors(self, name="kavro.err"):
        return read_text(self.path(name))

    def make_program_folder(self, name="program", timer_record=None):
        """A program folder (name in the work folder, or a path) holding a copy of the build's
        viewer; with timer_record, a file, every viewer started records its timer there."""
        self.program = viewer_files.executable(self.build, timer_record is not None)
        self.timer_record = timer_record
        self.folder = os.path.join(self.work, name)
        os.makedirs(self.folder, exist_ok=True)
        # Copied, then renamed over an old copy, which may still be running.
        shutil.copy2(self.program, os.path.join(self.folder, ".kavro.new"))
        os.replace(os.path.join(self.folder, ".kavro.new"), os.path.join(self.folder, "kavro"))
        return self.folder

    def start_xvfb(self, screen=xserver.SCREEN):
        for tool in xserver.TOOLS:
            if shutil.which(tool) is None:
                raise Skip("%s is not installed" % tool)
        try:
            self.xvfb, self.display = xserver.start_xvfb(self.path("xvfb.log"), screen)
        except OSError as error:
            raise Skip(str(error)) from None
        self.started.append(self.xvfb)
        return self.display

    # --- the receiver and the settings ---------------------------------------------------------

    def start_receiver(self, *args, port=PORT, write_ini=True, user=None, name="receiver.err", sink=None):
        """The simulated receiver linked as COMn in the program folder (and Tolm.ini set to
        it), started with these extra arguments; returns once the link (and the file) are
        there. With sink "tcp" or "udp" it has no pseudo-terminal: it serves TCP on a free
        loopback port, or sends datagrams to one, and Tolm.ini names that source. Its
        standard error goes to the file name in the work folder, or with name None, to this
        script's, with the receiver's progress lines."""
        command = [sys.executable, NMEA_SIM, "--folder", self.folder, "--port", str(port)] + ["--quiet"] * bool(name)
        if sink == "tcp":
            command += ["--no-pty", "--tcp", "127.0.0.1:0", "--write-ini", "tcp"]
        elif sink == "udp":
            command += ["--no-pty", "--udp", "127.0.0.1:%d" % free_port(socket.SOCK_DGRAM), "--write-ini", "udp"]
        elif write_ini:
            command.append("--write-ini")
        ini = os.path.join(self.folder, "Tolm.ini")
        old_settings = read_text(ini)
        with open(self.path(name) if name else os.devnull, "wb") as errors:
            self.receiver = subprocess.Popen(command + [str(a) for a in args], stdout=subprocess.DEVNULL,
                                             stderr=errors if name else None, **as_user(user))
        self.started.append(self.receiver)
        link = os.path.join(self.folder, "COM%d" % port)

        def ready():
            if self.receiver.poll() is not None:
                return "ended"
            if sink:
                settings = read_text(ini)
                return settings != old_settings and "PORT = %s://" % sink in settings
            return os.path.islink(link) and (not write_ini or "PORT = COM%d" % port in read_text(ini))
        if wait_until(ready, 20) is not True:
            raise Failure("the simulated receiver did not %s" % ("write its %s source into Tolm.ini" % sink if sink else
                          "link COM%d%s" % (port, " and write Tolm.ini" if write_ini else "")))
        return self.receiver

    def start_gpsd(self, device, port=None, name="gpsd"):
        """Debian's gpsd reading this device without writing to it (-b), in the foreground
        (-N), reading it before any client comes (-n), on this loopback port (a free one by
        default) with its control socket in the work folder; returns (process, port) once it
        takes connections."""
        program = shutil.which("gpsd") or shutil.which("gpsd", path="/usr/sbin")
        if program is None:
            raise Skip("gpsd is not installed")
        port = port or free_port()
        with open(self.path(name + ".err"), "ab") as errors:
            gpsd = subprocess.Popen([program, "-N", "-n", "-b", "-S", str(port), "-F", self.path(name + ".sock"),
                                     device], stdout=subprocess.DEVNULL, stderr=errors)
        self.started.append(gpsd)
        if not wait_for_listener(port, 10, lambda: gpsd.poll() is None):
            raise Failure("gpsd did not take connections on port %d" % port)
        return gpsd, port

    def write_settings(self, *ports, rate=115200):
        """Tolm.ini with these PORT values, in order (the last one counts), and the rate."""
        with open(os.path.join(self.folder, "Tolm.ini"), "w") as ini:
            ini.write("".join("PORT = %s\n" % value for value in ports) + "RATE = %d\n" % rate)

    def port_setting(self):
        """The value of the last PORT line in Tolm.ini."""
        lines = re.findall(r"^PORT = (.*?)\s*$", read_text(os.path.join(self.folder, "Tolm.ini")), re.MULTILINE)
        if not lines:
            raise Failure("Tolm.ini has no PORT line")
        return lines[-1]

    # --- the viewer ------------------------------------------------------------------------------

    def launch_viewer(self, headless=False, env=None, user=None, name="kavro", command=None):
        """Starts the viewer in the program folder (on the X server unless headless), its
        output going to <name>.out/.err in the work folder; returns the process."""
        if not headless and self.display is None:
            raise Failure("no X server started for a windowed viewer")
        environment = viewer_files.environment(None if headless else self.display, env, self.timer_record)
        with open(self.path(name + ".out"), "wb") as out, open(self.path(name + ".err"), "wb") as errors:
            viewer = subprocess.Popen(command or [os.path.join(self.folder, "kavro")], cwd=self.work, env=environment,
                                      stdout=out, stderr=errors, **as_user(user))
        self.started.append(viewer)
        return viewer

    def start_viewer(self, env=None, user=None, name="kavro"):
        """Starts the viewer under the X server and waits for its main window."""
        self.viewer = self.launch_viewer(env=env, user=user, name=name)
        return self.wait_for_main_window()

    def start_demo(self, folder, *receiver_args, log="demo.out"):
        """The quick start, tools/demo.sh without bootstrap, on the X server with the build's
        viewer in this program folder; returns the demo, which leads a process group of its
        own, as self.viewer."""
        with open(self.path(log), "wb") as out:
            self.viewer = subprocess.Popen(
                [DEMO, "--no-bootstrap", "--build", self.build, "--folder", folder, "--display", self.display, "--"]
                + [str(a) for a in receiver_args], stdout=out, stderr=subprocess.STDOUT,
                env=viewer_files.environment(self.display), start_new_session=True)
        self.started.append(self.viewer)
        self.folder = folder
        return self.viewer

    def check_running(self, what):
        """The viewer still runs. One that ended with 0 before creating its log, writing
        nothing, handed its start to another Kavro; in the script's own network namespace
        that can only be one the script left running."""
        if self.viewer.poll() is None:
            return
        if self.viewer.returncode == 0 and not self.viewer_errors() and not os.path.exists(
                os.path.join(self.folder, "Tolm.txt")):
            raise Failure("the viewer handed its start to another Kavro in the script's own namespace, %s" % what)
        raise Failure("the viewer ended with %s %s" % (self.viewer.returncode, what))

    def end_with_ok(self, limit=15, at=OK_BUTTON, tap=None):
        """A tap on "Ok" (at this place of the window, by tap(at) or a click) ends the viewer
        with exit code 0."""
        (tap or self.click)(at)
        code = wait_for_end(self.viewer, limit, "the viewer did not end after a tap on Ok")
        if code != 0:
            raise Failure("the viewer ended with exit code %d after Ok" % code)

    def stop(self):
        for process in reversed(self.started):
            stop(process)


def run_script(body, build=None, prefix="kavro-e2e-", logs=("kavro.err", "receiver.err")):
    """Runs body(session) in a network namespace of its own (see own_network) and a fresh
    work folder, and cleans up; returns the script's exit code (0 passed, 1 failed, 77
    skipped, which in CI is a failure), showing on a failure the logs named (file names or
    patterns such as "*.err")."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still clean up when CTest times out
    started = time.monotonic()
    cause = own_network()
    if cause:
        return skipped(cause)
    with tempfile.TemporaryDirectory(prefix=prefix) as work:
        os.chmod(work, 0o755)  # a viewer run as another user must reach its program folder
        session = Session(work, build and os.path.realpath(build))
        try:
            body(session)
        except Skip as skip:
            return skipped(str(skip))
        except Failure as failure:
            print("FAIL: %s" % failure)
            for path in sorted(set(p for name in logs for p in glob.glob(session.path(name)))):
                text = read_text(path)
                if text:
                    print("--- %s:\n%s" % (os.path.basename(path), text.rstrip()))
            return 1
        finally:
            session.stop()
            make_removable(work)
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


def make_removable(work):
    """Gives back write permission on folders a script made read-only."""
    for root, dirs, _ in os.walk(work):
        for name in dirs:
            try:
                os.chmod(os.path.join(root, name), 0o755)
            except OSError:
                pass
