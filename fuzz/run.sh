#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and runs each for a bounded time on a scratch copy of its
# seed corpus (the corpus in the repository stays as it is). Exits non-zero when a harness finds
# a crash, a leak or a time-out; the input that did it is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD="$ROOT/build-fuzz"
SECONDS_EACH="${ZMSG_FUZZ_SECONDS:-60}"
HARNESSES=(xml phonemask resultitems optout pagehandover)

# The folder configures on its own: the harnesses need neither Qt nor anything else of the tree.
CC=clang CXX=clang++ cmake -S "$ROOT/fuzz" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target fuzz -j "$(nproc)"

status=0
for h in "${HARNESSES[@]}"; do
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  [ -d "$ROOT/fuzz/corpus/$h" ] && cp -r "$ROOT/fuzz/corpus/$h/." "$scratch/"
  mkdir -p "$BUILD/artifacts/$h"
  log="$BUILD/fuzz_$h.log"
  echo "-- fuzz_$h for ${SECONDS_EACH}s"
  if "$BUILD/fuzz_$h" -max_total_time="$SECONDS_EACH" -timeout=5 -rss_limit_mb=2048 \
      -artifact_prefix="$BUILD/artifacts/$h/" -print_final_stats=1 "$scratch" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
  else
    status=1
    echo "fuzz_$h found a fault; see $log and $BUILD/artifacts/$h/"
    tail -n 40 "$log"
  fi
  rm -rf "$scratch"
  trap - EXIT
done
exit $status
