#!/bin/sh
# kavro-decode on one real capture against its expected lines, or (--index) the index against
# the captures folder and the .chk files beside it.
# usage: check.sh DECODER NMEA_DIR CAPTURE CHK  |  check.sh --index NMEA_DIR
here=$(dirname "$0")
entries() { grep -v -e '^#' -e '^[[:space:]]*$' "$here/index"; }

if [ "$1" = --index ]; then  # captures in the first column, .chk files in the second
  status=0
  for file in "$2"/*.log "$here"/*.chk; do
    entries | awk -v n="$(basename "$file")" -v c="${file##*.}" '$(c == "log" ? 1 : 2) == n { found = 1 } END { exit !found }' ||
      { echo "$file: not listed in the index"; status=1; }
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
