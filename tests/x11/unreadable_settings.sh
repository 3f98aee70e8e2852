#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The real torvane with a settings file it cannot read: a message box
# titled "Torvane" says why, and once the user has dismissed it the program
# ends with status 1 and the file is exactly as it was. Two files, both
# made from one that torvane-headless wrote: one cut off in the middle (not
# JSON), one whose Port is a word.
#   tests/x11/unreadable_settings.sh BUILD_DIR
source "$(dirname "$0")/session.sh"
enter_private_session "$@"
build=$1
settings=$XDG_CONFIG_HOME/torvane/settings.json

echo quit | "$build/torvane-headless" >"$work/headless.out" 2>&1 || fail "torvane-headless could not write settings"
grep -q '^    "Port": 27910,$' "$settings" || fail "no Port in the settings torvane-headless wrote"
cp "$settings" "$work/valid.json"

# The failure's text: selected with a triple click (the box lets the user
# select it) and read back from the X primary selection.
box_text() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --sync $((X + WIDTH * 3 / 5)) $((Y + HEIGHT / 4)) click --repeat 3 --delay 80 1
    wait_until 10 "selected text in the message box" xclip -o -selection primary
    xclip -o -selection primary
}

# expect_refused WHAT TEXT: torvane starts on the settings file as it is
# now, shows a box with TEXT and ends when the box is dismissed.
expect_refused() {
    local what=$1 expected=$2
    cp "$settings" "$work/before.json"
    start_torvane "$build"
    wait_until 60 "message box for $what" torvane_windows_named '^Torvane$'
    local box
    box=$(torvane_windows_named '^Torvane$' | head -n 1)
    [ "$(window_pid "$(top_level_of "$box")")" = "$torvane" ] || fail "the message box is not a top-level window"
    local text
    text=$(box_text "$box")
    [[ $text == *"$expected"* ]] || fail "the box for $what says '$text', not '$expected'"
    xdotool windowfocus --sync "$box"
    xdotool key Return
    expect_torvane_end 1
    cmp -s "$work/before.json" "$settings" || fail "the settings file changed after $what"
    [ -z "$(ls -A "$work/config/torvane" | grep -vx settings.json)" ] || fail "new files beside the settings"
    echo "$what: refused with '$text', file unchanged"
}

head -c 400 "$work/valid.json" >"$settings"
expect_refused "a cut-off file" "Settings file '$settings' is not valid at line"

sed '0,/^    "Port": 27910,$/s//    "Port": "twenty",/' "$work/valid.json" >"$settings"
expect_refused "a word for Port" "Invalid data type for 'Port'"
