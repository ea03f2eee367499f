#!/usr/bin/env python3
"""The track file with the real executable: a real receiver's capture replayed, the viewer
killed with SIGKILL at a moment the test picks or ended with "Ok", and the file read by gpsbabel
and gpxpy (every point one of the capture's fixes, times rising); the data synced to the disk at
least every 10 s (traced with strace); a file size limit, a full disk
(a small tmpfs) and a read-only folder, where the viewer goes on drawing after one line on
standard error and the file stays valid; TRACKS = off, which records nothing.

usage: tracks_e2e.py BUILD_FOLDER SCENARIO | --list
The captures come from KAVRO_NMEA_DIR. Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb,
xdotool, ImageMagick, gpsbabel or python3-gpxpy, no root for the tmpfs, or another Kavro of this
user runs)."""

import glob
import os
import random
import re
import shutil
import sys
import time

from steps import (FAST, check_errors, run_as_nobody, scenario_main, start_drive,  # puts tests/ on the path
                   timer_messages, wait_for_drive)

from harness.gpx import check_track
from harness.processes import stop
from harness.script import Failure, Skip, read_text, wait_for, wait_for_end

STOPPED = r"kavro: track recording stopped: %s: %s"


def capture(name):
    folder = os.environ.get("KAVRO_NMEA_DIR")
    if not folder or not os.path.isdir(folder):
        raise Skip("KAVRO_NMEA_DIR names no folder of captures")
    return os.path.join(folder, name)


def track_files(folder):
    return sorted(glob.glob(os.path.join(folder, "*.gpx")))


def points_in(path):
    return read_text(path).count("<trkpt ")


def add_settings(session, *lines):
    with open(os.path.join(session.folder, "Tolm.ini"), "a") as ini:
        ini.write("".join(line + "\n" for line in lines))


def the_one_track(folder):
    files = track_files(folder)
    if len(files) != 1:
        raise Failure("%s holds %r, expected one track file" % (folder, [os.path.basename(f) for f in files]))
    return files[0]


def replayed_until(session, least):
    """A drive of a real receiver (1 Hz, moving throughout) replayed to the viewer until its
    track file holds `least` points; the capture and the tracks folder."""
    log = capture("haicom-305N.log")
    start_drive(session, "--replay", log)
    session.start_viewer()
    tracks = os.path.join(session.folder, "tracks")
    wait_for(lambda: track_files(tracks) and points_in(track_files(tracks)[0]) >= least, 60, 0.2,
             "the track file never held %d points" % least)
    return log, tracks


def killed(session):
    """The capture replayed; once the file holds a few points, at a moment picked at random,
    SIGKILL. Both readers read the file whole, with every point recorded before the kill, times
    rising, each point one of the capture's fixes."""
    least = random.Random().randint(3, 12)
    log, tracks = replayed_until(session, least)
    time.sleep(random.Random().uniform(0.0, 1.0))
    before = points_in(the_one_track(tracks))
    session.viewer.kill()
    wait_for_end(session.viewer, 10, "the viewer outlived SIGKILL")
    path = the_one_track(tracks)
    points = check_track(path, capture=log, least=max(before, least))
    print("killed after %d points; the file holds %d" % (before, len(points)))
    check_errors(session, [])


def ended_with_ok(session):
    """The same capture replayed, then "Ok": the file is whole, read by both readers, its name
    the receiver's time of its first point, every point one of the capture's fixes."""
    log, tracks = replayed_until(session, 8)
    session.end_with_ok()
    path = the_one_track(tracks)
    points = check_track(path, capture=log, least=8)
    first = points[0][2]
    if os.path.basename(path) != first.strftime("%Y-%m-%d_%H-%M-%SZ.gpx"):
        raise Failure("the file is named %s, its first point is at %s" % (os.path.basename(path), first))
    check_errors(session, [])


def drawing_goes_on(session, path, cause, readable=None):
    """After the failure: one line on standard error naming the file (path, as the viewer sees
    it) and the cause, the display still complete, the file valid (read at `readable` when this
    script sees it elsewhere); then "Ok" ends the viewer with 0 and nothing more on standard error."""
    expected = [STOPPED % (re.escape(path), cause)]
    wait_for(lambda: session.viewer_errors().strip(), 60, 0.3, "no line on standard error")
    wait_for_drive(session)
    check_errors(session, expected)
    shutil.copyfile(readable or path, session.path("track.gpx"))
    check_track(session.path("track.gpx"), least=2)
    session.end_with_ok()
    check_errors(session, expected)


