#!/usr/bin/env bash
# Installs the Debian packages Kavro needs when any is missing (the Debian package's tools and
# checkers too), then configures and builds, with the presets of CMakePresets.json.
#   tools/bootstrap.sh            the viewer (preset default, build/)
#   tools/bootstrap.sh --asan     also the sanitizer build (preset sanitizers, build-asan/)
# Running it again installs nothing and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config libsdl2-dev libcairo2-dev libfontconfig-dev
  fonts-liberation2 fonts-dejavu-core googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-xserver-utils cage sway grim xwayland clang libclang-rt-14-dev python3
  gpsd gpsbabel python3-gpxpy strace
  dpkg-dev file lintian desktop-file-utils appstream)

KAVRO_INSTALLER=bootstrap tools/install_packages.sh "${packages[@]}"

jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

configure_and_build() {  # preset, its build folder
  if [ ! -f "$2/CMakeCache.txt" ]; then
    cmake --preset "$1" -DKAVRO_WERROR="$werror" >/dev/null
  fi
  cmake --build --preset "$1" -j "$jobs"
}

configure_and_build default build
if [ "${1:-}" = "--asan" ]; then
  configure_and_build sanitizers build-asan
fi
