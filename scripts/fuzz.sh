#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 30),
# FUZZ_JOBS targets at a time (default JOBS, else 2), starting from its seed
# corpus in fuzz/corpus/. Fails when a target finds a crash; the input that
# caused it is left in build-fuzz/artifacts/. Each target's figures (runs,
# coverage, peak memory) are printed when it ends.
# The targets run on a stand-in for the operating system: no packet leaves.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${FUZZ_JOBS:-${JOBS:-2}}
targets=(host_text mac_text send_recv discovery adapter_check assignment
  batch_file escapes devsim_setup devsim_script devsim_options)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNEN_WERROR=ON -DVORNEN_FUZZ=ON -DVORNEN_BUILD_TESTS=OFF -DVORNEN_BUILD_TOOL=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vornen_fuzzers

mkdir -p "$build/artifacts"

# Runs one target; its exit status is left in $build/fuzz_$t.status.
run_target() {
  local t=$1
  # New inputs go to the build tree; the seeds in the repository stay as made.
  local work="$build/corpus/$t"
  mkdir -p "$work"
  local status=0
  # Words of the text a target reads, where it has them.
  local dict=()
  if [ -f "fuzz/$t.dict" ]; then dict=(-dict="fuzz/$t.dict"); fi
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$build/artifacts/$t-" "$work" "fuzz/corpus/$t" \
    >"$build/fuzz_$t.log" 2>&1 || status=$?
  echo "$status" >"$build/fuzz_$t.status"
}

echo "== ${#targets[@]} fuzz targets, ${seconds}s each, $jobs at a time =="
running=0
for t in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$t" &
  running=$((running + 1))
done
wait

failed=()
for t in "${targets[@]}"; do
  if [ "$(cat "$build/fuzz_$t.status")" != 0 ]; then
    failed+=("$t")
    tail -n 40 "$build/fuzz_$t.log" >&2
  fi
  # A target that stops on a seed has no coverage line yet.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz_$t.log")
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$build/fuzz_$t.log")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/fuzz_$t.log" | tail -n 1 || true)
  printf 'fuzz_%-15s runs %-10s %-20s peak RSS %s MB\n' "$t" "${runs:-?}" "${cov:-?}" "${rss:-?}"
done

if ((${#failed[@]})); then
  echo "fuzzing found crashes in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
echo "fuzzing: no crash in ${#targets[@]} targets"
