# Shell helpers of the end-to-end scripts (sourced): a temporary folder, tool checks, waiting,
# a virtual X server, and the clean-up. A script may define stop_test (ending what it started,
# run first on exit) and fail_logs (files in $work that fail shows).

work=$(mktemp -d)
xvfb_pid=
fail_logs=()
on_exit() {
  if declare -F stop_test >/dev/null; then stop_test; fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap on_exit EXIT

fail() {
  local log
  echo "FAIL: $*"
  for log in "${fail_logs[@]}"; do
    echo "--- $log:"
    cat "$work/$log" 2>/dev/null
  done
  exit 1
}

# Exits 77 (skipped) when any of the named commands is missing.
require_tools() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "skipped: $tool is not installed"
      exit 77
    fi
  done
}

# Waits up to $1 tenths of a second for the command after it (run in this shell) to succeed.
wait_for() {
  local tries=$1
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -le 0 ] && return 1
    sleep 0.1
  done
}

# Starts Xvfb on a display it picks itself (skipping the test when it cannot start) and sets
# xvfb_pid, DISPLAY and the environment the viewer's window system needs there.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 800x700x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  if ! wait_for 100 test -s "$work/display"; then
    echo "skipped: Xvfb did not start"
    cat "$work/xvfb.log"
    exit 77
  fi
  export DISPLAY=":$(head -n1 "$work/display")"
  unset SDL_VIDEODRIVER
  export SDL_AUDIODRIVER=dummy
  # In a sanitizer build, D-Bus (used by SDL's X11 driver) keeps one buffer to the end.
  export LSAN_OPTIONS="suppressions=$e2e_dir/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
}

e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
