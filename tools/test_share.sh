#!/usr/bin/env bash
# The share of tests in the code: non-blank lines that are not only comments, in C and C++,
# Python, shell and CMake files; tests/ against everything else (docs/ left out).
#   tools/test_share.sh
set -euo pipefail
cd "$(dirname "$0")/.."
count() {  # files matching $1 and not $2
  git ls-files -co --exclude-standard | grep -E '\.(c|cc|cpp|cxx|h|hh|hpp|py|sh|cmake)$|(^|/)CMakeLists\.txt$' |
    grep -E "$1" | grep -v -E "${2:-^$}" | xargs -r cat | grep -c -v -E '^\s*((//|# ).*|#)?$'
}
tests=$(count '^tests/')
code=$(count '.' '^tests/|^docs/')
echo "tests $tests, code $code: $((100 * tests / code))%"
