#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Makes the Debian package from a build and checks it as a distribution
# would: lintian finds no error, the control fields say what the package
# needs, the menu entry, the AppStream metadata and the manual pages pass
# their own validators, and each program, unpacked into a scratch root,
# answers --version.
#   scripts/check-package.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
source=$(realpath "$(dirname "$0")/..")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
problems=0
problem() { echo "package: $*"; problems=$((problems + 1)); }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/torvane_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { tail -n 30 "$build/cpack.log"; exit 1; }
[ -f "$deb" ] || { echo "package: cpack made no $deb"; exit 1; }
echo "package: $deb"

# lintian: errors fail; warnings and the rest are shown.
if ! lintian --fail-on error --display-info "$deb" | tee "$build/lintian.log"; then
  problem "lintian reports errors"
fi

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = torvane ] || problem "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || problem "Version is '$(field Version)', not $version"
field Depends | grep 'libc6' >/dev/null || problem "Depends does not come from the programs' libraries: '$(field Depends)'"
field Recommends | grep 'pulseaudio' >/dev/null || problem "Recommends lacks the sound server: '$(field Recommends)'"
synopsis=$(field Description | sed -n 1p)
case "$synopsis" in [Tt]orvane*) problem "the description starts with the package's name: $synopsis" ;; esac
# The changelog and the metainfo's newest release follow the version.
changelog_version=$(dpkg-parsechangelog -l "$source/packaging/changelog" -S Version)
[ "$changelog_version" = "$version" ] || problem "packaging/changelog starts with $changelog_version, not $version"

dpkg -x "$deb" "$root"
for file in usr/bin/torvane usr/bin/torvane-headless usr/bin/torvane-query \
            usr/share/applications/torvane.desktop usr/share/icons/hicolor/scalable/apps/torvane.svg \
            usr/share/doc/torvane/copyright usr/share/doc/torvane/changelog.gz \
            usr/share/man/man1/torvane.1.gz usr/share/man/man1/torvane-headless.1.gz \
            usr/share/man/man1/torvane-query.1.gz; do
  [ -e "$root/$file" ] || problem "not in the package: /$file"
done
head -n 1 "$root/usr/share/doc/torvane/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  problem "the copyright file is not in the machine-readable format"

desktop-file-validate "$root/usr/share/applications/torvane.desktop" || problem "desktop-file-validate"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
if [ -f "${metainfo[0]}" ]; then
  appstreamcli validate --no-net "${metainfo[0]}" || problem "appstreamcli validate"
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "${metainfo[0]}")
  [ -f "$root/usr/share/applications/$launchable" ] || problem "the launchable '$launchable' is no menu entry of the package"
  grep -q "<release version=\"$version\"" "${metainfo[0]}" || problem "the metainfo has no release $version"
else
  problem "no AppStream metadata in /usr/share/metainfo"
fi

for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1) || true
  [ -z "$warnings" ] || problem "$(basename "$page"): $warnings"
done

# A program that failed to take --version would start for real and
# broadcast: each runs in a network namespace of its own, with a scratch home.
isolate=(unshare --net)
[ "$(id -u)" -eq 0 ] || isolate+=(--map-root-user)
mkdir "$root/home"
for program in torvane torvane-headless torvane-query; do
  answer=$(HOME=$root/home XDG_CONFIG_HOME=$root/home timeout 30 "${isolate[@]}" -- \
             "$root/usr/bin/$program" --version 2>&1) || true
  [ "$answer" = "$program $version" ] || problem "$program --version from the package says '$answer'"
done

[ "$problems" -eq 0 ] || { echo "package: $problems problems"; exit 1; }
echo "package: ok"
