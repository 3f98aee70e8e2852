#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# run.sh installs only what building and running Torvane take; the test
# tools come with test.sh. Reads the package lists, installs nothing.
set -euo pipefail
source=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

run=$("$source/scripts/deps.sh" --list)
all=$("$source/scripts/deps.sh" --test --list)
for tool in clang clang-format libgtest-dev libbenchmark-dev qstat xvfb trayer xdotool imagemagick sox pulseaudio; do
    grep -qx "$tool" <<<"$run" && fail "run.sh would install the test tool $tool"
    grep -qx "$tool" <<<"$all" || fail "test.sh would not install $tool"
done
for needed in cmake ninja-build qt6-base-dev nlohmann-json3-dev libcanberra-dev; do
    grep -qx "$needed" <<<"$run" || fail "run.sh would not install $needed"
done
# Every package of the run list is in the test list too.
while read -r p; do grep -qx "$p" <<<"$all" || fail "test.sh lacks $p"; done <<<"$run"

grep -qE '^\./scripts/deps\.sh( |$)' "$source/scripts/run.sh" || fail "run.sh does not install its packages"
grep -q -- 'deps\.sh --test' "$source/scripts/run.sh" && fail "run.sh installs the test tools"
grep -q -- '^\./scripts/deps\.sh --test' "$source/scripts/test.sh" || fail "test.sh does not install the test tools"
"$source/scripts/deps.sh" --bogus 2>/dev/null && fail "an unknown option is taken"
echo "ok"
