# SPDX-License-Identifier: GPL-2.0-or-later
# What every screenshot script sets up, sourced inside its private LAN: a
# scratch home that goes away at the end with every program started, an X
# display, and the stand-in game servers.

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME/torvane" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# An Xvfb screen on display $1, with a plain background.
start_display() {
  export DISPLAY=$1
  Xvfb "$DISPLAY" -screen 0 1024x600x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  xsetroot -solid '#3b4a57' 2>/dev/null || true
}

# trayer as the notification area, in the top right corner.
start_tray_host() {
  trayer --edge top --align right --widthtype request --height 32 --SetDockType true \
    --transparent false --tint 0x303030 >/dev/null 2>&1 &
  pids+=($!)
}

# The three stand-in servers of scripts/screens/fake_servers.py, once they listen.
start_fake_servers() {
  python3 scripts/screens/fake_servers.py >"$work/servers.out" &
  pids+=($!)
  for _ in $(seq 50); do grep -q ready "$work/servers.out" && break; sleep 0.1; done
}
