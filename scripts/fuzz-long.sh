#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs every fuzz target for a long time under AddressSanitizer and
# UndefinedBehaviorSanitizer (CI runs each for seconds only). Targets run
# JOBS at a time; each keeps its corpus in build/fuzz/corpus/NAME, starting
# from the small seeds in fuzz/corpus/NAME, so a second run goes on where the
# first stopped. A crash leaves its input in build/fuzz/findings/NAME/ and
# the run fails.
#
#   FUZZ_SECONDS=N  seconds per target (default 600)
#   JOBS=N          targets at the same time (default 2)
#   ./scripts/fuzz-long.sh [TARGET...]   (names as in fuzz/, default all)
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-600}
jobs=${JOBS:-2}

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTORVANE_FUZZ=ON -DTORVANE_TESTS=OFF -DTORVANE_DESKTOP=OFF >/dev/null || exit 1
cmake --build build/fuzz -j "$jobs" || exit 1

if [ $# -gt 0 ]; then
  names=("$@")
else
  names=()
  for source in fuzz/*.cpp; do names+=("$(basename "$source" .cpp)"); done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_one() {
  local name=$1 target=build/fuzz/fuzz/fuzz_$1
  local corpus=build/fuzz/corpus/fuzz_$name findings=build/fuzz/findings/$name
  local seeds=fuzz/corpus/$name log=build/fuzz/long_$name.log
  mkdir -p "$corpus" "$findings"
  # -rss_limit_mb guards against a target whose memory grows with its input.
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" $([ -d "$seeds" ] && echo "$seeds") >"$log" 2>&1
  local status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ $status -eq 0 ]; then
    echo "$name: ok, ${runs:-?} runs in ${seconds}s, corpus $(ls "$corpus" | wc -l)"
  else
    echo "$name: FAILED (status $status), see $log and $findings/"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -n 5
  fi
  return $status
}

failed=0 passed=0
pids=() running_names=()
wait_one() {
  local pid=${pids[0]} name=${running_names[0]}
  if wait "$pid"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  pids=("${pids[@]:1}") running_names=("${running_names[@]:1}")
}
for name in "${names[@]}"; do
  [ -x "build/fuzz/fuzz/fuzz_$name" ] || { echo "$name: no such fuzz target"; failed=$((failed + 1)); continue; }
  [ ${#pids[@]} -ge "$jobs" ] && wait_one
  run_one "$name" &
  pids+=($!) running_names+=("$name")
done
while [ ${#pids[@]} -gt 0 ]; do wait_one; done

echo
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
