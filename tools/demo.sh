#!/usr/bin/env bash
# The quick start: installs what is missing and builds (tools/bootstrap.sh), then shows the
# viewer on a simulated receiver driving through town. Close the viewer (its Ok button) to
# end; the receiver stops with it and its COMn link goes away.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  cat <<'EOF'
usage: tools/demo.sh [--no-bootstrap] [--build DIR] [--folder DIR] [--display DISPLAY] [-- RECEIVER-ARGS...]

Shows Kavro on a simulated GPS receiver: a car driving through Lisbon at 5 fixes a second.
It runs tools/bootstrap.sh (installs the Debian packages that are missing, builds), copies
the viewer into a program folder of its own, starts tools/simreceiver.py there (a
pseudo-terminal linked as COM1, with Tolm.ini set to it) and then the viewer. When the viewer
closes, the receiver stops and removes its link.

options:
  --no-bootstrap     use what is built already; install and build nothing
  --build DIR        the build folder that holds kavro/kavro (default: build)
  --folder DIR       the demo's program folder (default: the build folder's demo/)
  --display DISPLAY  the X display to show the viewer on (default: $DISPLAY)
  -h, --help         show this help and exit
  -- ARGS            more arguments for tools/simreceiver.py, after the demo's own
                     (--baud 38400, and for the drive --rate-hz 5 --start 38.7077,-9.1366);
                     later ones win

examples:
  tools/demo.sh
  tools/demo.sh -- --random-state 7                  the same drive every time
  tools/demo.sh -- --replay ../shared/nmea/bt451.log --loop
EOF
}

bootstrap=1
build_dir=build
folder=
display=${DISPLAY:-}
receiver_args=()
while (($#)); do
  case $1 in
    --no-bootstrap) bootstrap=0 ;;
    --build | --folder | --display)
      if (($# < 2)); then
        echo "demo: $1 needs a value" >&2
        usage >&2
        exit 2
      fi
      case $1 in
        --build) build_dir=$2 ;;
        --folder) folder=$2 ;;
        --display) display=$2 ;;
      esac
      shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; receiver_args=("$@"); break ;;
    *) echo "demo: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done

cd "$source_dir"
if ((bootstrap)); then
  tools/bootstrap.sh
fi
viewer="$build_dir/kavro/kavro"
if [ ! -x "$viewer" ]; then
  echo "demo: no viewer at $viewer; build it first (tools/bootstrap.sh)" >&2
  exit 1
fi
if [ -z "$display" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: no display to show the viewer on; run it in a desktop session or give --display" >&2
  exit 1
fi
# Only one viewer runs per user: a second one brings the first to the front and ends. The
# running one announces itself on an abstract socket named after the user, class and title.
instance="@kavro-window/$(id -u)/KAVRO@Kavro"
if awk -v name="$instance" '$NF == name { found = 1 } END { exit !found }' /proc/net/unix 2>/dev/null; then
  echo "demo: a Kavro viewer is running already (one runs at a time); close it first" >&2
  exit 1
fi
folder=${folder:-$build_dir/demo}
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)

# The program folder is the executable's folder: the viewer reads Tolm.ini and opens COM1
# there. Copy, then rename over the old copy, which may still be running.
cp "$viewer" "$folder/.kavro.new"
mv -f "$folder/.kavro.new" "$folder/kavro"
[ -f "$folder/Tolm.ini" ] || cp "$build_dir/kavro/Tolm.ini" "$folder/Tolm.ini"

receiver_pid=
viewer_pid=
link_target=
stop_all() {
  trap - EXIT INT TERM HUP
  if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_pid" 2>/dev/null || true
  fi
  if [ -n "$receiver_pid" ]; then
    kill "$receiver_pid" 2>/dev/null || true
    wait "$receiver_pid" 2>/dev/null || true
  fi
  # The receiver removes its link when it stops; one killed outright leaves it behind.
  if [ -n "$link_target" ] && [ "$(readlink "$folder/COM1" 2>/dev/null)" = "$link_target" ]; then
    rm -f "$folder/COM1"
  fi
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# A link left by a receiver that was killed outright points to a pseudo-terminal that is gone
# (or now someone else's); the viewer must not open it before the new receiver replaces it.
if [[ -L $folder/COM1 && $(readlink "$folder/COM1") == /dev/pts/* ]]; then
  rm -f "$folder/COM1"
fi

# The drive's own settings, unless the receiver is to replay a log instead.
drive_args=(--rate-hz 5 --start 38.7077,-9.1366)
for arg in "${receiver_args[@]}"; do
  case $arg in --replay | --replay=*) drive_args=() ;; esac
done
python3 tools/simreceiver.py --folder "$folder" --port 1 --write-ini --baud 38400 \
  "${drive_args[@]}" "${receiver_args[@]}" &
receiver_pid=$!

# The viewer opens COM1 once, at start: wait for the link.
for _ in $(seq 100); do
  [ -L "$folder/COM1" ] && break
  if ! kill -0 "$receiver_pid" 2>/dev/null; then
    wait "$receiver_pid" || true
    receiver_pid=
    echo "demo: the simulated receiver did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -L "$folder/COM1" ]; then
  echo "demo: the simulated receiver made no COM1 link in $folder" >&2
  exit 1
fi
link_target=$(readlink "$folder/COM1")

echo "demo: starting the viewer in $folder (it gives the receiver 3 seconds first)" >&2
[ -z "$display" ] || export DISPLAY="$display"
(cd "$folder" && exec ./kavro) &
viewer_pid=$!
echo "demo: receiver $receiver_pid, viewer $viewer_pid" >&2
status=0
wait "$viewer_pid" || status=$?
viewer_pid=
echo "demo: the viewer closed" >&2
exit "$status"
