#!/usr/bin/env bash
# Installs what is missing, builds, runs the whole suite, then the same suite under ASan+UBSan,
# then the fuzz harnesses for a bounded time, then the Debian packages' test (scripts/package-test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

scripts/deps.sh

export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-dev-shm-usage"
# Tests get their own settings, runtime and state folders, never the user's.
export XDG_CONFIG_HOME="$ROOT/build-test-home/config"
export XDG_RUNTIME_DIR="$ROOT/build-test-home/runtime"
export XDG_STATE_HOME="$ROOT/build-test-home/state"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$XDG_STATE_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
JOBS=$(nproc)

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZMSG_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"
echo "== tests"
ctest --test-dir build --output-on-failure -j "$JOBS" 2>&1 | tee build/ctest.log

echo "== sanitizer build (ASan+UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZMSG_WERROR=ON -DZMSG_SANITIZE=ON \
  -DZMSG_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"
echo "== tests under sanitizers"
ctest --test-dir build-asan --output-on-failure -j "$JOBS" 2>&1 | tee build-asan/ctest.log

if [ -f fuzz/run.sh ]; then
  echo "== fuzzing"
  fuzz/run.sh
fi

# The Debian packages, built, checked, installed and tried as an ordinary account, then removed.
echo "== packages"
scripts/package-test.sh

# One closing line over both runs.
total=0
for log in build/ctest.log build-asan/ctest.log; do
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  total=$((total + ${n:-0}))
done
echo "ctest: $total passed, 0 failed"
