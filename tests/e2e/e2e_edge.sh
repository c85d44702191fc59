#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Edge docking of the real program under a virtual X server, driven by the pointer: a window at
# left = 3 slides into a 2-pixel strip at x = 0 without a frame when the pointer leaves it, and
# back to its stored size when the pointer touches the strip; the settings file is not touched
# until the program ends. Run once without a window manager (frame = client area) and once under
# openbox when it is installed (the frame comes and goes with the border).
# Usage: e2e_edge.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1

# "x,y wxh" of a window's client area on the screen.
client_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
                             /Width:/ {w = $2} /Height:/ {h = $2} END {print x "," y " " w "x" h}'
}

is_client() { [ "$(client_of "$1")" = "$2" ]; }
is_width() { [ "$(client_of "$1" | sed 's/.* \([0-9-]*\)x.*/\1/')" = "$2" ]; }

# The frame the window manager draws around the client, "left, right, top, bottom".
frame_of() { xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p'; }
# Whether the program asked for no decorations (_MOTIF_WM_HINTS flags with decorations 0).
undecorated() { xprop -id "$1" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x1, 0x0,'; }
decorated() { ! undecorated "$1"; }
framed() { local f; f=$(frame_of "$1"); [ -n "$f" ] && [ "$f" != "0, 0, 0, 0" ]; }
unframed() { [ "$(frame_of "$1")" = "0, 0, 0, 0" ]; }

# What changed in the settings file since the run started ("" when nothing), in UTF-8.
settings_change() { diff "$work/$1.ini" "$2/mlkpz.ini" | iconv -f GBK -t UTF-8 | tr '\n' '|' || true; }
# The settings file of <home> is the one of the run's start, not rewritten: the program writes a
# whole new file each time, so a write that put the same text back still shows.
settings_untouched() { cmp -s "$2/mlkpz.ini" "$work/$1.ini" && [ "$(stat -c %i "$2/mlkpz.ini")" = "$3" ]; }

# One docking run. $1: label, $2: "wm" when a window manager runs.
run_case() {
    local label=$1 wm=$2 home=$work/$1
    local border=0 top=0 bottom=0
    mkdir -p "$home"
    write_ini "$home" '[shezhi]\n宽度=640\n高度=480\n横坐标=3\n纵坐标=100\n'
    cp "$home/mlkpz.ini" "$work/$label.ini"
    local inode
    inode=$(stat -c %i "$home/mlkpz.ini")
    # The pointer starts inside the window-to-be, so that nothing docks before the checks.
    xdotool mousemove 300 300
    [ "$(xdotool getmouselocation | cut -d' ' -f1,2)" = "x:300 y:300" ] || fail "$label: pointer not moved"
    start_quillbox "$home"
    local id=$qb_window
    if [ "$wm" = wm ]; then
        wait_for 20 framed "$id" || fail "$label: no frame at start: $(frame_of "$id")"
        # The frame's outer left edge is at 3: the client starts the frame's left border further in.
        border=$(frame_of "$id" | cut -d, -f1)
        top=$(frame_of "$id" | cut -d, -f3 | tr -d ' ')
        bottom=$(frame_of "$id" | cut -d, -f4 | tr -d ' ')
        wait_for 20 is_client "$id" "$((3 + border)),$((100 + top)) 640x480" \
            || fail "$label: start geometry $(client_of "$id")"
    else
        wait_for 20 is_client "$id" "3,100 640x480" || fail "$label: start geometry $(client_of "$id")"
    fi

    # The pointer leaves: a strip 2 pixels wide at x = 0 without a frame, as tall as the window
    # was with its frame.
    xdotool mousemove 900 700
    wait_for 20 is_width "$id" 2 || fail "$label: not shrunk: $(client_of "$id")"
    wait_for 20 is_client "$id" "0,100 2x$((480 + top + bottom))" || fail "$label: strip at $(client_of "$id")"
    undecorated "$id" || fail "$label: the strip asks for decorations"
    if [ "$wm" = wm ]; then
        wait_for 20 unframed "$id" || fail "$label: the strip has a frame: $(frame_of "$id")"
    fi
    settings_untouched "$label" "$home" "$inode" \
        || fail "$label: settings written by the shrink: $(settings_change "$label" "$home")"

    # The pointer onto the strip: back to the stored size with its frame.
    xdotool mousemove 1 300
    wait_for 20 is_width "$id" 640 || fail "$label: not expanded: $(client_of "$id")"
    decorated "$id" || fail "$label: no decorations after the expand"
    if [ "$wm" = wm ]; then
        wait_for 20 framed "$id" || fail "$label: no frame after the expand"
        wait_for 20 is_client "$id" "$border,$((100 + top)) 640x480" \
            || fail "$label: expanded to $(client_of "$id")"
    else
        wait_for 20 is_client "$id" "0,100 640x480" || fail "$label: expanded to $(client_of "$id")"
    fi
    settings_untouched "$label" "$home" "$inode" \
        || fail "$label: settings written by the expand: $(settings_change "$label" "$home")"

    # Ending the program stores where the window (its frame) now is; the size stays as stored.
    close_by_escape "$id" "$qb_pid" || fail "$label: the program did not end"
    wait "$qb_pid" || true
    [ "$(ini_value "$home" 横坐标),$(ini_value "$home" 纵坐标)" = "0,100" ] \
        || fail "$label: stored position $(ini_value "$home" 横坐标),$(ini_value "$home" 纵坐标)"
    [ "$(ini_value "$home" 宽度)x$(ini_value "$home" 高度)" = "640x480" ] \
        || fail "$label: stored size $(ini_value "$home" 宽度)x$(ini_value "$home" 高度)"
}

# The X server resets when its last client disconnects: the pointer jumps back to the centre and
# connections fail for a moment. A client that stays connected for the whole script prevents it.
xprop -root -spy _NET_SUPPORTING_WM_CHECK >"$work/keeper.log" 2>&1 &
keeper_connected() { grep -q '^_NET_SUPPORTING_WM_CHECK' "$work/keeper.log"; }
wait_for 20 keeper_connected || fail "no connection to the X server: $(cat "$work/keeper.log")"

run_case bare none
echo "e2e_edge: without a window manager: ok"

if command -v openbox >/dev/null; then
    openbox >"$work/openbox.log" 2>&1 & wmpid=$!
    wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
    wait_for 20 wm_running || fail "openbox did not start: $(cat "$work/openbox.log")"
    run_case openbox wm
    echo "e2e_edge: under openbox: ok"
    kill $wmpid
else
    echo "e2e_edge: openbox not installed: the run with a window manager is skipped"
fi

echo "e2e_edge: ok"
