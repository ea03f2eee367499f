#!/bin/sh
# kavro: starts the installed viewer from the user's own program folder, where it keeps its
# settings (Tolm.ini), its log (Tolm.txt), its tracks and any COMn links. The viewer takes the
# folder of the path it was started by as its own, so it is started through a link in that
# folder. The viewer takes no arguments; the command answers --help and --version itself.
# The names between at signs are filled in by the build (cmake/Packaging.cmake); the installed
# command is the file it makes, build/packaging/kavro.
set -u

fail() {
  echo "kavro: $*" >&2
  exit 1
}

version=@PROJECT_VERSION@
# The installation this script belongs to, found from where the script is, so that the same
# files work under any prefix (/usr, ~/.local): <prefix>/@KAVRO_BIN_DIR@/kavro beside
# <prefix>/@KAVRO_VIEWER_DIR@/kavro and <prefix>/@KAVRO_EXAMPLES_DIR@/Tolm.ini.
script=$(readlink -f -- "$0") || fail "cannot find where this script is installed ($0)"
prefix=$(cd -- "$(dirname -- "$script")/@KAVRO_BIN_TO_PREFIX@" && pwd -P) ||
  fail "cannot find the installation of $script"
viewer=$prefix/@KAVRO_VIEWER_DIR@/kavro
example=$prefix/@KAVRO_EXAMPLES_DIR@/Tolm.ini

# The user's folder: $XDG_DATA_HOME/kavro when that names an absolute path, else
# ~/.local/share/kavro (a relative XDG_DATA_HOME is to be ignored).
case ${XDG_DATA_HOME:-} in
  /*) data=$XDG_DATA_HOME ;;
  *) data=${HOME:+$HOME/.local/share} ;;
esac
folder=${data:+$data/kavro}
shown=${folder:-"<your folder>"}

usage() {
  cat <<HELP
Usage: kavro [--help | --version]

Starts Kavro, the live GPS track viewer, from your program folder:
  ${folder:-"(none: HOME is not set)"}
The folder is \$XDG_DATA_HOME/kavro when XDG_DATA_HOME names an absolute path,
else ~/.local/share/kavro; kavro makes it on first start.

  $shown/Tolm.ini
      your settings: where the receiver's NMEA comes from (PORT) and the serial
      line's speed (RATE); the first start copies in the example
      $example
  $shown/tracks/
      your recorded tracks, a GPX file for each start that moved; a line
      TRACKS = <folder> in Tolm.ini names another folder, TRACKS = off none
  $shown/Tolm.txt
      the log, written anew at every start

The causes of failures go to standard error; started from the menu, see them
with: journalctl --user -b | grep kavro

Options:
  -h, --help   show this help and exit
  --version    show the version and exit

The manual: man kavro
HELP
}

# The viewer takes no arguments: anything but these two options is refused, as it would
# otherwise be silently dropped.
for argument in "$@"; do
  case $argument in
    --help | -h) usage; exit 0 ;;
    --version) echo "kavro $version"; exit 0 ;;
    -*) echo "kavro: unknown option '$argument' (kavro --help lists the options)" >&2; exit 2 ;;
    *) echo "kavro: takes no arguments, but was given '$argument' (see kavro --help)" >&2; exit 2 ;;
  esac
done

[ -x "$viewer" ] || fail "the viewer is not installed at $viewer"
[ -n "$folder" ] || fail "HOME is not set, so there is no folder for your settings"
if ! { mkdir -p -- "$folder" && [ -w "$folder" ]; }; then
  fail "cannot make the folder $folder for your settings and log, or cannot write in it"
fi

# The example settings on first start; a Tolm.ini of the user's is never overwritten
# (noclobber creates the file only when there is none). The example lives with the
# package's documentation, which a system may leave out: then the two settings it ends
# with are written instead, so that Kavro still starts on gpsd.
if [ ! -e "$folder/Tolm.ini" ] && [ ! -L "$folder/Tolm.ini" ]; then
  if [ -r "$example" ]; then
    (set -C && cat -- "$example" >"$folder/Tolm.ini") 2>/dev/null
  else
    (set -C && printf '%s\n' "# Kavro's settings; man kavro describes them." "PORT = gpsd" "RATE = 4800" \
      >"$folder/Tolm.ini") 2>/dev/null
  fi || echo "kavro: could not write the example settings into $folder/Tolm.ini" >&2
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

exec "$link"
