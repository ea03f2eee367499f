#!/usr/bin/env python3
"""Fault scenarios with the real executable: a receiver sending noise, cut sentences, NUL bytes
or absurd numbers, or unplugged mid-read; settings files of megabytes of binary bytes; read-only
and non-ASCII program folders; three starts at once. Each says what the program must do.

usage: faults_e2e.py BUILD_FOLDER SCENARIO | --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool or ImageMagick where a window is
needed, or no network namespace of its own)."""

import os
import random
import re
import sys
import time

from steps import (FAST, beeper, check_errors, plot_share, run_as_nobody, scenario_main,  # puts tests/ on the path
                   start_drive, timer_messages)

from harness.processes import stop
from harness.screen import BACKGROUND, BLACK, CLIENT_HEIGHT, CLIENT_WIDTH, PANEL, WHITE, ZOOM_IN
from harness.script import Failure, check_log_header, check_no_sanitizer_report, wait_for, wait_for_end, wait_until

TICKS = 5  # ticks a scenario watches the viewer through
START_LIMIT_S = 40  # the port's 3 s settling wait, and a slow sanitizer build


def watch_ticks(session, after=0, each=lambda: None):
    """Waits for TICKS timer messages more than `after`, calling each() at every look, the viewer alive."""
    def done():
        session.check_running("while the receiver was sending")
        each()
        return timer_messages(session) >= after + TICKS
    if not wait_until(done, START_LIMIT_S, 0.3):
        raise Failure("only %d timer messages in %d s" % (timer_messages(session), START_LIMIT_S))


def run_headless(session, expected=(), **viewer):
    """The viewer headless (boxes become lines on standard error), watched through TICKS ticks and
    stopped, still running; its standard error holds just these lines."""
    session.viewer = session.launch_viewer(headless=True, **viewer)
    watch_ticks(session)
    session.check_running("before the end of the scenario")
    stop(session.viewer)
    check_errors(session, expected)


def faulty_stream(kinds, rate_hz, baud):
    """A drive with a fault of this kind in every epoch. The viewer stays alive, reports nothing
    (bad bytes are no failed read: no box) and goes on drawing: its info panel shows text and
    changes from tick to tick. "Ok" ends it with exit code 0; the log holds its one header."""
    def body(session):
        start_drive(session, "--rate-hz", rate_hz, "--baud", baud, "--random-state", 5, "--faults", kinds,
                    "--fault-every", 0.1, timer_record=True)
        session.start_viewer()
        panels = set()

        def look():
            if session.windows("Error"):
                raise Failure("a message box appeared")
            panel = session.screenshot("running").area(*PANEL)
            if panel.count(WHITE) >= 60:
                panels.add(panel)
        watch_ticks(session, timer_messages(session), look)
        if len(panels) < 3:
            raise Failure("the info panel showed %d different pictures in %d ticks, expected 3 or more"
                          % (len(panels), TICKS))
        session.end_with_ok()
        check_errors(session, [])
        check_log_header(session.folder)
    return body


