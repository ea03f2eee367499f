#!/bin/sh
# kavro: starts the installed viewer from the user's own program folder, where it keeps its
# settings (Tolm.ini), its log (Tolm.txt) and any COMn links. The viewer takes the folder of the
# path it was started by as its own, so it is started through a link in that folder.
set -u

fail() {
  echo "kavro: $*" >&2
  exit 1
}

# The installation this script belongs to: <prefix>/bin/kavro beside <prefix>/lib/kavro/kavro.
script=$(readlink -f -- "$0") || fail "cannot find where this script is installed ($0)"
prefix=$(dirname -- "$(dirname -- "$script")")
viewer=$prefix/lib/kavro/kavro
example=$prefix/share/kavro/Tolm.ini
[ -x "$viewer" ] || fail "the viewer is not installed at $viewer"

# The user's folder: $XDG_DATA_HOME/kavro when that names an absolute path, else
# ~/.local/share/kavro (a relative XDG_DATA_HOME is to be ignored).
case ${XDG_DATA_HOME:-} in
  /*) data=$XDG_DATA_HOME ;;
  *)
    [ -n "${HOME:-}" ] || fail "HOME is not set, so there is no folder for your settings"
    data=$HOME/.local/share
    ;;
esac
folder=$data/kavro
if ! { mkdir -p -- "$folder" && [ -w "$folder" ]; }; then
  fail "cannot make the folder $folder for your settings and log, or cannot write in it"
fi

# The example settings on first start; a Tolm.ini of the user's is never overwritten
# (noclobber creates the file only when there is none).
if [ ! -e "$folder/Tolm.ini" ] && [ ! -L "$folder/Tolm.ini" ]; then
  (set -C && cat -- "$example" >"$folder/Tolm.ini") 2>/dev/null ||
    echo "kavro: could not put the example settings $example into $folder" >&2
fi

# The link to the installed viewer, made or repaired when it is missing or points elsewhere,
# so that after an upgrade or a move the installed version starts. Anything else under its
# name is the user's and stays.
link=$folder/kavro
if [ ! -L "$link" ] || [ "$(readlink -- "$link")" != "$viewer" ]; then
  if [ -e "$link" ] && [ ! -L "$link" ]; then
    fail "$link is in the way of the link to $viewer; move it away and start again"
  fi
  ln -sfn -- "$viewer" "$link" || fail "cannot link $link to $viewer"
fi

exec "$link" "$@"
