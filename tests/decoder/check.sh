#!/bin/sh
# kavro-decode on one real capture against its expected lines, or (--index) the index against
# the captures folder and the .chk files beside it.
# usage: check.sh DECODER NMEA_DIR CAPTURE CHK  |  check.sh --index NMEA_DIR
here=$(dirname "$0")
entries() { grep -v -e '^#' -e '^[[:space:]]*$' "$here/index"; }

if [ "$1" = --index ]; then
  status=0
  for log in "$2"/*.log; do
    name=$(basename "$log")
    entries | awk -v n="$name" '$1 == n { found = 1 } END { exit !found }' ||
      { echo "$name: a capture in $2 that the index does not list"; status=1; }
  done
  for chk in "$here"/*.chk; do
    name=$(basename "$chk")
    entries | awk -v n="$name" '$2 == n { found = 1 } END { exit !found }' ||
      { echo "$name: a .chk file that the index does not list"; status=1; }
  done
  exit $status
fi

decoder=$1 captures=$2 capture=$3 chk=${4:-}
[ -n "$chk" ] || { echo "$capture: listed in the index with no .chk"; exit 1; }
[ -f "$captures/$capture" ] || { echo "$chk: no capture $capture in $captures"; exit 1; }
[ -f "$here/$chk" ] || { echo "$capture: no $chk in $here (regenerate.sh writes it)"; exit 1; }
actual=$(mktemp) || exit 1
trap 'rm -f "$actual"' EXIT
"$decoder" "$captures/$capture" >"$actual" || { echo "$capture: kavro-decode failed"; exit 1; }
if ! cmp -s "$here/$chk" "$actual"; then
  echo "$capture: kavro-decode's lines differ from $chk (expected) in these reads:"
  diff -u --label "expected $chk" --label "actual" "$here/$chk" "$actual" | head -n 40
  exit 1
fi
