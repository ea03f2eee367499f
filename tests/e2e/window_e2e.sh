#!/usr/bin/env bash
# End to end under a virtual X server: the small CE-style program first shows a message box
# (answered with Enter), then its window; a click made with xdotool reaches its window
# procedure at the right client coordinates, a screenshot shows exactly the pattern it painted
# with the menu bar strip below, and a tap on the strip's "Ok" button ends the program.
# Exits 77 (skipped) without Xvfb or the tools.
set -u
program=${1:?usage: window_e2e.sh PROGRAM}
source "$(dirname "$0")/e2e_lib.sh"
require_tools Xvfb xdotool import python3

program_pid=
stop_test() { [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null; }
fail_logs=(out err)

start_xvfb

"$program" --box >"$work/out" 2>"$work/err" &
program_pid=$!
wait_for 200 xdotool search --onlyvisible --name '^Error$' || fail "the message box never showed"
box=$(xdotool search --onlyvisible --name '^Error$' | head -n1)
xdotool key --window "$box" Return
wait_for 100 grep -q '^box closed$' "$work/out" || fail "Enter did not close the message box"
wait_for 200 grep -q '^painted' "$work/out" || fail "the window was never painted"
grep -q '^painted 480 536$' "$work/out" || fail "client area is not 480 x 536"
wait_for 100 xdotool search --onlyvisible --name '^Kavro e2e$' || fail "no visible window titled 'Kavro e2e'"
window=$(xdotool search --onlyvisible --name '^Kavro e2e$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window $window at $X,$Y size ${WIDTH}x$HEIGHT"

# A click at client (123, 45).
xdotool mousemove --window "$window" 123 45 click 1
wait_for 100 grep -q '^up ' "$work/out" || fail "the click never reached the window procedure"
grep -q '^down 123 45$' "$work/out" || fail "press not at client (123, 45)"
grep -q '^up 123 45$' "$work/out" || fail "release not at client (123, 45)"

sleep 0.5  # let the last present reach the server
import -display "$DISPLAY" -window root -depth 8 "ppm:$work/shot.ppm" || fail "screenshot failed"

python3 - "$work/shot.ppm" "$X" "$Y" "$e2e_dir" <<'PY' || fail "screenshot does not show the painted pattern"
import sys

sys.path.insert(0, sys.argv[4])
from e2e_support import Screen

pixel = Screen(open(sys.argv[1], "rb").read(), (int(sys.argv[2]), int(sys.argv[3]))).pixel

expected = [
    ((0, 0), (0, 50, 0)), ((479, 0), (0, 50, 0)), ((150, 200), (0, 50, 0)),
    ((10, 10), (255, 0, 0)), ((109, 59), (255, 0, 0)), ((110, 59), (0, 50, 0)), ((109, 60), (0, 50, 0)),
    ((200, 300), (0, 0, 255)), ((299, 399), (0, 0, 255)), ((300, 399), (0, 50, 0)),
    ((470, 526), (255, 255, 255)), ((479, 535), (255, 255, 255)), ((469, 535), (0, 50, 0)),
    ((300, 536 + 13), (212, 208, 200)),  # the menu bar strip below the client area
]
bad = [(at, want, pixel(*at)) for at, want in expected if pixel(*at) != want]
for at, want, got in bad:
    print(f"client {at}: expected {want}, got {got}")
sys.exit(1 if bad else 0)
PY
# The strip's "Ok" button sends its command and the program ends by itself.
xdotool mousemove --window "$window" 30 $((536 + 13)) click 1
wait_for 100 grep -q '^command 40001$' "$work/out" || fail "the Ok button did not send command 40001"
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end after Ok"
wait "$program_pid"
status=$?
program_pid=
[ "$status" -eq 0 ] || fail "the program ended with $status"
echo "1 passed, 0 failed"