def synced(session):
    """No written point waits more than 10 s to reach the disk, and the last ones reach it when
    the viewer ends: every write to the track file (traced with strace) is followed within 10 s
    by an fdatasync."""
    if shutil.which("strace") is None:
        raise Skip("strace is not installed (tools/bootstrap.sh installs it)")
    start_drive(session, *FAST, 25)
    trace = session.path("sync.trace")
    # LeakSanitizer cannot work under ptrace: a sanitizer build is checked for leaks elsewhere.
    no_leak_check = {"ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"}
    session.viewer = session.launch_viewer(command=["strace", "-f", "-qq", "-ttt", "-s", "12", "-e",
                                                    "trace=write,fdatasync", "-o", trace,
                                                    os.path.join(session.folder, "kavro")], env=no_leak_check)
    session.wait_for_main_window()
    tracks = os.path.join(session.folder, "tracks")
    wait_for(lambda: track_files(tracks) and points_in(track_files(tracks)[0]) >= 5, 60, 0.3,
             "the track file never held 5 points")
    time.sleep(25)
    session.end_with_ok()
    check_track(the_one_track(tracks), least=5)
    writes, syncs = [], []
    for line in read_text(trace).splitlines():
        fields = line.split(None, 2)
        if len(fields) < 3:
            continue
        if re.match(r'write\(\d+, "(<\?xml|<trkpt|</trkseg)', fields[2]):
            writes.append(float(fields[1]))
        elif fields[2].startswith("fdatasync(") and fields[2].rstrip().endswith("= 0"):
            syncs.append(float(fields[1]))
    if len(writes) < 30:
        raise Failure("strace saw %d writes to the track file" % len(writes))
    late = [w for w in writes if not any(w <= s <= w + 10.0 for s in syncs)]
    if late:
        raise Failure("%d of %d writes waited more than 10 s for fdatasync (syncs at %r)"
                      % (len(late), len(writes), syncs))
    if syncs[-1] < writes[-1]:
        raise Failure("the last write was not synced when the viewer ended")
    check_errors(session, [])


def size_limit(session):
    """A file size limit of 6000 bytes on the viewer (prlimit): it is not killed by SIGXFSZ; the
    point that does not fit is cut away."""
    if shutil.which("prlimit") is None:
        raise Skip("prlimit is not installed")
    start_drive(session, *FAST, 21)
    session.viewer = session.launch_viewer(command=["prlimit", "--fsize=6000", "--",
                                                    os.path.join(session.folder, "kavro")])
    session.wait_for_main_window()
    tracks = os.path.join(session.folder, "tracks")
    wait_for(lambda: track_files(tracks), 60, 0.3, "no track file")
    path = the_one_track(tracks)
    drawing_goes_on(session, path, ".*size limit.*")
    if os.path.getsize(path) > 6000:
        raise Failure("the file holds %d bytes, over the limit" % os.path.getsize(path))


def full_disk(session):
    """The tracks folder is a tmpfs of 8 KiB in the viewer's own mount namespace: the disk fills."""
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        raise Skip("a private tmpfs needs root and unshare")
    start_drive(session, *FAST, 22)
    tracks = os.path.join(session.folder, "tracks")
    os.mkdir(tracks)
    mount = 'mount -t tmpfs -o size=8k kavro-tracks "$0" && exec "$1"'
    session.viewer = session.launch_viewer(command=["unshare", "--mount", "--propagation", "private", "sh", "-c",
                                                    mount, tracks, os.path.join(session.folder, "kavro")])
    session.wait_for_main_window()
    pid = session.viewer.pid
    # The tmpfs is seen from inside the viewer's namespace only.
    inside = "/proc/%d/root%s" % (pid, tracks)
    wait_for(lambda: track_files(inside), 60, 0.3, "no track file on the tmpfs")
    name = os.path.basename(track_files(inside)[0])
    if track_files(tracks):
        raise Failure("the track file is outside the tmpfs")
    drawing_goes_on(session, os.path.join(tracks, name), ".*disk is full.*", readable=os.path.join(inside, name))


def read_only_folder(session):
    """The TRACKS folder cannot be written (as root, the viewer runs as nobody): one line naming
    the folder's file, no file, and the ticks go on."""
    start_drive(session, *FAST, 23, timer_record=True, xvfb=False)
    locked = os.path.join(session.folder, "locked")
    os.mkdir(locked, 0o555)
    os.chmod(locked, 0o555)
    add_settings(session, "TRACKS = locked")
    session.viewer = session.launch_viewer(headless=True, user=run_as_nobody(session))
    wait_for(lambda: session.viewer_errors().strip(), 60, 0.3, "no line on standard error")
    ticks = timer_messages(session)
    wait_for(lambda: timer_messages(session) >= ticks + 10, 30, 0.3, "the ticks stopped after the failure")
    session.check_running("after the failure")
    stop(session.viewer)
    check_errors(session, [STOPPED % (re.escape(locked) + r"/\S+\.gpx", "permission denied")])
    if os.listdir(locked):
        raise Failure("the read-only folder holds %r" % os.listdir(locked))


def tracks_off(session):
    """TRACKS = off: a moving drive is drawn and nothing is recorded anywhere."""
    start_drive(session, *FAST, 24)
    add_settings(session, "TRACKS = off")
    session.start_viewer()
    wait_for_drive(session)
    session.end_with_ok()
    check_errors(session, [])
    if sorted(os.listdir(session.folder)) != ["COM3", "Tolm.ini", "Tolm.txt", "kavro"]:
        raise Failure("the program folder holds %r" % sorted(os.listdir(session.folder)))


SCENARIOS = {"kill": killed, "ok": ended_with_ok, "synced": synced, "size-limit": size_limit, "full-disk": full_disk,
             "read-only-folder": read_only_folder, "off": tracks_off}

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-tracks-"))
