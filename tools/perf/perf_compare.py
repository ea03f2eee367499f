#!/usr/bin/env python3
"""Kavro beside FoxtrotGPS, xgps and cgps (on gpsd) on the same recorded drive.

For each rate, one drive log is made with the simulated receiver. Each run replays it at
the same time into four copies of Kavro and through gpsfake into one gpsd: Kavro (pty)
reads a pseudo-terminal linked as COMn beside it, Kavro (TCP) the same bytes at the same
moments from the simulated receiver's TCP server, Kavro (TCP, TRACKS = off) the same again
without recording its track (what recording costs is the difference between the two), and
Kavro (gpsd) watches gpsd's NMEA, as FoxtrotGPS, xgps and cgps watch its reports. Only one
Kavro runs per user, so the Kavros on gpsd and TCP run under user ids of their own (which
needs root). Every graphical viewer gets an X server of its own (Xvfb), so that its window
can be timed and the X server's own work told apart. The viewers start one after another, never overlapping, and then all follow the
rest of the drive.

Measured for each process, from /proc:
  CPU per minute  utime + stime over the replay, from 2 s after the window appeared (after the
                  start for cgps and gpsd) to 3 s before the end of the replay, per minute of
                  wall time;
  peak memory     VmHWM then;
  first window    from just before the process was started to the X server's MapNotify for
                  its first top-level window (for the Kavros also less their 3 s wait at the port),
                  and the CPU time the process had used by then (which the machine's load
                  does not stretch).
"""

import argparse
import csv
import ctypes
import ctypes.util
import datetime
import fcntl
import grp
import os
import platform
import pty
import pwd
import re
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests"))  # the harness

from harness.xserver import screenshot, start_xvfb, xdotool  # noqa: E402
from harness.proc import cpu_seconds, descendant_named, memory_kb, read  # noqa: E402
from harness.processes import as_user, free_port, stop, wait_for_listener  # noqa: E402
from harness.session import NMEA_SIM, Session  # noqa: E402
from harness.viewer import instance_running  # noqa: E402

# The viewer waits this long after opening its port before the window is shown.
KAVRO_PORT_WAIT_S = 3.0
# CPU is counted from this long after the window appeared: start-up is not the steady cost.
SETTLE_S = 2.0
# Measuring ends this long before the drive does, and the screenshots follow at once: the
# receiver stops after the last epoch (at 1 Hz a second before the drive's length), and a
# Kavro whose source ends shows a box.
TAIL_S = 3.0
SAMPLE_EVERY_S = 1.0
WINDOW_TIMEOUT_S = 60.0
BAUD = 115200
RANDOM_STATE = 2094
DRIVE_START = "2024-05-01T12:00:00Z"
KAVRO_COM = 9
# FoxtrotGPS at street level, as one follows a drive (it starts at zoom 3, the whole world).
FOXTROT_ZOOM = 15

# Every Kavro records its track (the default) but one: the same TCP source with TRACKS = off,
# which tells what recording costs.
KAVROS = ("Kavro (pty)", "Kavro (gpsd)", "Kavro (TCP)", "Kavro (TCP, TRACKS = off)")
VIEWERS = KAVROS + ("FoxtrotGPS", "xgps", "cgps")
GRAPHICAL = KAVROS + ("FoxtrotGPS", "xgps")


def log(text):
    print("perf_compare: " + text, file=sys.stderr, flush=True)


def file_name(name):
    """A viewer's name as a file name: "Kavro (TCP)" as Kavro-TCP."""
    return re.sub(r"\W+", "-", name).strip("-")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


# --- X: Xvfb and the first mapped window ---------------------------------------------------

class XMapEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("override_redirect", ctypes.c_int)]


class XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class MapWatch:
    """Listens on an X server's root window and notes when a top-level window is mapped: the
    moment it appears, with no polling interval in the way."""

    def __init__(self, display):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError("cannot open X display " + display)
        root = self.x.XDefaultRootWindow(self.display)
        self.x.XSelectInput(self.display, root, SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.display)
        self.fd = self.x.XConnectionNumber(self.display)

    def wait_for_map(self, timeout, alive):
        """Monotonic time of the first MapNotify of a normal top-level window, or None."""
        deadline = time.monotonic() + timeout
        event = XEvent()
        while time.monotonic() < deadline and alive():
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, ctypes.byref(event))
                if event.type == MAP_NOTIFY and not event.xmap.override_redirect:
                    return time.monotonic()
            select.select([self.fd], [], [], 0.05)
        return None

    def close(self):
        if self.display:
            self.x.XCloseDisplay(self.display)
            self.display = None


def window_name(display, pid):
    """The title of the process's visible window, as xdotool finds it (a cross-check)."""
    found = xdotool(display, "search", "--onlyvisible", "--pid", str(pid)).split()
    return xdotool(display, "getwindowname", found[0]) if found else ""


# --- processes -----------------------------------------------------------------------------

def spare_ids(count):
    """User ids that no account, group or process has (each with the group of its number).

    Only one Kavro runs per user (its window announces itself on an abstract socket named from
    the user id), so the Kavros on gpsd and TCP run under ids of their own. Bare numbers do:
    the viewer asks for no account, so nothing is created that a crash could leave behind, and
    all three Kavros reach the loopback where gpsd and the receiver listen (in network
    namespaces of their own they would need veth pairs and addresses). The range depends on
    this process's id, so that two comparisons at once pick different ids."""
    taken = {u.pw_uid for u in pwd.getpwall()} | {g.gr_gid for g in grp.getgrall()}
    for entry in os.listdir("/proc"):
        try:
            taken.add(os.stat("/proc/" + entry).st_uid)
        except OSError:  # gone meanwhile
            pass
    ids, candidate = [], 2000000000 + os.getpid() % 100000 * 16
    while len(ids) < count:
        if candidate not in taken:
            ids.append(candidate)
        candidate += 1
    return ids


class Terminal:
    """A pseudo-terminal of 80 x 24 that a text program draws on; its output is read and
    thrown away, as a terminal emulator would take it."""

    def __init__(self):
        self.master, self.slave = pty.openpty()
        fcntl.ioctl(self.slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        self.thread = threading.Thread(target=self._drain, daemon=True)
        self.thread.start()

    def _drain(self):
        while True:
            try:
                if not os.read(self.master, 65536):
                    return
            except OSError:
                return

    def close(self):
        for fd in (self.slave, self.master):
            try:
                os.close(fd)
            except OSError:
                pass


# --- the drive -----------------------------------------------------------------------------

def make_drive(out_dir, minutes, rate):
    path = os.path.join(out_dir, "drive-%gmin-%ghz.nmea" % (minutes, rate))
    if not os.path.exists(path):
        log("making the %g-minute drive at %g Hz: %s" % (minutes, rate, path))
        with open(path + ".part", "wb") as out:
            subprocess.run([sys.executable, NMEA_SIM, "--stdout", "--no-pace", "--quiet",
                            "--duration", str(minutes * 60), "--rate-hz", str(rate),
                            "--baud", str(BAUD), "--random-state", str(RANDOM_STATE),
                            "--start-time", DRIVE_START], stdout=out, check=True)
        os.replace(path + ".part", path)
    return path


def sentence_count(path):
    with open(path, "rb") as f:
        return sum(1 for line in f if line.startswith(b"$"))


# --- one run -------------------------------------------------------------------------------

class Watched:
    def __init__(self, name, process, display=None, xserver=None):
        self.name = name
        self.process = process
        self.display = display
        self.xserver = xserver
        self.started = None
        self.window = None      # seconds from start to the first window
        self.startup_cpu = None  # CPU seconds the process had used when its window appeared
        self.ready = None       # monotonic time from which CPU counts
        self.samples = []       # (time, own cpu, X server cpu)
        self.title = ""


def foxtrot_home(base, gpsd_port):
    """A home of its own for FoxtrotGPS: settings in a keyfile, map tiles never fetched."""
    home = os.path.join(base, "foxtrot-home")
    settings = os.path.join(home, ".config", "glib-2.0", "settings")
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "keyfile"), "w") as f:
        f.write("[org/foxtrotgps]\nauto-download=false\ngpsd-host='127.0.0.1'\n"
                "gpsd-port='%d'\nglobal-zoom=%d\n" % (gpsd_port, FOXTROT_ZOOM))
    return home


