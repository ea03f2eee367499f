#!/bin/sh
# Rewrites every .chk file the index lists with what the build's kavro-decode prints for its
# capture. Only after a deliberate change of what the viewer reads or computes: review the diff.
# usage: tests/decoder/regenerate.sh BUILD_DIR   (captures from tests/data/nmea/)
set -eu
[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
here=$(dirname "$0")
decoder=$1/kavro-decode
captures=$here/../data/nmea
grep -v -e '^#' -e '^[[:space:]]*$' "$here/index" | while read -r capture chk; do
  [ -n "$chk" ] || { echo "$capture: listed in the index with no .chk" >&2; exit 1; }
  "$decoder" "$captures/$capture" >"$here/$chk"
done
git -C "$here" status --short -- .  # then: git diff tests/decoder
