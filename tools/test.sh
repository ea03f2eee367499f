#!/usr/bin/env bash
# Installs what is missing, builds the viewer and the sanitizer build, runs the whole test
# suite in both (in build/ that makes the Debian package with cpack and puts it through
# lintian, desktop-file-validate and appstreamcli), and gives the fuzz targets a short run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh --asan

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
jobs=$(nproc 2>/dev/null || echo 2)

status=0
for dir in build build-asan; do
  echo "== tests in $dir" >&2
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600 || status=1
done
# The fuzz targets: every saved crash input again, then a few seconds of fuzzing each.
echo "== fuzz targets, short run" >&2
tools/fuzz/fuzz.sh --short || status=1
exit $status
