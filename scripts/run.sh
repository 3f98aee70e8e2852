#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds Torvane and starts it. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [ -x build/release/torvane ]; then
  exec build/release/torvane "$@"
fi
exec build/release/torvane-headless "$@"
