#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes the pictures of Torvane's desktop notifications in docs/screenshots/:
# Torvane under Xvfb with dunst as the notification service on a private
# session bus, on a private LAN inside a fresh network namespace where three
# stand-in servers show up after the first search, a buddy among their
# players, and a copy shouts over loopback. Needs root (for the namespace).
#
#   scripts/notification-shots.sh [BUILD_DIR]     (default build/release)
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
mkdir -p "$XDG_CONFIG_HOME/dunst"
cat >"$XDG_CONFIG_HOME/torvane/settings.json" <<JSON
{
  "\\\\Software\\\\Torvane": {
    "Broadcast": 1, "BCInterval": 5, "Port": 27910, "Retries": 5,
    "Quake2Command": "quake2", "Quake2BaseDir": "$work/quake2",
    "StartMinimized": 1, "PlayerName": "Visor", "Buddies": "Ranger, Stroggo*",
    "Port2": 27920, "Port3": 27930, "Port4": 27940,
    "Port2Enable": 1, "Port3Enable": 1, "Port4Enable": 1,
    "LogFile": "$work/torvane.log"
  },
  "\\\\Software\\\\Torvane\\\\NewHost": { "Popup": 1, "Launch": 0, "Play": 0, "Sound": "" },
  "\\\\Software\\\\Torvane\\\\Windows": {
    "MainTop": 40, "MainLeft": 20, "UsersTop": 300, "UsersLeft": 20,
    "UsersWidth": 463, "UsersHeight": 280, "UserListWidth": 230, "TopPanelHeight": 133
  }
}
JSON
cat >"$XDG_CONFIG_HOME/dunst/dunstrc" <<'CONF'
[global]
    origin = top-right
    offset = 12x12
    width = 380
    notification_limit = 6
    font = DejaVu Sans 10
    frame_width = 2
    frame_color = "#8a9ba8"
    separator_height = 2
    padding = 8
    horizontal_padding = 10
    gap_size = 6
    markup = full
    format = "<b>%s</b>\n%b"
    show_indicators = yes
[urgency_normal]
    background = "#22303a"
    foreground = "#e8eef2"
    timeout = 0
CONF

start_display :58
bus_pid=$(dbus-daemon --session --address="unix:path=$work/bus" --fork --print-pid)
pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
dunst -config "$XDG_CONFIG_HOME/dunst/dunstrc" >"$work/dunst.out" 2>&1 &
pids+=($!)
sleep 1

"$build/torvane" >"$work/torvane.out" 2>&1 &
torvane=$!
pids+=($torvane)
# The first search window lasts two seconds and is quiet; the servers come
# after it.
sleep 3
start_fake_servers
# The next search (every five seconds here) finds them: the three pop up,
# and Ranger is on the first.
for _ in $(seq 200); do grep -q 'is playing on' "$work/torvane.log" 2>/dev/null && break; sleep 0.1; done
python3 - <<'PY'
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.sendto(b"TVNMESSMajor\tSanyone up for a CTF round?", ("127.0.0.1", 27910))
PY
sleep 1.5
import -window root -crop 424x390+600+0 "$out/notifications.png"
echo "saved $out/notifications.png"

kill -TERM "$torvane"
wait "$torvane" || true
echo "the log of this run:"
cat "$work/torvane.log"
