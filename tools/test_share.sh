#!/usr/bin/env bash
# The share of tests in the code, counted by role: everything that exists only to test lives
# under tests/ (the suites, the harness, the long run, the fault planter, the fuzz runner, the
# measured viewer). Counted are non-blank lines that are not only comments, in C and C++,
# Python, shell and CMake files; the share is tests/ over tests/ plus the rest (docs/ left out).
#   tools/test_share.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count() {  # files matching $1 and not $2
  git ls-files -co --exclude-standard | grep -E '\.(c|cc|cpp|cxx|h|hh|hpp|py|sh|cmake)$|(^|/)CMakeLists\.txt$' |
    grep -E "$1" | grep -v -E "${2:-^$}" | xargs -r cat | grep -c -v -E '^\s*((//|# ).*|#)?$'
}
tests=$(count '^tests/')
rest=$(count '.' '^tests/|^docs/')
all=$((tests + rest))
echo "tests $tests, rest $rest: tests are $(((200 * tests / all + 1) / 2))% of $all lines"
