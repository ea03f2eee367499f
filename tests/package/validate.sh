#!/bin/sh
# The Debian package through Debian's own checkers: lintian (no errors; warnings and notes are
# shown), desktop-file-validate on its desktop entry and appstreamcli on its metainfo.
#   validate.sh KAVRO_DEB
# Exits 77 (skipped) when a checker is missing, except in CI, where bootstrap installs them.
set -u
deb=$1
for tool in dpkg-deb lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null && continue
  echo "$tool is not installed (tools/bootstrap.sh installs it)" >&2
  [ "${CI:-}" = true ] && exit 1
  exit 77
done
root=$(mktemp -d "${TMPDIR:-/tmp}/kavro-validate-XXXXXX") || exit 1
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root" || exit 1

status=0
echo "== lintian" && lintian --allow-root --display-info --fail-on error "$deb" || status=1
echo "== desktop-file-validate" && desktop-file-validate "$root"/usr/share/applications/*.desktop || status=1
echo "== appstreamcli validate" && appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || status=1
exit $status
