#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds Torvane and runs every test: the unit and end-to-end tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, each fuzz target for a few
# seconds, then the whole suite again in an optimised (Release) build with
# the benchmarks, and the Debian package made from that build and checked
# (lintian, its menu entry, metainfo and manual pages, each program run from
# the unpacked package); first, a check that the code keeps its .clang-format
# and that each library includes only what it declares (Qt only in the
# desktop folder). Tests that need network namespaces or a sound server start
# them themselves (they need root, and skip without it).
#
#   FUZZ_SECONDS=N   seconds per fuzz target (default 10)
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --test || exit 1

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}
passed=0 failed=0
failed_steps=()

step() { printf '\n=== %s\n' "$*"; }

step "Format"
if ./scripts/format-check.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); failed_steps+=(format); fi

step "Include rules"
if ./scripts/check-includes.py; then passed=$((passed + 1)); else failed=$((failed + 1)); failed_steps+=(includes); fi

step "Licence lines"
if ./scripts/check-spdx.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); failed_steps+=(licence); fi

# Runs ctest in build folder $1 and adds its counts to the totals; $2 names
# the step among the failures. A test that hangs fails at its timeout instead
# of holding up the run: 30 seconds unless the test gives its own.
run_ctest() {
  ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 30 | tee "$1/ctest.log"
  local summary
  summary=$(grep -E '[0-9]+% tests passed' "$1/ctest.log" | tail -n 1)
  if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    [ "${BASH_REMATCH[1]}" -eq 0 ] || failed_steps+=("$2")
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  else
    echo "ctest did not report a summary"; failed=$((failed + 1)); failed_steps+=("$2")
  fi
}

step "Sanitized build and tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTORVANE_SANITIZE=ON >/dev/null \
  && cmake --build build/asan -j "$jobs" || exit 1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_ctest build/asan tests

step "Fuzz targets, ${fuzz_seconds}s each"
if cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
     -DTORVANE_FUZZ=ON -DTORVANE_TESTS=OFF -DTORVANE_DESKTOP=OFF >/dev/null \
   && cmake --build build/fuzz -j "$jobs"; then
  for target in build/fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=build/fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=fuzz/corpus/${name#fuzz_}
    if "$target" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" $([ -d "$seeds" ] && echo "$seeds") \
         >build/fuzz/$name.log 2>&1; then
      echo "$name: ok"; passed=$((passed + 1))
    else
      echo "$name: FAILED"; tail -n 40 build/fuzz/$name.log; failed=$((failed + 1)); failed_steps+=("$name")
    fi
  done
else
  echo "fuzz build FAILED"; failed=$((failed + 1)); failed_steps+=("fuzz build")
fi

# The optimised build is what users run: the same tests again, and the
# benchmarks built.
step "Release build with benchmarks, and tests"
if cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_BENCH=ON -DTORVANE_TESTS=ON >/dev/null \
   && cmake --build build/release -j "$jobs"; then
  run_ctest build/release "release tests"
else
  echo "release build FAILED"; failed=$((failed + 1)); failed_steps+=("release build")
fi

step "Debian package"
if ./scripts/check-package.sh build/release; then
  passed=$((passed + 1))
else
  failed=$((failed + 1)); failed_steps+=(package)
fi

echo
# Repeat what failed where the last lines of a long log will show it.
sed -n '/The following tests FAILED/,$p' build/asan/ctest.log build/release/ctest.log 2>/dev/null
[ ${#failed_steps[@]} -eq 0 ] || echo "failed: ${failed_steps[*]}"
echo "summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
