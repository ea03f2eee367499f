#!/usr/bin/env python3
"""Displays: the viewer under a headless Wayland compositor (cage) with SDL's Wayland driver and
through XWayland, tapped on Ok under sway with SDL's Wayland driver, under Xvfb given another window size, on a small screen with no window
manager, at the desktop's 200 % scale, with no display at all, and when the X server or the
compositor goes away while it waits on a silent source or shows a message box.

usage: displays_e2e.py BUILD_FOLDER SCENARIO | --list
Exits 0 (passed), 1 (failed) or 77 (skipped: no Xvfb, xdotool or ImageMagick, no cage, sway or grim
where a compositor is needed, or another Kavro of this user runs)."""

import os
import sys
import time

from steps import DRIVE, beeper, check_errors, display_complete, scenario_main, timer_messages  # puts tests/ on the path

from harness import compositor, viewer as viewer_files, wayland_pointer, xserver
from harness.processes import stop
from harness.screen import BACKGROUND, BLACK, CLIENT_HEIGHT, CLIENT_WIDTH, MENU_BAR, MENU_BAR_HEIGHT, OK_BUTTON, \
    ZOOM_IN, Screen
from harness.script import Failure, Skip, wait_for, wait_for_end, wait_until
from harness.session import PORT

PICTURE = (CLIENT_WIDTH, CLIENT_HEIGHT + MENU_BAR_HEIGHT)
BOX_CAPTION = (0, 60, 130)  # a message box's caption bar
LOST_LINE = r"kavro: the display connection was lost"
START_LIMIT_S = 30  # the port's 3 s settling wait, and a slow sanitizer build
END_LIMIT_S = 1.0  # a viewer whose display went away is gone within this


