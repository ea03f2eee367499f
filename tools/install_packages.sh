#!/usr/bin/env bash
# Installs those of the named Debian packages that are missing; installs nothing when all are
# there. Used by tools/bootstrap.sh and tools/perf/perf_compare.sh.
#   tools/install_packages.sh PACKAGE...
set -euo pipefail
name=${KAVRO_INSTALLER:-$(basename "$0" .sh)}

missing=()
for p in "$@"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
((${#missing[@]})) || exit 0

echo "$name: installing ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
# Wait for another package manager to finish instead of failing on its lock.
apt_opts=(-o DPkg::Lock::Timeout=600 -o Acquire::Retries=3)
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" install -y -qq \
  --no-install-recommends "${missing[@]}"
