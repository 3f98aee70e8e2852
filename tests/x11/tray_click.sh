#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The real torvane with a real notification area (trayer) on an X display:
# its icon is embedded in the area, the main window starts hidden (the
# default settings start minimised), a left click on the icon shows it, and
# SIGTERM ends the program with its settings saved.
#   tests/x11/tray_click.sh BUILD_DIR
source "$(dirname "$0")/session.sh"
enter_private_session "$@"
build=$1

start_in_background trayer trayer --edge top --align right --widthtype request --height 32 --SetDockType true
trayer=${background[-1]}
wait_until 30 "notification area on $DISPLAY" "$x11_tests/selection_owner.py" _NET_SYSTEM_TRAY_S0
area=$("$x11_tests/selection_owner.py" _NET_SYSTEM_TRAY_S0)
[ "$(window_pid "$(top_level_of "$area")")" = "$trayer" ] || fail "the notification area is not trayer's"

# The icon is a window of torvane's whose top-level window is trayer's.
embedded_icon() {
    local window
    for window in $(xdotool search --pid "$torvane" 2>/dev/null); do
        local top
        top=$(top_level_of "$window") || continue
        if [ "$(window_pid "$top")" = "$trayer" ] && is_viewable "$window"; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

start_torvane "$build"
wait_until 60 "torvane icon embedded in trayer" embedded_icon
icon=$(embedded_icon)
xprop -id "$icon" _XEMBED_INFO | grep -q '= ' || fail "the icon's window carries no XEMBED information"
main_name='^Torvane 2\.13$'
[ -z "$(torvane_windows_named "$main_name")" ] || fail "the main window is on screen before the click"

eval "$(xdotool getwindowgeometry --shell "$icon")"
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_until 30 "main window shown by the click" torvane_windows_named "$main_name"
main=$(torvane_windows_named "$main_name" | head -n 1)
is_viewable "$main" || fail "the main window is not viewable"
[ "$(window_pid "$(top_level_of "$main")")" = "$torvane" ] || fail "the main window is not a top-level window"

kill -TERM "$torvane"
expect_torvane_end 0
grep -q '"Version": "2.13"' "$XDG_CONFIG_HOME/torvane/settings.json" || fail "no settings saved at the end"
echo "tray icon embedded in trayer, a click showed the main window"