def layout(width, height):
    """(scale, left, top) of the whole picture in a window of this size: the largest whole scale
    that fits, centred; (1, 0, 0) when it does not fit at 1."""
    scale = min(width // PICTURE[0], height // PICTURE[1])
    if scale < 1:
        return 1, 0, 0
    return scale, (width - PICTURE[0] * scale) // 2, (height - PICTURE[1] * scale) // 2


# --- set-ups --------------------------------------------------------------------------------------

def silent_source(session, timer_record=False):
    """A program folder whose COMn is a pseudo-terminal nobody writes to: the first tick's read
    waits for good, and the picture stays as the first paint left it."""
    session.make_program_folder(timer_record=session.path("stats.txt") if timer_record else None)
    silence(session)


def silence(session):
    """The program folder's COMn a silent pseudo-terminal, and Tolm.ini naming it."""
    master, slave = os.openpty()
    session.silent_pty = (master, slave)  # kept open to the end: silent, never hung up
    os.symlink(os.ttyname(slave), os.path.join(session.folder, "COM%d" % PORT))
    session.write_settings("COM%d" % PORT)


def start_compositor(session, name="cage", rotate=1, program="cage"):
    """cage (or sway) with its headless output turned to portrait (720 x 1280), as for a panel
    turned on its side. Turned, it also never hands a window's buffer to the output as it is:
    unturned, grim of the headless output now and then keeps showing a window's first frame
    while the window goes on drawing."""
    missing = compositor.missing_tools(program)
    if missing:
        raise Skip("%s not installed: no headless Wayland compositor" % " and ".join(missing))
    try:
        cage = compositor.Compositor(session.path(name + "-runtime"), session.path(name + ".log"), rotate, program)
    except OSError as error:
        raise Skip(str(error)) from None
    session.started.append(cage.process)
    return cage


def start_wayland_viewer(session, cage, name="kavro", leaks_checked=True):
    """The viewer with SDL's Wayland driver on the compositor. Without leaks_checked, a sanitizer
    build does not look for leaks at a clean exit: SDL unloads the Wayland libraries it loaded
    (libdecor and its plugin among them) before the end, and what they keep to the end shows with
    no module to tell it from a leak of ours (the X11 scenarios' exits check the viewer's code)."""
    env = dict(cage.client_env(), SDL_VIDEODRIVER="wayland")
    if not leaks_checked:
        env["LSAN_OPTIONS"] = "detect_leaks=0"
    session.viewer = session.launch_viewer(headless=True, env=env, name=name)
    return session.viewer


def cage_picture(session, cage, check, what, limit=START_LIMIT_S):
    """Waits until check(screen) holds for a grim screenshot of the output read at the
    picture's place in a window filling the output; the screen."""
    look = {}

    def holds():
        session.check_running("while %s" % what)
        try:
            data = cage.screenshot()
        except OSError as error:
            raise Failure(str(error)) from None
        keep = os.environ.get("KAVRO_E2E_KEEP")
        if keep:
            os.makedirs(keep, exist_ok=True)
            with open(os.path.join(keep, "cage-%s.ppm" % what.replace(" ", "-")), "wb") as out:
                out.write(data)
        probe = Screen(data)
        scale, left, top = layout(probe.width, probe.height)
        look["screen"] = Screen(data, (left, top), scale)
        return check(look["screen"])
    if not wait_until(holds, limit, 0.5):
        raise Failure("the compositor's output never showed %s" % what)
    return look["screen"]


def first_paint(screen):
    """The picture as the first paint leaves it: the dark green background with Z+, and the
    menu bar with "Ok" below it."""
    return (screen.pixel(0, 0) == BACKGROUND and screen.pixel(60, 300) == BACKGROUND
            and screen.pixel(200, CLIENT_HEIGHT + 13) == MENU_BAR and screen.pixel(*ZOOM_IN) != BACKGROUND)


def shows_box(screen):
    """Whether a message box's caption bar shows anywhere on the screen."""
    return any(screen.raw(x, y) == BOX_CAPTION for y in range(0, screen.height, 3) for x in range(0, screen.width, 7))


def check_margins(screen, left, top, scale):
    """Black around a picture shown at (left, top) at this scale."""
    right, bottom = left + PICTURE[0] * scale, top + PICTURE[1] * scale
    around = [(left - 1, top + 5), (right, top + 5), (left + 5, top - 1), (left + 5, bottom)]
    colours = [screen.raw(x, y) for x, y in around if 0 <= x < screen.width and 0 <= y < screen.height]
    if any(c != BLACK for c in colours):
        raise Failure("the margins around the picture are %r, not black" % colours)


def ended_at_once(session, how, kill):
    """kill() takes the display away: the viewer ends within END_LIMIT_S with a non-zero code
    and one line on standard error, and its single-instance name is free at once."""
    kill()
    started = time.monotonic()
    code = wait_for_end(session.viewer, 10, "the viewer did not end when %s" % how)
    took = time.monotonic() - started
    if took > END_LIMIT_S:
        raise Failure("the viewer took %.2f s to end when %s" % (took, how))
    if code == 0:
        raise Failure("the viewer ended with exit code 0 when %s" % how)
    check_errors(session, [LOST_LINE])
    if viewer_files.instance_running():
        raise Failure("the single-instance name is still taken after the viewer ended")


def box_up_x(session):
    """Waits for a message box beside the main window on the X display."""
    wait_for(lambda: session.check_running("before its box") or
             [w for w, title in session.class_windows() if title != "Kavro"], START_LIMIT_S, 0.3,
             "no message box appeared")


def waits_in_read(session):
    """Waits until the first tick has begun its read and is still in it a second later."""
    wait_for(lambda: session.check_running("before its first tick") or timer_messages(session) >= 1, START_LIMIT_S,
             0.2, "no timer message")
    count = timer_messages(session)
    time.sleep(1.0)
    if timer_messages(session) != count:
        raise Failure("the timer went on: the read did not wait on the silent source")


# --- scenarios --------------------------------------------------------------------------------------

def wayland_drive(session):
    """With SDL's Wayland driver under cage, the viewer shows the drive from the simulated
    receiver in the middle of the (portrait) output, and repaints as it goes."""
    session.make_program_folder()
    cage = start_compositor(session)
    session.start_receiver(*DRIVE)
    start_wayland_viewer(session, cage)
    screen = cage_picture(session, cage, lambda s: display_complete(s, []), "the whole drive")
    check_margins(screen, screen.ox, screen.oy, screen.scale)
    if screen.pixel(200, CLIENT_HEIGHT + 13) != MENU_BAR:
        raise Failure("no menu bar below the picture")
    panel = screen.area(0, 26, 100, 160)
    cage_picture(session, cage, lambda s: s.area(0, 26, 100, 160) != panel, "the info panel change")
    session.check_running("at the end")
    check_errors(session, [])


def wayland_ok(session):
    """With SDL's Wayland driver under sway (whose virtual pointer lets the test tap), the
    window fills the output and shows the whole picture centred; a tap on Ok ends the viewer
    with 0."""
    silent_source(session)
    sway = start_compositor(session, "sway", program="sway")
    start_wayland_viewer(session, sway, leaks_checked=False)
    screen = cage_picture(session, sway, first_paint, "the first paint")
    try:
        pointer = wayland_pointer.VirtualPointer(sway.runtime, sway.wayland_display)
    except OSError as error:
        raise Failure(str(error)) from None
    scale = screen.scale
    session.end_with_ok(10, (screen.ox + OK_BUTTON[0] * scale, screen.oy + OK_BUTTON[1] * scale),
                        lambda at: pointer.tap(*at, screen.width, screen.height))
    pointer.close()


def lost_display(kind, during):
    """The X server (kind "x11") or the compositor ("wayland") is killed while the viewer waits
    on a silent source (during "read") or shows a message box ("box"): the viewer ends within a
    second, non-zero, with one line on standard error; a start right after on a new display
    shows its window."""
    def body(session):
        if during == "read":
            silent_source(session, timer_record=True)
        else:
            session.make_program_folder()  # no Tolm.ini: a box says so
        if kind == "x11":
            session.start_xvfb()
            session.viewer = session.launch_viewer()
            if during == "read":
                waits_in_read(session)
            else:
                box_up_x(session)
            ended_at_once(session, "the X server was killed", lambda: session.xvfb.kill())
            if during == "box":
                silence(session)  # the second start shows its window without a box first
            session.start_xvfb()
            session.viewer = session.launch_viewer(name="again")
            session.wait_for_main_window(START_LIMIT_S, None)
        else:
            cage = start_compositor(session)
            start_wayland_viewer(session, cage)
            if during == "read":
                waits_in_read(session)
            else:
                cage_picture(session, cage, shows_box, "a message box")
            ended_at_once(session, "the compositor was killed", cage.kill)
            if during == "box":
                silence(session)
            cage = start_compositor(session, "cage2")
            start_wayland_viewer(session, cage, name="again")
            cage_picture(session, cage, lambda s: s.pixel(0, 0) == BACKGROUND, "the second start's window")
        stop(session.viewer)
    return body


def xwayland_fills_the_output(session):
    """Through XWayland, cage gives the window the whole 1280 x 720 output: the window shows the
    picture whole at scale 1 in its middle, black around it, the menu bar in view; a tap on Ok
    ends the viewer with 0. The window's pixels are read from XWayland (grim of a headless cage
    keeps showing an XWayland window's first frame after the window is resized)."""
    silent_source(session)
    cage = start_compositor(session, rotate=0)
    if not cage.x_display:
        raise Skip("cage runs without XWayland")
    if not cage.let_x_clients_in():
        raise Failure("xhost could not let this script's user into XWayland")
    session.display = cage.x_display
    session.viewer = session.launch_viewer(env=cage.client_env(x11=True))
    session.wait_for_main_window(START_LIMIT_S, None)
    expected = []

    def whole():
        session.check_running("while the compositor sized its window")
        width, height = session.geometry(session.window)[2:]
        if width < PICTURE[0] + 100:  # not yet given the output's size
            return False
        expected[:] = [(width, height), layout(width, height)]
        try:
            data = xserver.screenshot(session.display, session.window)
        except OSError:
            return False
        scale, left, top = expected[1]
        return first_paint(Screen(data, (left, top), scale))
    wait_for(whole, START_LIMIT_S, 0.3, "the window never showed the whole picture at its place: %r" % expected)
    if expected[0] != (1280, 720):
        raise Failure("the compositor gave the window %dx%d, not its whole 1280 x 720 output" % expected[0])
    scale, left, top = expected[1]
    check_margins(Screen(xserver.screenshot(session.display, session.window)), left, top, scale)
    session.end_with_ok(10, (left + OK_BUTTON[0] * scale, top + OK_BUTTON[1] * scale))


def xvfb_resized(session):
    """Under Xvfb, the window resized by xdotool to 1100 x 1250 shows the picture at scale 2,
    centred on black, the menu bar in view, and a tap on Ok at its new place ends it with 0.
    Back at its own size, it shows the picture at 1 from its top left."""
    silent_source(session)
    session.start_xvfb("1600x1300x24")
    session.viewer = session.launch_viewer()
    session.wait_for_main_window(START_LIMIT_S, None)
    session.xdotool("windowmove", "--sync", session.window, "0", "0")  # all of it on the screen
    for size in ((1100, 1250), PICTURE, (1100, 1250)):
        session.xdotool("windowsize", "--sync", session.window, str(size[0]), str(size[1]))
        session.use_window(session.window)
        scale, left, top = layout(*size)
        x, y = session.origin
        wait_for(lambda: first_paint(session.screenshot("resized", (x + left, y + top), scale)), 10, 0.3,
                 "the picture is not shown whole at scale %d from %r in a %dx%d window" % (scale, (left, top), *size))
        check_margins(session.screenshot("margins"), x + left, y + top, scale)
    session.end_with_ok(10, (left + OK_BUTTON[0] * scale, top + OK_BUTTON[1] * scale))


def small_screen(session):
    """On an 800 x 480 screen with no window manager, the window opens with its top left on the
    screen and no larger than it; Z+ (its beep) and Ok, on the menu bar kept at the bottom, are
    on the screen and work."""
    session.make_program_folder()
    session.start_xvfb("800x480x24")
    session.start_receiver(*DRIVE)  # a read that waits holds taps back; a drive's reads end
    sound, beeped = beeper(session)
    session.viewer = session.launch_viewer(env=sound)
    session.wait_for_main_window(START_LIMIT_S, None)
    x, y, width, height = session.geometry(session.window)
    if x < 0 or y < 0 or x + width > 800 or y + height > 480:
        raise Failure("the window is at %r, %dx%d: not all on the 800 x 480 screen" % ((x, y), width, height))
    screen = session.screenshot("small", (x, y))
    wait_for(lambda: session.screenshot("small", (x, y)).pixel(200, height - 13) == MENU_BAR, 10, 0.3,
             "no menu bar at the bottom of the window")
    if screen.pixel(0, 0) != BACKGROUND:
        raise Failure("the picture does not start at the window's top left")
    session.click(ZOOM_IN)
    wait_for(beeped, 10, 0.2, "Z+ did not beep")
    session.end_with_ok(10, (OK_BUTTON[0], height - MENU_BAR_HEIGHT // 2))


def no_display(session):
    """With no usable display (neither DISPLAY nor WAYLAND_DISPLAY, or ones naming nothing, and
    no SDL_VIDEODRIVER) the viewer ends within a second, non-zero, with one line, having made
    nothing; a start on Xvfb right after shows its window."""
    silent_source(session)
    runtime = session.path("runtime")
    os.mkdir(runtime, 0o700)
    cases = [("neither", []), ("a display with no server", ["DISPLAY=:%d" % free_x_display()]),
             ("a Wayland display with no compositor", ["WAYLAND_DISPLAY=kavro-nowhere", "XDG_RUNTIME_DIR=" + runtime]),
             ("a Wayland display and no runtime folder", ["WAYLAND_DISPLAY=kavro-nowhere"])]
    for number, (what, variables) in enumerate(cases):
        command = ["env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER", "-u", "XDG_RUNTIME_DIR"]
        command += variables + [os.path.join(session.folder, "kavro")]
        started = time.monotonic()
        name = "none%d" % number
        session.viewer = session.launch_viewer(headless=True, command=command, name=name)
        code = wait_for_end(session.viewer, 10, "the viewer with %s did not end" % what)
        if time.monotonic() - started > END_LIMIT_S or code == 0:
            raise Failure("the viewer with %s ended with %d after %.2f s" % (what, code, time.monotonic() - started))
        check_errors(session, [r"kavro: no display to show the window on \(.+\)"], name + ".err")
        if os.path.exists(os.path.join(session.folder, "Tolm.txt")):
            raise Failure("the viewer with %s created its log" % what)
    session.start_xvfb()
    session.viewer = session.launch_viewer(name="again")
    session.wait_for_main_window(START_LIMIT_S, None)
    stop(session.viewer)


def free_x_display():
    """An X display number no server has taken."""
    return next(n for n in range(150, 250) if not any(os.path.lexists(p % n) for p in ("/tmp/.X%d-lock",
                                                                                           "/tmp/.X11-unix/X%d")))


def desktop_at_200_percent(session):
    """Under Xvfb with "Xft.dpi: 192" loaded by xrdb, the window is twice its size and every
    pixel of the picture a 2 x 2 block of the picture at scale 1."""
    silent_source(session)
    session.start_xvfb("1600x1300x24")
    shots = []
    for name in ("one", "two"):
        session.viewer = session.launch_viewer(name=name)
        width, height = session.wait_for_main_window(START_LIMIT_S, None)
        scale = 1 if name == "one" else 2
        if (width, height) != (PICTURE[0] * scale, PICTURE[1] * scale):
            raise Failure("the window is %dx%d at Xft.dpi %s" % (width, height, "unset" if scale == 1 else 192))
        wait_for(lambda: first_paint(session.screenshot(name, scale=scale)), 10, 0.3,
                 "the picture at scale %d was not painted" % scale)
        time.sleep(0.5)
        shots.append(session.screenshot(name, scale=scale))
        stop(session.viewer)
        wait_until(lambda: not viewer_files.instance_running(), 5)
        if name == "one":  # the desktop's 200 %, as GNOME, KDE and Xfce set it
            with open(session.path("dpi.ad"), "w") as resources:
                resources.write("Xft.dpi: 192\n")
            if xserver.run_x_tool(session.display, "xrdb", "-load", session.path("dpi.ad")).returncode != 0:
                raise Failure("xrdb could not load Xft.dpi")
    one, two = shots
    for y in range(PICTURE[1]):
        for x in range(PICTURE[0]):
            want = one.pixel(x, y)
            block = [two.raw(two.ox + 2 * x + dx, two.oy + 2 * y + dy) for dx in (0, 1) for dy in (0, 1)]
            if any(p != want for p in block):
                raise Failure("pixel (%d, %d) is %r at scale 1 but the block at scale 2 holds %r" % (x, y, want, block))


SCENARIOS = {
    "wayland-drive": wayland_drive,
    "wayland-ok": wayland_ok,
    "xwayland-fills-the-output": xwayland_fills_the_output,
    "xvfb-resized": xvfb_resized,
    "small-screen": small_screen,
    "no-display": no_display,
    "desktop-at-200-percent": desktop_at_200_percent,
}
SCENARIOS.update({"%s-lost-in-%s" % (kind, during): lost_display(kind, during)
                  for kind in ("x11", "wayland") for during in ("read", "box")})

if __name__ == "__main__":
    sys.exit(scenario_main(__doc__, SCENARIOS, "kavro-display-"))
