#!/usr/bin/env bash
# End to end under a virtual X server: the quick start as a user runs it. tools/demo.sh
# starts the simulated receiver and the viewer in a program folder of its own; the window
# fills in a few seconds after the port's 3 s wait; screenshots show the track plot drawing
# the drive; the Ok button ends the viewer, and the demo then stops the receiver and leaves
# no process and no COM1 link behind. A second run is ended from outside (SIGTERM to the
# demo, as when its terminal closes), with the same result.
# Usage: quickstart_e2e.sh SOURCE-DIR BUILD-DIR. Exits 77 (skipped) without Xvfb or the tools.
set -u
source_dir=${1:?usage: quickstart_e2e.sh SOURCE-DIR BUILD-DIR}
build_dir=${2:?usage: quickstart_e2e.sh SOURCE-DIR BUILD-DIR}
here=$(cd "$(dirname "$0")" && pwd)
# Only one viewer runs per user: a second one raises the first and ends. A private network
# namespace gives the test its own name space for that rule (abstract sockets live there), so
# a viewer the user has open neither stops the test nor gets raised by it.
if [ -z "${KAVRO_E2E_PRIVATE_NET:-}" ] && unshare --net true 2>/dev/null; then
  exec env KAVRO_E2E_PRIVATE_NET=1 unshare --net "$0" "$@"
fi
# The helpers come after the exec: the temporary folder they make would be left behind.
source "$here/e2e_lib.sh"
require_tools Xvfb xdotool import python3 setsid

instance="@kavro-window/$(id -u)/KAVRO@Kavro"
viewer_running() { awk -v name="$instance" '$NF == name { found = 1 } END { exit !found }' /proc/net/unix; }
for _ in $(seq 60); do viewer_running || break; sleep 1; done
if viewer_running; then
  echo "skipped: another Kavro viewer runs for this user, and no private network namespace is allowed"
  exit 77
fi

demo_pid=
stop_test() {
  if [ -n "$demo_pid" ]; then
    kill -TERM "$demo_pid" 2>/dev/null
    wait "$demo_pid" 2>/dev/null
    kill -KILL -- "-$demo_pid" 2>/dev/null  # anything of its process group still there
  fi
}
fail_logs=(demo.out)

now_ms() { date +%s%3N; }

start_xvfb
display=$DISPLAY

folder="$work/demo"
# The interpreter itself: a version manager's wrapper can cost a second a call.
python=$(python3 -c 'import sys; print(sys.executable)')
# Sets window to the viewer's visible window once it has its title.
find_viewer() {
  window=$(xdotool search --onlyvisible --class '^kavro$' 2>/dev/null | head -n1)
  [ -n "$window" ] && [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "Kavro" ]
}
shot() { import -display "$display" -window "$1" -depth 8 "ppm:$work/shot.ppm" && "$python" "$here/viewer_pixels.py" "$work/shot.ppm"; }
value() { awk -v name="$1" '$1 == name { print $2 }' "$work/pixels"; }

# Starts the demo as a user would, in its own process group; sets demo_pid and window.
start_demo() {
  : >"$work/demo.out"
  setsid "$source_dir/tools/demo.sh" --no-bootstrap --build "$build_dir" --folder "$folder" \
    --display "$display" -- --random-state 5 >"$work/demo.out" 2>&1 &
  demo_pid=$!
  wait_for 100 eval '[[ $(readlink "$folder/COM1") == /dev/pts/* && -e $folder/COM1 ]]' ||
    fail "the receiver made no COM1 link"
  start_ms=$(now_ms)
  wait_for 200 find_viewer || fail "no viewer window titled Kavro showed"
  shown_ms=$(now_ms)
  echo "window $window showed $((shown_ms - start_ms)) ms after the link"
}

