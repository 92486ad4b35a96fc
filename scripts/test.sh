#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the plain build, the
# Debian packages built from debian/ (checked, installed, their autopkgtests
# run, purged again), then the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
# Tests that need network namespaces run when this is run as root and are
# skipped otherwise. As root, with MinGW-w64 and Wine present (the set-up
# script installs them), the Windows DLLs and the Windows window are
# cross-built and tested under Wine, then once more with the 64-bit programs
# only.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

if [ "$(id -u)" = 0 ]; then
  bash scripts/setup.sh
else
  echo "not root: skipping the package install and the test-bed tests" >&2
fi

jobs=${JOBS:-2}
passed=0

# Runs one ctest suite; stops the script on a failure, counts what passed.
run_ctest() {
  local log
  log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  local n
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  passed=$((passed + ${n:-0}))
  rm -f "$log"
}

echo "== build =="
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEN_WERROR=ON \
  -DVORNEN_BUILD_TESTS=ON -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j"$jobs"
echo "== tests =="
run_ctest ctest --test-dir build --output-on-failure -j"$jobs"

if [ "$(id -u)" = 0 ]; then
  echo "== Debian packages: built from debian/, checked, installed, tested, rights granted and withdrawn, purged =="
  log=$(mktemp)
  bash scripts/packages.sh 2>&1 | tee "$log"
  n=$(sed -n 's/^package checks: \([0-9]*\) passed, 0 failed$/\1/p' "$log")
  passed=$((passed + ${n:-0}))
  rm -f "$log"
else
  echo "not root: skipping the Debian packages" >&2
fi

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
# The window too: its core runs the library's calls on a worker thread.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORNEN_SANITIZE=ON \
  -DVORNEN_WERROR=ON -DVORNEN_BUILD_TESTS=ON -DVORNEN_BUILD_TOOL=ON
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

if [ "$(id -u)" = 0 ]; then
  echo "== ThreadSanitizer: the library called from several threads at once, the window's core =="
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNEN_TSAN=ON -DVORNEN_WERROR=ON \
    -DVORNEN_BUILD_TESTS=ON >/dev/null
  cmake --build build-tsan -j"$jobs" --target vornen_net_tests vorn-devsim setvornip_core_tests
  # The library's concurrency cases, and the window's core, whose commands
  # hand each library call to a worker thread and its result back.
  for tsan_run in "build-tsan/library/tests/vornen_net_tests --gtest_filter=Concurrency*" \
                  "build-tsan/tool/tests/setvornip_core_tests"; do
    tsan_log=$(mktemp)
    # shellcheck disable=SC2086 # the program and its filter
    TSAN_OPTIONS=halt_on_error=1 $tsan_run 2>&1 | tee "$tsan_log"
    n=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$tsan_log")
    rm -f "$tsan_log"
    [ -n "$n" ] || { echo "ThreadSanitizer run failed: $tsan_run" >&2; exit 1; }
    passed=$((passed + n))
  done
fi

if command -v clang++ >/dev/null; then
  echo "== fuzzing, 15 s per target, two at a time =="
  bash scripts/fuzz.sh 15
else
  echo "clang not found: skipping the fuzz run" >&2
fi

if [ "$(id -u)" = 0 ] && command -v i686-w64-mingw32-g++-posix >/dev/null &&
  command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
  echo "== Windows DLLs and window: cross builds, and their tests under Wine in the test bed =="
  bash scripts/windows.sh
  # As on a machine whose kernel runs no 32-bit programs: the 64-bit ones
  # alone, through the 64-bit loader, and the 32-bit build still checked.
  echo "== the same with the 64-bit Wine programs only =="
  bash scripts/windows.sh --64-only
else
  echo "not root, or no MinGW-w64 or Wine: skipping the Windows tests" >&2
fi

echo
echo "tests: $passed passed, 0 failed"
