#!/usr/bin/env bash
# The quick start: installs what is missing and builds (tools/bootstrap.sh, which also brings
# the python3 the rest needs), then shows the viewer on the simulated receiver (tools/demo.py;
# --help lists the options). With --no-bootstrap it installs and builds nothing.
set -euo pipefail
tools=$(dirname "$0")
case " $* " in
  *" --no-bootstrap "* | *" -h "* | *" --help "*) ;;
  *) "$tools/bootstrap.sh" ;;
esac
exec python3 "$tools/demo.py" "$@"
