#!/usr/bin/env bash
# The quick start: installs what is missing and builds (tools/bootstrap.sh), then shows the
# viewer on a simulated receiver driving through town, read from its pseudo-terminal, over
# TCP or UDP, or through gpsd. Close the viewer (its Ok button) to end; the receiver (and
# gpsd) stop with it and the COMn link goes away.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  cat <<'EOF'
usage: tools/demo.sh [--no-bootstrap] [--build DIR] [--folder DIR] [--display DISPLAY]
                    [--source pty|tcp|udp|gpsd] [-- RECEIVER-ARGS...]

Shows Kavro on a simulated GPS receiver: a car driving through Lisbon at 5 fixes a second.
It runs tools/bootstrap.sh (installs the Debian packages that are missing, builds), copies
the viewer into a program folder of its own, starts the simulated receiver (tools/nmea_sim) there with
Tolm.ini's PORT line set to it, and then the viewer. When the viewer closes, the receiver
stops and removes its link.

options:
  --no-bootstrap     use what is built already; install and build nothing
  --build DIR        the build folder that holds kavro/kavro (default: build)
  --folder DIR       the demo's program folder (default: the build folder's demo/)
  --display DISPLAY  the X display to show the viewer on (default: $DISPLAY)
  --source SOURCE    how the viewer reads the receiver (default: pty):
                       pty   its pseudo-terminal, linked as COM1 (PORT = COM1)
                       tcp   its TCP server on a free loopback port, no pseudo-terminal
                             (PORT = tcp://127.0.0.1:PORT)
                       udp   its datagrams to a free loopback port, no pseudo-terminal
                             (PORT = udp://:PORT)
                       gpsd  Debian's gpsd on its pseudo-terminal, read-only (-b), on a free
                             loopback port with its control socket in a temporary folder
                             (PORT = gpsd://127.0.0.1:PORT); needs the gpsd package
  -h, --help         show this help and exit
  -- ARGS            more arguments for the receiver (python3 tools/nmea_sim --help), after the demo's own
                     (--baud 38400, and for the drive --rate-hz 5 --start 38.7077,-9.1366);
                     later ones win

examples:
  tools/demo.sh
  tools/demo.sh -- --random-state 7                  the same drive every time
  tools/demo.sh -- --replay ../shared/nmea/bt451.log --loop
  tools/demo.sh --source gpsd
EOF
}

bootstrap=1
build_dir=build
folder=
display=${DISPLAY:-}
source=pty
receiver_args=()
while (($#)); do
  case $1 in
    --no-bootstrap) bootstrap=0 ;;
    --build | --folder | --display | --source)
      if (($# < 2)); then
        echo "demo: $1 needs a value" >&2
        usage >&2
        exit 2
      fi
      case $1 in
        --build) build_dir=$2 ;;
        --folder) folder=$2 ;;
        --display) display=$2 ;;
        --source) source=$2 ;;
      esac
      shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; receiver_args=("$@"); break ;;
    *) echo "demo: unknown argument $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done

case $source in
  pty | tcp | udp | gpsd) ;;
  *) echo "demo: --source is pty, tcp, udp or gpsd, not $source" >&2; exit 2 ;;
esac
if [ "$source" = gpsd ] && ! command -v gpsd >/dev/null && [ ! -x /usr/sbin/gpsd ]; then
  echo "demo: --source gpsd needs gpsd (apt-get install gpsd)" >&2
  exit 1
fi

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
gpsd_pid=
gpsd_folder=
link_target=
stop_all() {
  trap - EXIT INT TERM HUP
  if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_pid" 2>/dev/null || true
  fi
  if [ -n "$gpsd_pid" ]; then
    kill "$gpsd_pid" 2>/dev/null || true
    wait "$gpsd_pid" 2>/dev/null || true
  fi
  [ -z "$gpsd_folder" ] || rm -rf "$gpsd_folder"
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
# A port on loopback that is free now: SOCK_STREAM or SOCK_DGRAM.
free_port() {
  python3 -c 'import socket, sys
s = socket.socket(socket.AF_INET, getattr(socket, sys.argv[1]))
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])' "$1"
}
case $source in
  pty) network_args=(--write-ini) ;;
  gpsd) network_args=() ;;
  tcp)
    port=$(free_port SOCK_STREAM)
    network_args=(--no-pty --tcp "127.0.0.1:$port" --write-ini tcp)
    port_line="PORT = tcp://127.0.0.1:$port" ;;
  udp)
    port=$(free_port SOCK_DGRAM)
    network_args=(--no-pty --udp "127.0.0.1:$port" --write-ini udp)
    port_line="PORT = udp://:$port" ;;
esac
python3 tools/nmea_sim --folder "$folder" --port 1 "${network_args[@]}" --baud 38400 \
  "${drive_args[@]}" "${receiver_args[@]}" &
receiver_pid=$!

# The viewer opens its source once, at start: wait for the link, or for the receiver's
# PORT line in Tolm.ini (written once its socket is ready).
receiver_ready() {
  case $source in
    pty | gpsd) [ -L "$folder/COM1" ] ;;
    *) grep -qxF "$port_line" "$folder/Tolm.ini" 2>/dev/null ;;
  esac
}
for _ in $(seq 100); do
  receiver_ready && break
  if ! kill -0 "$receiver_pid" 2>/dev/null; then
    wait "$receiver_pid" || true
    receiver_pid=
    echo "demo: the simulated receiver did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if ! receiver_ready; then
  echo "demo: the simulated receiver did not get ready in $folder" >&2
  exit 1
fi
if [ -L "$folder/COM1" ]; then
  link_target=$(readlink "$folder/COM1")
fi

if [ "$source" = gpsd ]; then
  # gpsd reads the receiver's pseudo-terminal without writing to it (-b), stays in the
  # foreground (-N) as the demo's child, and polls the device before any client comes (-n).
  gpsd_folder=$(mktemp -d "${TMPDIR:-/tmp}/kavro-demo-gpsd.XXXXXX")
  port=$(free_port SOCK_STREAM)
  PATH=$PATH:/usr/sbin gpsd -N -n -b -S "$port" -F "$gpsd_folder/control" "$link_target" \
    >"$gpsd_folder/gpsd.log" 2>&1 &
  gpsd_pid=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    if ! kill -0 "$gpsd_pid" 2>/dev/null; then
      echo "demo: gpsd did not start:" >&2
      cat "$gpsd_folder/gpsd.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  PYTHONPATH=tools python3 -c 'import sys
from nmea_sim import port
port.write_settings(sys.argv[1], sys.argv[2], 38400)' "$folder" "gpsd://127.0.0.1:$port"
  echo "demo: gpsd $gpsd_pid reads $link_target, serves 127.0.0.1:$port" >&2
fi

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