def viewer_env(display, home):
    env = dict(os.environ)
    env.update(DISPLAY=display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), NO_AT_BRIDGE="1")
    # Should anything still reach for the network, it finds a closed local port.
    env.update(http_proxy="http://127.0.0.1:9", https_proxy="http://127.0.0.1:9",
               HTTP_PROXY="http://127.0.0.1:9", HTTPS_PROXY="http://127.0.0.1:9")
    for name in ("SDL_VIDEODRIVER", "SDL_AUDIODRIVER", "WAYLAND_DISPLAY"):
        env.pop(name, None)
    return env


def start_graphical(name, command, env, watch, xserver, display, own_network=False, user=None):
    if own_network:
        # A network namespace (and so an abstract socket name space) of its own, made before
        # the clock starts: a shell in it waits for a line, then becomes the viewer.
        process = subprocess.Popen(["unshare", "--net", "sh", "-c", 'read go && exec "$0" "$@"'] + command,
                                   env=env, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 10.0
        while time.monotonic() < deadline and process.poll() is None:
            if (read("/proc/%d/comm" % process.pid) or "").strip() == "sh":
                break
            time.sleep(0.005)
        started = time.monotonic()
        process.stdin.write(b"go\n")
        process.stdin.close()
    else:
        started = time.monotonic()
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, start_new_session=True, **as_user(user))
    viewer = Watched(name, process, display, xserver)
    viewer.started = started
    mapped = watch.wait_for_map(WINDOW_TIMEOUT_S, lambda: process.poll() is None)
    # Closed while its X server lives: Xlib ends the whole program on a lost connection.
    watch.close()
    if mapped is None:
        log("%s: no window (exit status %s)" % (name, process.poll()))
        viewer.ready = time.monotonic() + SETTLE_S
    else:
        viewer.window = mapped - started
        viewer.startup_cpu = cpu_seconds(process.pid)
        viewer.ready = mapped + SETTLE_S
        viewer.title = window_name(display, process.pid)
    return viewer


