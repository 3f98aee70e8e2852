#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Fails when a source file of the project does not say its licence in its
# first lines (an SPDX identifier), and names the files.
set -euo pipefail
cd "$(dirname "$0")/.."
line='SPDX-License-Identifier: GPL-2.0-or-later'
missing=()
while read -r f; do
  head -n 3 "$f" | grep -q "$line" || missing+=("$f")
done < <(git ls-files -- '*.cpp' '*.h' '*.h.in' '*.py' '*.sh' 'CMakeLists.txt' '**/CMakeLists.txt' '*.cmake' | sort -u)
if [ ${#missing[@]} -gt 0 ]; then
  echo "These files do not name their licence (\"$line\" in the first three lines):"
  printf '  %s\n' "${missing[@]}"
  exit 1
fi
echo "licence lines: ok"
