#!/usr/bin/env bash
# Kavro beside the viewers Linux users run for the same job (FoxtrotGPS, xgps and cgps on
# gpsd), on the same recorded drive: CPU per minute, peak memory and time to the first window.
# Kavro runs three times, on a pseudo-terminal, on gpsd and on TCP; runs as root, since two of
# them run under user ids of their own (one Kavro per user).
#
#   tools/perf/perf_compare.sh                    10-minute drives at 1 Hz and 5 Hz, three runs each
#   tools/perf/perf_compare.sh --minutes 1 --runs 1    a quick trial
#
# Installs what is missing from Debian, builds the release viewer (the preset release:
# build-release/), and leaves the drive logs, the raw numbers (perf_compare.csv), the table
# (perf_compare.md) and a screenshot of each viewer in build-release/perf/. Every option is
# passed to perf_compare.py beside it (--help lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."

packages=(gpsd gpsd-clients foxtrotgps xvfb xauth xdotool imagemagick libx11-6 python3
  cmake g++ make pkg-config libsdl2-dev libcairo2-dev libfontconfig-dev fonts-liberation2)
KAVRO_INSTALLER=perf_compare tools/install_packages.sh "${packages[@]}"
# A gpsd of the system (Debian may start one on installation) is left alone: the comparison
# runs its own through gpsfake on a free port, and only says that the machine is not quiet.
if pgrep -x gpsd >/dev/null 2>&1; then
  echo "perf_compare: note: another gpsd is running; its CPU is not counted" >&2
fi

build=build-release
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset release >/dev/null
fi
cmake --build --preset release -j2 --target kavro >/dev/null

exec python3 tools/perf/perf_compare.py --build "$build" "$@"
