#!/usr/bin/env bash
# Makes docs/screenshot.png: the viewer on the quick start's simulated drive, under a virtual
# X server, after it has driven long enough for the track to have a shape.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  cat <<'EOF'
usage: tools/screenshot.sh [--build DIR] [--output FILE] [--wait SECONDS] [--zoom-in N] [-- RECEIVER-ARGS...]

Runs the quick start (tools/demo.sh, without bootstrap) on a virtual X server (Xvfb), taps
Z+ N times, waits, and writes a picture of the viewer's window, menu bar included. The drive
is the same every time (--random-state 29, starting 2024-05-01 12:00 UTC) unless receiver
arguments after -- say otherwise. Needs Xvfb, xdotool and ImageMagick's import.

options:
  --build DIR       the build folder that holds kavro/kavro (default: build)
  --output FILE     where to write the PNG (default: docs/screenshot.png)
  --wait SECONDS    how long the viewer runs before the picture (default: 45)
  --zoom-in N       taps on Z+ first; each halves the ground shown (default: 3)
  -h, --help        show this help and exit
EOF
}

arguments=("$@")
build_dir=build
output=docs/screenshot.png
wait_s=45
zoom_in=3
receiver_args=()
while (($#)); do
  case $1 in
    --build | --output | --wait | --zoom-in)
      if (($# < 2)); then echo "screenshot: $1 needs a value" >&2; usage >&2; exit 2; fi
      case $1 in
        --build) build_dir=$2 ;;
        --output) output=$2 ;;
        --wait) wait_s=$2 ;;
        --zoom-in) zoom_in=$2 ;;
      esac
      shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; receiver_args=("$@"); break ;;
    *) echo "screenshot: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done
if ! [[ $wait_s =~ ^[0-9]+$ && $zoom_in =~ ^[0-9]+$ ]]; then
  echo "screenshot: --wait and --zoom-in take whole numbers" >&2
  exit 2
fi
for tool in Xvfb xdotool import setsid; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "screenshot: $tool is missing (tools/bootstrap.sh installs it)" >&2
    exit 1
  fi
done
# One viewer runs per user; a private network namespace (where allowed) keeps this one apart
# from a viewer the user has open.
if [ -z "${KAVRO_SCREENSHOT_PRIVATE_NET:-}" ] && unshare --net true 2>/dev/null; then
  exec env KAVRO_SCREENSHOT_PRIVATE_NET=1 unshare --net "$0" "${arguments[@]}"
fi
cd "$source_dir"
build_dir=$(cd "$build_dir" && pwd)
mkdir -p "$(dirname "$output")"
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")

work=$(mktemp -d)
xvfb_pid=
demo_pid=
cleanup() {
  if [ -n "$demo_pid" ]; then
    kill -TERM "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x700x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "screenshot: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy

setsid tools/demo.sh --no-bootstrap --build "$build_dir" --folder "$work/demo" --display "$DISPLAY" \
  -- --random-state 29 --start-time 2024-05-01T12:00:00Z "${receiver_args[@]}" 2>"$work/demo.err" &
demo_pid=$!
window=
for _ in $(seq 300); do
  window=$(xdotool search --onlyvisible --class '^kavro$' 2>/dev/null | head -n1) || true
  [ -n "$window" ] && [ "$(xdotool getwindowname "$window" 2>/dev/null)" = Kavro ] && break
  window=
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot: the viewer's window did not show" >&2
  cat "$work/demo.err" >&2
  exit 1
fi

for ((i = 0; i < zoom_in; i++)); do
  xdotool mousemove --window "$window" 14 16 click 1
  sleep 0.3
done
echo "screenshot: the viewer runs; the picture follows in $wait_s s" >&2
sleep "$wait_s"
import -window "$window" "$output"
echo "screenshot: wrote $output" >&2

# Ok, on the menu bar strip below the client area; the demo then stops the receiver.
xdotool mousemove --window "$window" 30 549 click 1
for _ in $(seq 100); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
