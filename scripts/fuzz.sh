#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 30),
# starting from its seed corpus in fuzz/corpus/. Fails when a target finds a
# crash; the input that caused it is left in build-fuzz/artifacts/.
# The targets run on a stand-in for the operating system: no packet leaves.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-build-fuzz}
targets=(host_text mac_text send_recv discovery)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNEN_WERROR=ON -DVORNEN_FUZZ=ON -DVORNEN_BUILD_TESTS=OFF -DVORNEN_BUILD_TOOL=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vornen_fuzzers

mkdir -p "$build/artifacts"
failed=()
for t in "${targets[@]}"; do
  # New inputs go to the build tree; the seeds in the repository stay as made.
  work="$build/corpus/$t"
  mkdir -p "$work"
  echo "== fuzz_$t for ${seconds}s =="
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$work" "fuzz/corpus/$t" 2>"$build/fuzz_$t.log"; then
    failed+=("$t")
    tail -n 40 "$build/fuzz_$t.log" >&2
  fi
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
    "$build/fuzz_$t.log" || true
done

if ((${#failed[@]})); then
  echo "fuzzing found crashes in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzzing: no crash in ${#targets[@]} targets"
