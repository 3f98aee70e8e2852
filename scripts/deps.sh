#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Torvane need.
# Only what is missing is fetched, so a second run costs a second.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcanberra-dev libcanberra-pulse
  qt6-base-dev
  iproute2 util-linux
  pulseaudio pulseaudio-utils sox qstat xvfb
  trayer xdotool xclip imagemagick x11-utils desktop-file-utils python3
  dbus python3-dbus python3-gi dunst
)

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