def hang_up(session):
    """The receiver is unplugged mid-sentence. The read fails: a real message box "Error Reading
    comms port." captioned "Error" (nothing on standard error under a display), which Enter
    dismisses. Ticks then do nothing: the display stays as the repaint left it, though the timer
    goes on. The window stays usable: the box's area is repainted, "Z+" beeps and draws the
    plot, the window repaints when shown again, and "Ok" ends the program with exit code 0."""
    # After 10 s of the stream the viewer has drawn a few ticks.
    start_drive(session, *FAST, 6, "--faults", "hangup", "--fault-every", 10, timer_record=True)
    sound, beeped = beeper(session)
    session.start_viewer(env=sound)
    main_window = session.window

    def drawn():  # until the receiver goes
        session.check_running("before the receiver went")
        return len(session.screenshot("drawn").find(WHITE, *PANEL)) >= 60 or session.windows("Error")
    if wait_until(drawn, START_LIMIT_S, 0.3) is not True:
        raise Failure("nothing was drawn before the receiver went")
    box = []

    def look_at_box(window):
        if session.windows("Kavro") != [main_window]:
            raise Failure("the main window is gone while the box shows")
        box.extend(session.geometry(window))
        look = []

        def box_drawn():  # a window shows before its first paint reaches the screen; then its text
            shot = session.screenshot("box", origin=box[:2])
            look[:] = shot.pixel(3, 3), shot.pixel(3, 30), len(shot.find(BLACK, 10, 30, 230, 50))
            return look[:2] == [(0, 60, 130), (236, 236, 236)] and look[2]  # caption, face, text
        if not wait_until(box_drawn, 10, 0.3):
            raise Failure("the box does not look like one: caption %r, face %r, %d black text pixels" % tuple(look))
        wait_for_end(session.receiver, 5, "the receiver did not hang up")
    session.answer_box("Error", 45, look_at_box)

    # Where the box was, the main window shows itself again: the background its repaint left.
    left, top = box[0] - session.origin[0], box[1] - session.origin[1]
    area = (max(0, left), max(0, top), min(CLIENT_WIDTH, left + box[2]), min(CLIENT_HEIGHT, top + box[3]))
    wait_for(lambda: set(session.screenshot("repainted").area(*area)) == {BACKGROUND}, 10, 0.3,
             "the box's area was not repainted after it went")

    # Ticks do nothing any more, though the timer goes on.
    before = session.screenshot("stopped").area(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT)
    messages = timer_messages(session)
    wait_for(lambda: timer_messages(session) >= messages + 6, 10, 0.3, "the timer stopped after the failed read")
    if session.screenshot("still-stopped").area(0, 0, CLIENT_WIDTH, CLIENT_HEIGHT) != before:
        raise Failure("the display changed after the failed read: ticks did not stop")

    # The stylus still works: Z+ beeps and draws the plot.
    if beeped():
        raise Failure("something beeped before Z+ was tapped")
    session.click(ZOOM_IN)
    wait_for(beeped, 10, 0.2, "Z+ did not beep")
    wait_for(lambda: plot_share(session.screenshot("zoomed"), BLACK) > 0.8, 10, 0.3, "Z+ did not draw the plot")

    # Hidden and shown again, the window is repainted (background and buttons; the plot comes
    # back only when the stylus draws it).
    session.xdotool("windowunmap", "--sync", main_window)
    session.xdotool("windowmap", "--sync", main_window)
    wait_for(lambda: plot_share(session.screenshot("exposed"), BACKGROUND) == 1.0, 10, 0.3,
             "the window was not repainted after it was shown again")
    session.end_with_ok()
    errors = session.viewer_errors()
    check_no_sanitizer_report(errors)
    if "Error Reading comms port." in errors:
        raise Failure("the box fell back to standard error under a display")
    check_log_header(session.folder)


def garbage(rng, size):
    """Random bytes of every value, with no line in them that could be a setting."""
    return rng.randbytes(size).replace(b"PORT", b"P0RT").replace(b"RATE", b"R4TE")


def settings_file(session):
    """6 MB of binary settings (NULs, bytes above 127, lines of a megabyte, carriage returns)
    around a few real lines: the viewer takes the last PORT and RATE (COM3 at 115200, where the
    receiver waits; the earlier COM9 and RATE = 0 would fail), reports nothing and reads the
    receiver; the log holds its header."""
    rng = random.Random(8)
    start_drive(session, *FAST, 8, timer_record=True, xvfb=False, write_ini=False)
    parts = [garbage(rng, 2 << 20), b"\nPORT = COM9\nRATE = 0\n", b"x" * (1 << 20), b"\r\r\n",
             b"\0" * 5000, b"\n", garbage(rng, 2 << 20), b"\nPORT = COM3\r\nRATE = 115200\n",
             garbage(rng, 1 << 20).replace(b"\n", b"")]
    with open(os.path.join(session.folder, "Tolm.ini"), "wb") as ini:
        ini.write(b"".join(parts))
    run_headless(session)
    check_log_header(session.folder)


