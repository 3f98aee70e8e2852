#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes the pictures of the host and player lists' menus and marks in
# docs/screenshots/: Torvane under Xvfb with buddies set, on a private LAN in
# a fresh network namespace with the three stand-in servers of the other
# screenshots (one of them full). Needs root (for the namespace).
#
#   scripts/menu-shots.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/torvane" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target torvane
fi
out=docs/screenshots
mkdir -p "$out"

source scripts/private-lan.sh
enter_private_lan "$0" "$build"
# --- inside the private namespace from here on --------------------------

source scripts/screens/session.sh
export ASAN_OPTIONS=detect_leaks=0
cat >"$XDG_CONFIG_HOME/torvane/settings.json" <<JSON
{
  "\\\\Software\\\\Torvane": {
    "Broadcast": 1, "BCInterval": 30, "Port": 27910, "Retries": 5,
    "Quake2Command": "quake2", "Quake2BaseDir": "$work/quake2",
    "StartMinimized": 0, "PlayerName": "Visor", "Buddies": "Ranger, Stroggo*",
    "Port2": 27920, "Port3": 27930, "Port4": 27940,
    "Port2Enable": 1, "Port3Enable": 1, "Port4Enable": 1,
    "LogFile": "$work/torvane.log"
  },
  "\\\\Software\\\\Torvane\\\\Windows": {
    "MainTop": 20, "MainLeft": 20, "MainWidth": 620, "MainHeight": 260, "HostListWidth": 400,
    "HostColumnWidths": "170,70,70,45,120", "HostBuddiesFirst": 1
  }
}
JSON

start_display :59
start_tray_host
start_fake_servers
sleep 1

"$build/torvane" >"$work/torvane.out" 2>&1 &
torvane=$!
pids+=($torvane)
main=$(xdotool search --sync --onlyvisible --name '^Torvane 2\.13$' | head -n 1)
sleep 3

# The servers with buddies first, bold with a mark beside their players.
# "The Edge" (full) is waited for: chosen from its menu, which is then shown
# again with the entry that cancels it.
# Rows are 19 pixels high below a header of 20: "The Edge" is the second
# host, "Major" the first player.
xdotool mousemove --window "$main" 60 38 click 1
sleep 0.3
xdotool mousemove --window "$main" 330 38 click 3
sleep 0.5
xdotool key Down Down Down Return  # &Play, &Challenge, Join when there's room
sleep 0.5
xdotool mousemove --window "$main" 330 38 click 3
sleep 0.7
eval "$(xdotool getwindowgeometry --shell "$main")"
import -window root -crop "$((WIDTH + 20))x$((HEIGHT + 4))+$((X - 10))+$((Y - 2))" "$out/host-menu.png"
echo "saved $out/host-menu.png"
xdotool key Escape
sleep 0.3

# The player list of the full server: the buddy marked, and the menu of a
# player who is not one yet (the first row).
xdotool mousemove --window "$main" 450 28 click 3
sleep 0.7
import -window root -crop "$((WIDTH + 20))x$((HEIGHT + 4))+$((X - 10))+$((Y - 2))" "$out/player-menu.png"
echo "saved $out/player-menu.png"
xdotool key Escape

kill -TERM "$torvane"
wait "$torvane" || true
echo "the log of this run:"
cat "$work/torvane.log"
