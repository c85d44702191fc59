#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cursor tracking in another program's window: Geany (a GTK program that reports its caret on
# the accessibility bus), started with a fresh configuration and captured with the capture
# hotkey, gets the hint list at its caret + (10, 20) once the caret has moved by typing, far from
# the pointer; the caret is read independently through AT-SPI (support/atspi-text.py). So does a
# plain Qt text window (support/qb-qttext.cpp) with Qt's accessibility switched on. The X11 test
# client, which has no accessibility, gets the list beside the pointer. The program is on the
# accessibility bus while another program's window is the target, and leaves it once its own
# editor is captured back. Runs inside a
# session bus of its own (dbus-run-session), on which the accessibility bus is started on demand.
# Usage: e2e_hints_caret.sh <quillbox> <quillbox-mdb> <qb-testclient>
if [ -z "${QB_SESSION_BUS:-}" ]; then
    QB_SESSION_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
# shellcheck source=support/hints.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/hints.sh"
quillbox=$1
mdb=$2
client=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
command -v geany >/dev/null || fail "geany is not installed (tools/install-deps.sh test)"
home=$work/home
mkdir -p "$home"
hint_library "$home" "$mdb"
write_ini "$home" '[xitong]\r\nmlts=真\r\ngbgz=真\r\n[记录]\r\n历史文件=%s\r\n' "$script"

# hint_at <pid>: prints "x y" of the shown hint window of the program <pid>.
hint_at() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        if xdotool getwindowgeometry "$w" | grep -q 'Geometry: 160x176'; then
            xdotool getwindowgeometry --shell "$w" | sed -n 's/^[XY]=//p' | tr '\n' ' '
            return 0
        fi
    done
    return 1
}
# near <x y> <x y>: the two points are at most 2 px apart in each direction.
near() { [ $(($1 - $3)) -ge -2 ] && [ $(($1 - $3)) -le 2 ] && [ $(($2 - $4)) -ge -2 ] && [ $(($2 - $4)) -le 2 ]; }
# list_at_caret <pid>: the hint list's top-left is the caret + (10, 20).
list_at_caret() {
    local caret list
    caret=$(/usr/bin/python3 "$here/support/atspi-text.py" caret "$1") || return 1
    [ -n "$caret" ] || return 1
    list=$(hint_at "$qb_pid") || return 1
    read -r cx cy <<< "$caret"
    read -r lx ly <<< "$list"
    near "$lx" "$ly" $((cx + 10)) $((cy + 20))
}

start_quillbox "$home"
xdotool windowfocus --sync "$qb_window"

# Geany with a configuration of its own, a new instance, one empty file.
: > "$work/caret.py"
geany --config "$work/geany" --new-instance "$work/caret.py" > "$work/geany.txt" 2>&1 &
geany_pid=$!
geany_window=$(window_of 'caret\.py' "$geany_pid") || fail "Geany did not show: $(cat "$work/geany.txt")"
xdotool windowmove "$geany_window" 0 0 windowsize "$geany_window" 900 700
capture "$home" "$geany_window" ctrl+F12
xdotool windowfocus --sync "$geany_window"
# The caret moves by typing: two lines, the second indented; the pointer is kept far from it.
xdotool mousemove 880 680
xdotool type --delay 40 'value = 1'
xdotool key Return
xdotool type --delay 40 '        pri'
wait_for 20 hint_shown "$qb_pid" || fail "typing pri into Geany showed no hints"
wait_for 10 list_at_caret "$geany_pid" \
    || fail "the list is at $(hint_at "$qb_pid"), Geany's caret at $(/usr/bin/python3 "$here/support/atspi-text.py" caret "$geany_pid")"
read -r first_x first_y <<< "$(hint_at "$qb_pid")"
# Further typing moves the caret, and the list with it.
xdotool key Escape
xdotool type --delay 40 ' pr'
wait_for 20 hint_shown "$qb_pid" || fail "typing pr into Geany showed no hints"
wait_for 10 list_at_caret "$geany_pid" || fail "after more typing the list is at $(hint_at "$qb_pid")"
read -r second_x _ <<< "$(hint_at "$qb_pid")"
[ "$second_x" -gt "$first_x" ] || fail "the list did not follow the caret: $first_x,$first_y then $second_x"
xdotool key Escape
kill -KILL "$geany_pid" # Geany would ask about its unsaved text

# A Qt program, with Qt's accessibility switched on for it.
qttext="$(dirname "$quillbox")/tests/e2e/qb-qttext"
[ -x "$qttext" ] || fail "qb-qttext is not built"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$qttext" 'Qt Text' 600x400+300+200 > "$work/qttext.txt" 2>&1 &
qt_pid=$!
qt_window=$(window_of '^Qt Text$' "$qt_pid") || fail "the Qt text window did not show"
capture "$home" "$qt_window" ctrl+F12
xdotool windowfocus --sync "$qt_window"
xdotool mousemove 1200 1000
xdotool type --delay 40 'x = 1'
xdotool key Return
xdotool type --delay 40 '    pri'
wait_for 20 hint_shown "$qb_pid" || fail "typing pri into the Qt window showed no hints"
wait_for 10 list_at_caret "$qt_pid" \
    || fail "the list is at $(hint_at "$qb_pid"), the Qt window's caret at $(/usr/bin/python3 "$here/support/atspi-text.py" caret "$qt_pid")"
xdotool key Escape
kill "$qt_pid"

# The test client has no accessibility: the list goes beside the pointer.
start_client 'Caret Client' 300x200+950+100; client_window=$id
capture "$home" "$client_window" ctrl+F12
xdotool windowfocus --sync "$client_window"
xdotool mousemove 1000 150
xdotool type --delay 40 'pri'
wait_for 20 hint_shown "$qb_pid" || fail "typing pri into the client showed no hints"
wait_for 10 eval 'near $(hint_at "$qb_pid") 1010 170' || fail "the client's list is at $(hint_at "$qb_pid"), not beside the pointer at 1000,150"
a11y_connections() { [ "$(/usr/bin/python3 "$here/support/a11y-connections.py" "$qb_pid")" = "$1" ]; }
a11y_connections 1 || fail "the program is not on the accessibility bus while the client is the target"
xdotool key Escape
xdotool windowraise "$qb_window"
capture "$home" "$qb_window" ctrl+F12
wait_for 10 a11y_connections 0 || fail "the program stays on the accessibility bus with its own editor as the target"
echo "e2e_hints_caret: ok"
