#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the Debian packages Torvane needs. Without arguments, what building
# and running it take (run.sh); with --test, also what its tests, fuzz
# targets and benchmarks take (test.sh). Only what is missing is fetched, so
# a second run costs a second. --list prints the packages instead.
#
#   scripts/deps.sh [--test] [--list]
set -euo pipefail

# Building and running: the compiler and build tools, the settings file's
# JSON, sound, and Qt for the desktop program.
run_packages=(
  build-essential cmake ninja-build pkg-config
  nlohmann-json3-dev libcanberra-dev libcanberra-pulse
  qt6-base-dev
)

# Tests and their tools: GoogleTest and Google Benchmark, clang for the fuzz
# targets and the format check, network namespaces for the private LAN, a
# sound server and sox to hear what was played, quakestat as an independent
# peer, an X display with a notification area for the desktop program, a
# private session bus with a stand-in notification service (dbus,
# python3-dbus, python3-gi) and dunst for pictures of the notifications, and
# what makes and checks the Debian package (dpkg-dev and file for its
# library dependencies, lintian, appstream, groff).
test_packages=(
  git clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  iproute2 util-linux
  pulseaudio pulseaudio-utils sox qstat xvfb
  trayer xdotool xclip imagemagick x11-utils desktop-file-utils python3
  lintian appstream groff-base dpkg-dev file
  dbus python3-dbus python3-gi dunst
)

packages=("${run_packages[@]}")
list=false
for arg in "$@"; do
  case $arg in
    --test) packages+=("${test_packages[@]}") ;;
    --list) list=true ;;
    *) echo "usage: $0 [--test] [--list]" >&2; exit 2 ;;
  esac
done
if $list; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
