#!/usr/bin/env bash
# Installs what is missing, builds the viewer and the sanitizer build, runs the whole test
# suite in both (in build/ that makes the Debian package with cpack and puts it through
# lintian, desktop-file-validate and appstreamcli), and gives the fuzz targets a short run.
# Every test that did not run is listed with the line that says why; in CI (CI=true) any such
# test fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/bootstrap.sh --asan

jobs=$(nproc 2>/dev/null || echo 2)

# The tests of a CTest JUnit report that did not run, each with the line that says why.
not_run() {  # report
  python3 - "$1" <<'END'
import sys
import xml.etree.ElementTree as tree

for case in tree.parse(sys.argv[1]).getroot().iter("testcase"):
    if case.get("status") == "notrun":
        lines = (case.findtext("system-out") or "").strip().splitlines()
        why = [line for line in lines if "skip" in line.lower()] or lines[-1:] or ["(no output)"]
        print("  %s: %s" % (case.get("name"), why[0].strip()))
END
}

status=0
for preset in default sanitizers; do
  dir=build; [ "$preset" = sanitizers ] && dir=build-asan
  echo "== tests in $dir" >&2
  report=$PWD/$dir/ctest-junit.xml
  rm -f "$report"
  ctest --preset "$preset" -j "$jobs" --output-junit "$report" || status=1
  skipped=$(not_run "$report")
  if [ -n "$skipped" ]; then
    echo "== tests in $dir that did not run:" >&2
    echo "$skipped" >&2
    if [ "${CI:-}" = "true" ]; then
      echo "== in CI every test must run" >&2
      status=1
    fi
  fi
done
# The fuzz targets: every saved crash input again, then a few seconds of fuzzing each.
echo "== fuzz targets, short run" >&2
tests/fuzz/fuzz.sh --short || status=1
exit $status
