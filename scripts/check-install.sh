#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs a build into a scratch prefix and checks that a desktop finds
# what it needs: the three programs with their manual pages, a valid menu
# entry whose icon exists, the AppStream metadata.
#   scripts/check-install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for program in torvane torvane-headless torvane-query; do
  [ -x "$prefix/bin/$program" ] || { echo "not installed: bin/$program"; exit 1; }
  [ -f "$prefix/share/man/man1/$program.1.gz" ] || { echo "not installed: share/man/man1/$program.1.gz"; exit 1; }
done
[ -f "$prefix/share/metainfo/org.example.torvane.metainfo.xml" ] || { echo "no AppStream metadata installed"; exit 1; }
entry=$prefix/share/applications/torvane.desktop
desktop-file-validate "$entry"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || { echo "no icon named $icon"; exit 1; }
"$prefix/bin/torvane" --version | grep -q '^torvane ' || { echo "installed torvane does not answer --version"; exit 1; }
echo "install: ok"