def run_once(args, drive, rate, run_number, shots_dir):
    duration = args.minutes * 60.0
    base = tempfile.mkdtemp(prefix="kavro-perf-")
    processes = []
    watches = []
    terminal = kavro = None
    viewers = []
    try:
        # X servers first: one per graphical viewer.
        displays = {}
        for name in GRAPHICAL:
            xserver, display = start_xvfb(os.path.join(base, "xvfb.log"), "1280x1024x24")
            processes.append(xserver)
            displays[name] = (xserver, display)

        # Kavro (pty)'s program folder: a copy of the viewer, and Tolm.ini set to the receiver's COMn.
        os.chmod(base, 0o755)  # the Kavros of other user ids reach their folders through it
        kavro = Session(base, args.build)
        folder = kavro.make_program_folder("kavro")

        # gpsfake takes a while to digest the log, so it goes first; the simulated receiver
        # then starts its replay as gpsd starts taking sentences.
        gpsd_port = free_port()
        cycle = duration / max(1, sentence_count(drive))
        gpsfake = subprocess.Popen(
            ["gpsfake", "-1", "-q", "-n", "-P", str(gpsd_port), "-s", str(BAUD), "-c", "%.6f" % cycle,
             "-W", str(int(duration) + 600), drive],
            env=dict(os.environ, WRITE_PAD="0"), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        processes.append(gpsfake)
        if not wait_for_listener(gpsd_port, 60.0, lambda: gpsfake.poll() is None):
            raise RuntimeError("gpsfake did not start gpsd")
        tcp_port = free_port()
        kavro.start_receiver("--replay", drive, "--baud", BAUD, "--tcp", "127.0.0.1:%d" % tcp_port, port=KAVRO_COM)
        end = time.monotonic() + duration - TAIL_S
        gpsd_pid = descendant_named(gpsfake.pid, "gpsd")

        # The viewers, one after another.
        home = os.path.join(base, "home")
        os.makedirs(home)
        xserver, display = displays["Kavro (pty)"]
        watch = MapWatch(display)
        watches.append(watch)
        # Another Kavro of this user would answer the single-instance check (those of other
        # users, or in other network namespaces, do not).
        others = instance_running()
        if others and subprocess.run(["unshare", "--net", "true"], capture_output=True).returncode != 0:
            raise RuntimeError("another Kavro of this user runs, and this user may not make a "
                               "network namespace to keep clear of it: end that Kavro first")
        viewers.append(start_graphical("Kavro (pty)", [os.path.join(folder, "kavro")], viewer_env(display, home),
                                       watch, xserver, display, own_network=others))
        for (name, source, extra), uid in zip((("Kavro (gpsd)", "gpsd://127.0.0.1:%d" % gpsd_port, ""),
                                               ("Kavro (TCP)", "tcp://127.0.0.1:%d" % tcp_port, ""),
                                               ("Kavro (TCP, TRACKS = off)", "tcp://127.0.0.1:%d" % tcp_port,
                                                "TRACKS = off\n")), args.ids):
            # Its program folder is its home too; it belongs to its user id, which writes the log there.
            folder = kavro.make_program_folder(file_name(name).lower())
            kavro.write_settings(source, rate=BAUD)
            with open(os.path.join(folder, "Tolm.ini"), "a") as ini:
                ini.write(extra)
            os.chown(folder, uid, uid)
            xserver, display = displays[name]
            watch = MapWatch(display)
            watches.append(watch)
            viewers.append(start_graphical(name, [os.path.join(folder, "kavro")], viewer_env(display, folder),
                                           watch, xserver, display, user=uid))

        xserver, display = displays["FoxtrotGPS"]
        watch = MapWatch(display)
        watches.append(watch)
        fhome = foxtrot_home(base, gpsd_port)
        env = viewer_env(display, fhome)
        env["GSETTINGS_BACKEND"] = "keyfile"
        viewers.append(start_graphical("FoxtrotGPS", ["foxtrotgps"], env, watch, xserver, display))

        xserver, display = displays["xgps"]
        watch = MapWatch(display)
        watches.append(watch)
        viewers.append(start_graphical("xgps", ["xgps", "127.0.0.1:%d" % gpsd_port],
                                       viewer_env(display, home), watch, xserver, display))

        terminal = Terminal()
        env = viewer_env("", home)
        env.pop("DISPLAY")
        env["TERM"] = "xterm"
        started = time.monotonic()
        cgps = subprocess.Popen(["cgps", "127.0.0.1:%d" % gpsd_port], env=env, stdin=terminal.slave,
                                stdout=terminal.slave, stderr=terminal.slave, start_new_session=True)
        text = Watched("cgps", cgps)
        text.started = started
        text.ready = started + SETTLE_S
        viewers.append(text)

        gpsd = Watched("gpsd", None)
        last_ready = gpsd.ready = max(v.ready for v in viewers)
        if end - last_ready < 10.0:
            raise RuntimeError("the replay is too short to measure: use more --minutes")
        log("run %d at %g Hz: all viewers up, measuring until shortly before the replay ends (%.0f s)"
            % (run_number, rate, end - time.monotonic()))

        # Samples until shortly before the end of the replay.
        while True:
            now = time.monotonic()
            for v in viewers:
                xcpu = cpu_seconds(v.xserver.pid) if v.xserver else None
                v.samples.append((now, cpu_seconds(v.process.pid), xcpu))
            gpsd.samples.append((now, cpu_seconds(gpsd_pid) if gpsd_pid else None, None))
            if now >= end:
                break
            time.sleep(min(SAMPLE_EVERY_S, max(0.0, end - now)))

        peaks = {v.name: memory_kb(v.process.pid, "VmHWM") for v in viewers}
        peaks["gpsd"] = memory_kb(gpsd_pid, "VmHWM") if gpsd_pid else None
        if shots_dir:
            for v in viewers:
                if v.display:
                    try:
                        shot = os.path.join(shots_dir, "%s-%ghz.png" % (file_name(v.name), rate))
                        screenshot(v.display, target=shot)
                    except OSError as error:
                        log("%s: %s" % (v.name, error))
        load = load_average()

        rows = []
        for v in viewers + [gpsd]:
            counted = [s for s in v.samples if s[0] >= v.ready and s[1] is not None]
            alive = v.samples and v.samples[-1][1] is not None
            row = dict(run=run_number, rate_hz=rate, process=v.name, first_window_s="",
                       after_port_wait_s="", startup_cpu_s="", cpu_s_per_min="", xserver_cpu_s_per_min="",
                       peak_memory_mb="", measured_s="", load_average=load, window_title=v.title)
            if v.window is not None:
                row["first_window_s"] = "%.3f" % v.window
                if v.startup_cpu is not None:
                    row["startup_cpu_s"] = "%.2f" % v.startup_cpu
                if v.name in KAVROS:
                    row["after_port_wait_s"] = "%.3f" % (v.window - KAVRO_PORT_WAIT_S)
            if alive and len(counted) >= 2:
                (t0, c0, x0), (t1, c1, x1) = counted[0], counted[-1]
                row["measured_s"] = "%.1f" % (t1 - t0)
                row["cpu_s_per_min"] = "%.4f" % ((c1 - c0) / (t1 - t0) * 60.0)
                if x0 is not None and x1 is not None:
                    row["xserver_cpu_s_per_min"] = "%.4f" % ((x1 - x0) / (t1 - t0) * 60.0)
            else:
                log("%s: not running at the end of the replay; left out" % v.name)
            if peaks.get(v.name) is not None and alive:
                row["peak_memory_mb"] = "%.1f" % (peaks[v.name] / 1024.0)
            rows.append(row)
        return rows
    finally:
        for watch in watches:
            watch.close()
        for v in viewers:
            stop(v.process)
        for process in reversed(processes):
            stop(process)
        if kavro:
            kavro.stop()
        if terminal:
            terminal.close()
        shutil.rmtree(base, ignore_errors=True)


# --- the table -----------------------------------------------------------------------------

def median_of(rows, key):
    values = [float(r[key]) for r in rows if r[key] != ""]
    return statistics.median(values) if values else None


def cell(value, digits):
    return "—" if value is None else "%.*f" % (digits, value)


def table(rows, rates):
    lines = ["| Rate | Viewer | CPU s/min (viewer) | CPU s/min (its X server) | Peak memory (MB) | "
             "First window (s) |",
             "|---|---|---:|---:|---:|---:|"]
    for rate in rates:
        for name in VIEWERS + ("gpsd",):
            mine = [r for r in rows if r["process"] == name and float(r["rate_hz"]) == rate]
            if not mine:
                continue
            first = median_of(mine, "first_window_s")
            window = cell(first, 2)
            if name in KAVROS and first is not None:
                window = "%.2f (3 s port wait + %.3f)" % (first, median_of(mine, "after_port_wait_s"))
            startup = median_of(mine, "startup_cpu_s")
            if startup is not None:
                window += "; %.2f s CPU" % startup
            elif name == "cgps":
                window = "— (terminal)"
            label = {"gpsd": "gpsd (for Kavro (gpsd), FoxtrotGPS, xgps, cgps)"}.get(name, name)
            xcpu = "—" if name in ("cgps", "gpsd") else cell(median_of(mine, "xserver_cpu_s_per_min"), 3)
            lines.append("| %g Hz | %s | %s | %s | %s | %s |" % (
                rate, label, cell(median_of(mine, "cpu_s_per_min"), 3), xcpu,
                cell(median_of(mine, "peak_memory_mb"), 1), window))
    return "\n".join(lines)


def stop_on_signal(signum, _frame):
    # Ends through the runs' clean-up, so no X server, gpsd or viewer is left behind.
    raise SystemExit("perf_compare: stopped by signal %d" % signum)


def main():
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, stop_on_signal)
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build-release"),
                        help="build folder holding kavro/kavro (default: build-release)")
    parser.add_argument("--minutes", type=float, default=10.0, help="length of each drive (default: 10)")
    parser.add_argument("--runs", type=int, default=3, help="runs per rate; the table shows medians (default: 3)")
    parser.add_argument("--rates", default="1,5", help="receiver rates in Hz (default: 1,5)")
    parser.add_argument("--out", default=None, help="folder for logs, CSV, table and screenshots "
                        "(default: BUILD/perf)")
    args = parser.parse_args()
    if args.minutes <= 0 or args.runs < 1:
        parser.error("--minutes must be positive and --runs at least 1")
    if os.geteuid() != 0:
        sys.exit("perf_compare: Kavro (gpsd) and Kavro (TCP) run under user ids of their own (only one "
                 "Kavro runs per user), and only root can start processes as another user: run as root")
    args.build = os.path.realpath(args.build)
    out_dir = args.out or os.path.join(args.build, "perf")
    os.makedirs(out_dir, exist_ok=True)
    rates = [float(r) for r in args.rates.split(",")]
    for tool in ("Xvfb", "xdotool", "gpsfake", "gpsd", "foxtrotgps", "xgps", "cgps", "import"):
        if shutil.which(tool) is None:
            sys.exit("perf_compare: %s is missing (tools/perf/perf_compare.sh installs it)" % tool)

    args.ids = spare_ids(3)
    started = datetime.datetime.now()
    load_start = load_average()
    drives = {rate: make_drive(out_dir, args.minutes, rate) for rate in rates}
    rows = []
    csv_path = os.path.join(out_dir, "perf_compare.csv")
    fields = ["run", "rate_hz", "process", "cpu_s_per_min", "xserver_cpu_s_per_min", "peak_memory_mb",
              "first_window_s", "after_port_wait_s", "startup_cpu_s", "measured_s", "load_average", "window_title"]
    loads = []
    with open(csv_path, "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=fields)
        writer.writeheader()
        for run in range(1, args.runs + 1):
            for rate in rates:
                shots = out_dir if run == args.runs else None
                log("run %d of %d at %g Hz (load average %s)" % (run, args.runs, rate, load_average()))
                result = run_once(args, drives[rate], rate, run, shots)
                loads.append(result[0]["load_average"])
                for row in result:
                    writer.writerow(row)
                f.flush()
                rows.extend(result)

    kavro = subprocess.run(["git", "-C", ROOT, "describe", "--always", "--dirty"], capture_output=True,
                           text=True, check=False).stdout.strip()
    header = [
        "Kavro %s (on a pty, gpsd and TCP) vs FoxtrotGPS, xgps and cgps on gpsd: %g-minute drives, "
        "%d run(s) per rate, medians."
        % (kavro, args.minutes, args.runs),
        "%s, %s, %d cores; load average (1, 5, 15 min) at start %s, at the end of each run: %s."
        % (started.strftime("%Y-%m-%d %H:%M"), platform.machine(), os.cpu_count() or 0, load_start,
           "; ".join(loads)),
    ]
    text = "\n".join(header) + "\n\n" + table(rows, rates) + "\n"
    with open(os.path.join(out_dir, "perf_compare.md"), "w") as f:
        f.write(text)
    print(text)
    log("raw numbers: %s" % csv_path)


if __name__ == "__main__":
    main()
