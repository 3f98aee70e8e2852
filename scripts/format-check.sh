#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Fails when a C++ file of the project differs from what .clang-format makes
# of it, and names the files. With --fix, formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || exit 0
if [ "${1:-}" = "--fix" ]; then
  exec clang-format -i "${files[@]}"
fi
drifting=$(clang-format --dry-run --Werror "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u || true)
if [ -n "$drifting" ]; then
  echo "These files drift from .clang-format (scripts/format-check.sh --fix mends them):"
  printf '  %s\n' $drifting
  exit 1
fi
echo "format: ok"
