# SPDX-License-Identifier: GPL-2.0-or-later
# The frame of the tests that run the real torvane on an X display. Sourced
# by each test script, which calls enter_private_session "$@" first: the
# script then runs again as root inside a fresh network namespace with a LAN
# of its own (a search broadcasts, and nothing may leave this machine), with
# a home and settings folder of its own, a fresh Xvfb display, and no
# session bus (the notification area is the X one).
#
# Everything waits by polling with generous deadlines, never by guessing.
# A failed check ends the script with status 1; ctest counts status 77 as
# skipped (no root).

set -uo pipefail
x11_tests=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$x11_tests/../../scripts/private-lan.sh"
background=()
work=

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

enter_private_session() {
    if [ "${TORVANE_PRIVATE_LAN:-}" != 1 ]; then
        for tool in Xvfb trayer xdotool xwininfo xprop xdpyinfo xclip ip unshare python3; do
            command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
        done
    fi
    enter_private_lan "$0" "$@"

    work=$(mktemp -d)
    trap end_session EXIT
    export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY QT_QPA_PLATFORM
    # Qt's D-Bus thread leaves a buffer of libdbus behind at exit.
    export LSAN_OPTIONS="suppressions=$x11_tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    start_display
}

end_session() {
    local pid
    for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}

# start_in_background NAME COMMAND...: its output goes to $work/NAME.out.
start_in_background() {
    local name=$1
    shift
    "$@" >"$work/$name.out" 2>&1 &
    background+=($!)
}

# wait_until SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_until() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || fail "no $what after $seconds s"
        sleep 0.1
    done
}

start_display() {
    exec {display_fd}>"$work/display"
    start_in_background xvfb Xvfb -displayfd "$display_fd" -screen 0 1024x600x24 -nolisten tcp
    exec {display_fd}>&-
    wait_until 30 "display from Xvfb" test -s "$work/display"
    export DISPLAY=:$(head -n 1 "$work/display")
    wait_until 30 "answer from display $DISPLAY" xdpyinfo
}

# start_torvane BUILD_DIR: starts the program; $torvane is its process,
# $work/torvane.status receives its exit status, $work/torvane.out its
# output.
start_torvane() {
    local program=$1/torvane
    [ -x "$program" ] || fail "no program $program"
    rm -f "$work/torvane.pid" "$work/torvane.status"
    (
        "$program" &
        echo $! >"$work/torvane.pid"
        wait $!
        echo $? >"$work/torvane.status"
    ) >"$work/torvane.out" 2>&1 &
    background+=($!)
    wait_until 30 "start of torvane" test -s "$work/torvane.pid"
    torvane=$(cat "$work/torvane.pid")
    background+=("$torvane")
}

# expect_torvane_end STATUS: waits for the program to end with STATUS and
# without a sanitizer's report.
expect_torvane_end() {
    wait_until 60 "end of torvane" test -s "$work/torvane.status"
    local status
    status=$(cat "$work/torvane.status")
    if grep -qE 'ERROR: [A-Za-z]+Sanitizer|runtime error:' "$work/torvane.out"; then
        cat "$work/torvane.out" >&2
        fail "torvane reported a memory or undefined-behaviour fault"
    fi
    [ "$status" = "$1" ] || { cat "$work/torvane.out" >&2; fail "torvane ended with status $status, not $1"; }
}

# The viewable windows of the program named exactly NAME (a pattern).
torvane_windows_named() {
    xdotool search --all --pid "$torvane" --onlyvisible --name "$1" 2>/dev/null
}

is_viewable() {
    xwininfo -id "$1" | grep -q 'Map State: IsViewable'
}

parent_of() {
    xwininfo -children -id "$1" | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p'
}

# The window below the root that holds window $1.
top_level_of() {
    local window root
    window=$(printf '0x%x' "$1")
    root=$(xwininfo -root | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')
    while :; do
        local parent
        parent=$(parent_of "$window")
        [ -n "$parent" ] && [ "$parent" != 0x0 ] || return 1
        [ "$parent" = "$root" ] && break
        window=$parent
    done
    echo "$window"
}

window_pid() {
    xprop -id "$1" _NET_WM_PID | sed -n 's/.* = \([0-9]*\)$/\1/p'
}
