#!/usr/bin/env bash
# Non-blank lines of the C++ sources git tracks: those under tests/ against all the others (product,
# simulator, host, benchmarks, fuzz harnesses, the README's picture programs). The aim is tests at most
# a third of the whole. Build folders are never tracked, so they never count.
set -euo pipefail
cd "$(dirname "$0")/.."

# Non-blank lines of the NUL-separated files on stdin (xargs may split them over several runs).
count() {
  xargs -0 -r awk 'NF { n++ } END { print n + 0 }' | awk '{ s += $1 } END { print s + 0 }'
}

tests=$(git ls-files -z -- 'tests/*.cpp' 'tests/*.h' | count)
others=$(git ls-files -z -- '*.cpp' '*.h' ':(exclude)tests/' | count)
total=$((tests + others))
echo "tests:  $tests"
echo "others: $others"
awk -v t="$tests" -v a="$total" 'BEGIN { printf "tests share: %.1f%% of %d (aim: at most 33.3%%)\n", a ? 100 * t / a : 0, a }'