def read_only_folder(session):
    """A program folder the user cannot write to: the viewer reports that it cannot create the
    log, then reads Tolm.ini and the receiver as usual; on the first moving fix it says in one
    line that it cannot record the track, and nothing else. As root the viewer
    and the receiver (whose pseudo-terminal it opens) run as nobody: root writes anywhere."""
    start_drive(session, *FAST, 9, timer_record=True, xvfb=False)
    user = run_as_nobody(session)
    os.chmod(session.folder, 0o555)
    run_headless(session, [re.escape('Error: Can not create the LogFile "Tolm.txt"'),
                           re.escape("kavro: track recording stopped: %s/tracks: " % session.folder) + ".+"],
                 user=user)
    if os.path.exists(os.path.join(session.folder, "Tolm.txt")):
        raise Failure("Tolm.txt exists in the read-only folder")


def unicode_folder(session):
    """A program folder named beyond ASCII, under a UTF-8 locale: the viewer creates Tolm.txt
    there, reads Tolm.ini from there, opens the COM3 link there and records the drive's track in
    tracks/ there, reporting nothing."""
    start_drive(session, *FAST, 10, timer_record=True, xvfb=False, folder="Kavro-Ünïcødé-テスト")
    run_headless(session, env={"LANG": "C.UTF-8", "LC_ALL": "", "LC_CTYPE": ""})
    check_log_header(session.folder)
    if sorted(os.listdir(session.folder)) != ["COM3", "Tolm.ini", "Tolm.txt", "kavro", "tracks"]:
        raise Failure("the program folder holds %r" % sorted(os.listdir(session.folder)))
    if len(os.listdir(os.path.join(session.folder, "tracks"))) != 1:
        raise Failure("tracks/ holds %r, expected one file" % os.listdir(os.path.join(session.folder, "tracks")))


def simultaneous_starts(session):
    """Three starts at once: one window shows; the two other processes end with exit code 0
    within a few seconds, writing nothing; the log holds one whole header, and the one window
    reads the receiver without complaint."""
    start_drive(session, *FAST, 12)
    gate = session.path("gate")
    os.mkfifo(gate)
    # Each start waits at the gate (opening a FIFO for reading waits for a writer), then all go.
    command = ["/bin/sh", "-c", 'exec 3<"$0"; exec 3<&-; exec "$1"', gate, os.path.join(session.folder, "kavro")]
    viewers = [session.launch_viewer(name="kavro%d" % i, command=command) for i in range(3)]
    time.sleep(1.0)
    os.open(gate, os.O_RDWR)  # a writer that never blocks: every start goes at once
    windows = []  # how many show at each look

    def two_ended():
        windows.append(len(session.windows("Kavro")))
        return [v.poll() for v in viewers].count(None) <= 1
    wait_until(two_ended, 10, 0.05)
    codes = [v.poll() for v in viewers]
    if codes == [0, 0, 0] and not os.path.exists(os.path.join(session.folder, "Tolm.txt")):
        raise Failure("all three starts went to another Kavro in the scenario's own namespace")
    if codes.count(0) != 2 or None not in codes:
        raise Failure("exit codes %r, expected two 0 and one still running" % (codes,))
    session.viewer = viewers[codes.index(None)]
    session.wait_for_main_window()
    windows.append(len(session.windows("Kavro")))
    if windows[-1] != 1 or max(windows) != 1:
        raise Failure("%d windows titled 'Kavro' (%d at most), expected one" % (windows[-1], max(windows)))
    wait_for(lambda: len(session.screenshot("one").find(WHITE, *PANEL)) >= 60, START_LIMIT_S, 0.5,
             "the one window draws no info panel")
    check_log_header(session.folder)
    session.end_with_ok()
    for i in range(3):
        check_errors(session, [], "kavro%d.err" % i)


SCENARIOS = {"noise-%dhz-%d" % (hz, baud): faulty_stream("noise", hz, baud) for hz in (1, 5) for baud in (4800, 115200)}
SCENARIOS.update({kind: faulty_stream(kind, 5, 115200) for kind in ("cut", "nul", "absurd")})
SCENARIOS.update({"hangup": hang_up, "settings-file": settings_file, "read-only-folder": read_only_folder,
                  "unicode-folder": unicode_folder, "simultaneous-starts": simultaneous_starts})

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-fault-"))
