#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz/ (the preset fuzzing: build-fuzz/, clang with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer), replays every saved crash input of
# tests/fuzz/regressions/<target>/ and then fuzzes each target for a bounded time, printing the
# executions and the coverage (libFuzzer's cov: and ft:).
#   tests/fuzz/fuzz.sh                    10 minutes per target
#   tests/fuzz/fuzz.sh --short            10 seconds per target (part of tools/test.sh)
#   tests/fuzz/fuzz.sh --seconds N        N seconds per target
#   tests/fuzz/fuzz.sh --target NAME      only this target (nmea_fuzz, settings_fuzz, paths_fuzz)
#   tests/fuzz/fuzz.sh --replay-only      build and replay the regression inputs, no fuzzing
# The working corpus lives in build-fuzz/corpus/<target>/ and grows from run to run; it starts
# from the receiver captures (cut into 1000-byte reads), generated drives with faults, and the
# settings files of tests/fuzz/corpus/. New crash inputs land in build-fuzz/artifacts/<target>/.
# Exit status: 0 when nothing crashed, 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

seconds=600
replay_only=0
targets=(nmea_fuzz settings_fuzz paths_fuzz)
while (($#)); do
  case $1 in
    --short) seconds=10 ;;
    --seconds) seconds=$2; shift ;;
    --target) targets=("$2"); shift ;;
    --replay-only) replay_only=1 ;;
    *) echo "usage: $0 [--short | --seconds N] [--target NAME] [--replay-only]" >&2; exit 2 ;;
  esac
  shift
done

build=$root/build-fuzz
nmea_dir=$root/tests/data/nmea
jobs=$(nproc 2>/dev/null || echo 2)
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzzing -DKAVRO_WERROR="$werror" >/dev/null
fi
mkdir -p "$build/logs"
if ! cmake --build --preset fuzzing -j "$jobs" --target "${targets[@]}" >"$build/logs/build.log" 2>&1; then
  tail -n 60 "$build/logs/build.log" >&2
  echo "fuzz: the fuzz build failed; see $build/logs/build.log" >&2
  exit 1
fi

# The starting corpora, made once per build folder.
make_corpus() {  # target
  local dir=$build/corpus/$1
  [ -e "$dir/.made" ] && return 0
  mkdir -p "$dir"
  case $1 in
    nmea_fuzz)
      # Each piece is one read's worth of a real receiver's text.
      for log in "$nmea_dir"/*.log; do
        [ -f "$log" ] || continue
        split -b 1000 -a 4 -d "$log" "$dir/$(basename "$log" .log)-"
      done
      # Generated drives, each with its faults: noise, cut-off sentences, NUL bytes, absurd numbers.
      for state in 1 2 3 4; do
        python3 tools/nmea_sim --stdout --no-pace --quiet --duration 30 --fault-every 3 \
          --faults noise,cut,nul,absurd --random-state "$state" >"$build/corpus/drive$state.nmea" &
      done
      wait
      for state in 1 2 3 4; do
        split -b 1000 -a 4 -d "$build/corpus/drive$state.nmea" "$dir/drive$state-"
        rm -f "$build/corpus/drive$state.nmea"
      done
      ;;
    settings_fuzz)
      cp tests/fuzz/corpus/settings/*.ini "$dir/"
      ;;
    paths_fuzz)
      # Port number (4 bytes, little-endian), program path, NUL, name to open.
      printf '\x05\x00\x00\x00/opt/kavro/kavro\x00COM5:' >"$dir/port-link"
      printf '\x01\x00\x00\x00kavro\x00file' >"$dir/bare-program"
      printf '\x03\x00\x00\x00/home/\xe9t\xe9/kavro\x00dir/inner' >"$dir/latin1-folder"
      printf '\xff\xff\xff\xff/x/\xff\x00\xd8\x00\x00y/kavro\x00/dangling' >"$dir/surrogate"
      printf '\x00\xca\x9a\x3b/\x00COM1000000000:' >"$dir/ten-digits"
      ;;
  esac
  touch "$dir/.made"
}

status=0
summary=()
for target in "${targets[@]}"; do
  binary=$build/fuzz/$target
  dict=tests/fuzz/${target%_fuzz}.dict
  logs=$build/logs
  artifacts=$build/artifacts/$target
  mkdir -p "$logs" "$artifacts"
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
  # nmea: one read holds 1000 bytes. paths: the platform logs every name it refuses to open;
  # with the target's standard error closed, libFuzzer and the sanitizers still report.
  options=()
  if [ "$target" = nmea_fuzz ]; then options=(-max_len=1000); fi
  if [ "$target" = paths_fuzz ]; then options=(-close_fd_mask=2); fi

  # Every crash found so far, replayed first: each file runs once.
  regressions=(tests/fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    if "$binary" "${options[@]}" "${regressions[@]}" >"$logs/$target-regressions.log" 2>&1; then
      echo "fuzz: $target: ${#regressions[@]} regression inputs replayed, all pass"
    else
      echo "fuzz: $target: a regression input fails again; see $logs/$target-regressions.log" >&2
      tail -n 40 "$logs/$target-regressions.log" >&2
      status=1
    fi
  fi
  ((replay_only)) && continue

  make_corpus "$target"
  echo "fuzz: $target for ${seconds}s ..."
  log=$logs/$target.log
  if ! "$binary" "${options[@]}" -dict="$dict" -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$build/corpus/$target" >"$log" 2>&1; then
    echo "fuzz: $target CRASHED; input saved in $artifacts/, log in $log" >&2
    grep -E 'ERROR|runtime error|broken promise|Test unit written' "$log" | head -n 20 >&2 || true
    status=1
  fi
  # libFuzzer's last status line holds the coverage: cov = edges reached, ft = features.
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  added=$(sed -n 's/^stat::new_units_added: *//p' "$log")
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$last")
  summary+=("$(printf '%-14s %12s executions %7s/s   cov: %-6s ft: %-7s corpus: %-12s new: %s' \
    "$target" "${executions:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "${added:-?}")")
done

if ((${#summary[@]})); then
  echo "fuzz: summary (${seconds}s per target; logs in $build/logs/)"
  printf '  %s\n' "${summary[@]}"
fi
exit $status
