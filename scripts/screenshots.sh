#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes the pictures in docs/screenshots/: Torvane under Xvfb with a real
# notification-area host (trayer), on a private LAN inside a fresh network
# namespace with three stand-in game servers, so nothing it broadcasts
# leaves this machine. Needs root (for the namespace).
#
#   scripts/screenshots.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [ ! -x "$build/torvane" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_TESTS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target torvane quakesim
fi
out=docs/screenshots
mkdir -p "$out"

source scripts/private-lan.sh
enter_private_lan "$0" "$build"
# --- inside the private namespace from here on --------------------------

source scripts/screens/session.sh
cat >"$XDG_CONFIG_HOME/torvane/settings.json" <<JSON
{
  "\\\\Software\\\\Torvane": {
    "Broadcast": 1, "BCInterval": 30, "Port": 27910, "Retries": 5,
    "Quake2Command": "quake2", "Quake2BaseDir": "$work/quake2",
    "StartMinimized": 0, "PlayerName": "Ranger",
    "Port2": 27920, "Port3": 27930, "Port4": 27940,
    "Port2Enable": 1, "Port3Enable": 1, "Port4Enable": 1,
    "LogFile": "$work/torvane.log"
  },
  "\\\\Software\\\\Torvane\\\\Windows": {
    "MainTop": 40, "MainLeft": 40, "UsersTop": 40, "UsersLeft": 520,
    "UsersWidth": 463, "UsersHeight": 351, "UserListWidth": 230, "TopPanelHeight": 133
  }
}
JSON

start_display :57
start_tray_host
start_fake_servers
sleep 1

"$build/torvane" >"$work/torvane.out" 2>&1 &
torvane=$!
pids+=($torvane)
main=$(xdotool search --sync --onlyvisible --name '^Torvane 2\.13$' | head -n 1)
# The first search window lasts two seconds.
sleep 3

shot_window() { import -window "$1" "$out/$2.png"; echo "saved $out/$2.png"; }

# The main window with the players of the first server.
xdotool mousemove --window "$main" 60 30 click 1
sleep 0.5
shot_window "$main" main-window

# Resized, the split dragged to show every column, and sorted by players,
# most first (a second click on a header reverses its sort).
xdotool windowsize --sync "$main" 780 300
sleep 0.3
xdotool mousemove --window "$main" 321 120 mousedown 1 mousemove --window "$main" 560 120 mouseup 1
sleep 0.3
xdotool mousemove --window "$main" 290 10 click 1
sleep 0.8  # two quick clicks would be a double-click, which does not sort
xdotool mousemove --window "$main" 290 10 click 1
sleep 0.5
shot_window "$main" main-window-sorted

# The tray icon in the panel and its menu.
tray=$(xdotool search --name '^panel$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
icon_x=$((X + WIDTH / 2)) icon_y=$((Y + HEIGHT / 2))
import -window root -crop "$((WIDTH + 16))x$((HEIGHT))+$((X - 16))+0" "$work/tray.png"
convert "$work/tray.png" -filter point -resize 400% "$out/tray-icon.png"
echo "saved $out/tray-icon.png"
xdotool mousemove "$icon_x" "$icon_y" click 3
sleep 0.7
import -window root -crop "360x220+$((X + WIDTH - 360))+0" "$out/tray-menu.png"
echo "saved $out/tray-menu.png"
xdotool key Escape
sleep 0.3

# Credits, users, options and the log, each opened as a user would.
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
xdotool key alt+c
credits=$(xdotool search --sync --onlyvisible --name '^Credits$' | head -n 1)
sleep 0.3
shot_window "$credits" credits
xdotool windowunmap "$credits"

xdotool windowfocus --sync "$main"
xdotool key alt+u
users=$(xdotool search --sync --onlyvisible --name '^Torvane Users$' | head -n 1)
sleep 0.3
shot_window "$users" users-window

xdotool windowfocus --sync "$main"
xdotool key alt+o
options=
for _ in $(seq 50); do
  options=$(xdotool search --onlyvisible --name '^Torvane 2\.13$' | grep -vx "$main" | head -n 1 || true)
  [ -n "$options" ] && break
  sleep 0.1
done
sleep 0.3
shot_window "$options" options-dialog
# "View log" on the Log page, where the dialog opens in this setup.
xdotool mousemove --window "$options" 50 113 click 1
log=$(xdotool search --sync --onlyvisible --name '^Torvane log$' | head -n 1)
sleep 0.3
shot_window "$log" log-window

kill -TERM "$torvane"
wait "$torvane" || true
echo "the log of this run:"
cat "$work/torvane.log"

# 25 servers on one port, each 5 to 45 ms away (quakesim holds each reply),
# in a window stored larger, sorted by ping with a click on its header.
kill "${pids[2]}" 2>/dev/null || true
python3 - "$XDG_CONFIG_HOME/torvane/settings.json" <<'PY'
import json, sys
path = sys.argv[1]
with open(path) as f:
    settings = json.load(f)
main = settings["\\Software\\Torvane"]
main.update({"Port2": 27950, "Port3Enable": 0, "Port4Enable": 0})
settings["\\Software\\Torvane\\Windows"].update(
    {"MainLeft": 20, "MainTop": 40, "MainWidth": 860, "MainHeight": 540, "HostListWidth": 640,
     "HostColumnWidths": "230,70,60,50,150"})
with open(path, "w") as f:
    json.dump(settings, f, indent=2)
PY
"$build/quakesim" --servers 25 --port 27950 --same-port --seed 18 --max-players 8 \
  --delay-ms 25 --jitter-ms 20 >"$work/quakesim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q ready "$work/quakesim.out" && break; sleep 0.1; done
"$build/torvane" >"$work/torvane2.out" 2>&1 &
torvane=$!
pids+=($torvane)
main=$(xdotool search --sync --onlyvisible --name '^Torvane 2\.13$' | head -n 1)
sleep 3
xdotool mousemove --window "$main" 385 10 click 1
sleep 0.3
xdotool mousemove --window "$main" 60 30 click 1
sleep 0.5
shot_window "$main" main-window-ping
kill -TERM "$torvane"
wait "$torvane" || true