# The demo has ended with the status $1: no viewer, no receiver, nothing of its process group
# and no link are left.
# Whether our child $1 has ended (bash collects its ended children by itself).
ended() { ! kill -0 "$1" 2>/dev/null; }
check_all_gone() {
  local expected=$1 status pids
  wait_for 100 ended "$demo_pid" || fail "the demo did not end"
  wait "$demo_pid"
  status=$?
  [ "$status" -eq "$expected" ] || fail "the demo ended with $status, not $expected"
  pids=$(sed -n 's/^demo: receiver \([0-9]*\), viewer \([0-9]*\)$/\1 \2/p' "$work/demo.out")
  [ -n "$pids" ] || fail "the demo did not name its processes"
  for pid in $pids; do
    kill -0 "$pid" 2>/dev/null && fail "process $pid is still running"
  done
  if pgrep -g "$demo_pid" >/dev/null; then fail "processes of the demo's group remain: $(pgrep -g "$demo_pid" -a)"; fi
  demo_pid=
  [ -e "$folder/COM1" ] || [ -L "$folder/COM1" ] && fail "the COM1 link is still there"
  return 0
}

# --- run 1: the window fills in, the plot draws the drive, Ok ends everything ---------------
# A link left behind by a receiver that was killed outright must not lead the viewer astray.
mkdir -p "$folder"
ln -s /dev/pts/99999 "$folder/COM1"
start_demo
[ -x "$folder/kavro" ] || fail "no viewer copied into the demo's program folder"
grep -q '^PORT = COM1$' "$folder/Tolm.ini" || fail "Tolm.ini does not name COM1"
# The viewer shows its window after the port's 3 s wait; its first ticks fill the panel in.
filled=
while [ $(($(now_ms) - shown_ms)) -lt 5000 ]; do
  shot "$window" >"$work/pixels" || fail "screenshot failed"
  if [ "$(value panel_white)" -gt 200 ]; then filled=$(($(now_ms) - shown_ms)); break; fi
  sleep 0.1
done
[ -n "$filled" ] || fail "the info panel did not fill in within 5 s: $(tr '\n' ' ' <"$work/pixels")"
echo "panel filled in $filled ms after the window showed"
[ "$(value size)" = "480x562" ] || fail "the window is not 480 x 536 with its menu bar strip: $(value size)"
[ "$(value strip)" -gt 5000 ] || fail "no menu bar strip below the client area"

# Zoom in three times (1/8: 1 km across the plot), so a few seconds of driving show.
for _ in 1 2 3; do xdotool mousemove --window "$window" 14 16 click 1; sleep 0.2; done

# The track grows: more white in the plot, with the green dot at its end, shot after shot.
previous=0
grown=0
for _ in $(seq 40); do
  sleep 1
  shot "$window" >"$work/pixels" || fail "screenshot failed"
  white=$(value plot_white)
  if [ "$white" -gt "$previous" ] && [ "$(value plot_green)" -ge 20 ]; then
    [ "$previous" -gt 0 ] && grown=$((grown + 1))
    echo "plot: $white white pixels"
    previous=$white
  fi
  [ "$grown" -ge 3 ] && break
done
[ "$grown" -ge 3 ] || fail "the track did not grow in the plot: $(tr '\n' ' ' <"$work/pixels")"
[ "$(value figure_green)" -gt 100 ] || fail "no speed figure: $(tr '\n' ' ' <"$work/pixels")"
[ -s "$folder/Tolm.txt" ] || fail "the viewer wrote no log"

# Ok, on the menu bar strip below the client area.
xdotool mousemove --window "$window" 30 $((536 + 13)) click 1
check_all_gone 0
echo "run 1: Ok ended the viewer; receiver, processes and link are gone"

# --- run 2: the demo is told to stop from outside ------------------------------------------
start_demo
kill -TERM "$demo_pid"
check_all_gone 143
echo "run 2: SIGTERM ended the demo; viewer, receiver, processes and link are gone"
echo "1 passed, 0 failed"
