#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The capture hotkey end to end under a virtual X server, with X11 test clients of our own:
# capturing a client under the pointer (also with NumLock and CapsLock on), a combination
# another client holds, a hotkey changed in 系统设置 (old and new both work until a restart,
# then only the new one), the notice through XWayland, and the same captures under the openbox
# window manager, where windows are framed, with 窗口总在最前 from the dialog.
# Usage: e2e_hotkeys.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1
client=$3

# typed_into <client> <line> <keys>: points at the client, presses the keys and waits until the
# client has logged that line (the focus follows the pointer without a window manager).
typed_into() {
    xdotool mousemove --window "$(cat "$work/$1.id")" 40 40
    xdotool key "$3"
    wait_for 20 has_line "$work/$1.keys" "$2" || fail "$1 did not log '$2': $(tr '\n' '|' < "$work/$1.keys")"
}

# open_settings: opens 功能(&G) → 系统设置 from the keyboard and sets $dialog.
open_settings() {
    xdotool windowfocus --sync "$qb_window"
    xdotool key alt+g
    xdotool key Return
    dialog=$(window_of '^系统设置$') || fail "系统设置 did not open"
}

# set_hotkey <home> <key>: chooses 空 (the last modifier entry) and the key in 系统设置, then 确定.
set_hotkey() {
    local home=$1 key=$2
    open_settings
    xdotool mousemove --window "$dialog" 120 52 click 1
    xdotool key Down Down Down Down
    xdotool mousemove --window "$dialog" 194 51 click 1
    xdotool key ctrl+a
    xdotool type "$key"
    xdotool mousemove --window "$dialog" 111 104 click 1
    wait_for 20 eval '[ "$(ini_value "$home" 捕获窗口)" = "$key" ]' \
        || fail "捕获窗口 not stored as $key: $(ini_value "$home" 捕获窗口)"
}

start_client qb-a 300x200+900+100 --with-state; a=$id
start_client qb-b 300x200+900+400; b=$id

# 1. Ctrl+F12 captures the client under the pointer, whatever the lock keys; the grabbed key
#    never reaches the client itself.
home=$work/first
mkdir -p "$home"
start_quillbox "$home"
grep -qx 'hotkey-register Ctrl+F12 33001' "$home/out.txt" || fail "registration: $(cat "$home/out.txt")"
capture "$home" "$a" ctrl+F12
capture "$home" "$b" ctrl+F12
# The client logs the lock state (Mod2 NumLock, Lock CapsLock) to show it is really on. Keypad
# keys would not do: xdotool toggles NumLock itself to type them.
xdotool key Num_Lock
typed_into qb-a 'x 0x10' x
capture "$home" "$a" ctrl+F12
xdotool key Num_Lock Caps_Lock
typed_into qb-a 'A 0x2' a
capture "$home" "$b" ctrl+F12
xdotool key Caps_Lock
typed_into qb-a 'y 0x0' y
! grep -q '^F12 ' "$work/qb-a.keys" || fail "the grabbed Ctrl+F12 reached the client"

# 2. 系统设置 stores F8: F8 captures at once and Ctrl+F12 still does until the program ends.
set_hotkey "$home" F8
grep -qx 'hotkey-register F8 33002' "$home/out.txt" || fail "F8 registration: $(cat "$home/out.txt")"
capture "$home" "$a" F8
capture "$home" "$b" ctrl+F12
stop_quillbox

# 3. After a restart only F8 is registered: Ctrl+F12 goes to the client under the pointer.
start_quillbox "$home"
grep -qx 'hotkey-register F8 33001' "$home/out.txt" || fail "restart registration: $(cat "$home/out.txt")"
[ "$(grep -c '^hotkey-register' "$home/out.txt")" = 1 ] || fail "more than F8 registered after the restart"
typed_into qb-a "F12 0x4" ctrl+F12
capture "$home" "$b" F8
! grep -qxF "status 已锁定窗口：$a" "$home/out.txt" || fail "Ctrl+F12 still captured after the restart"
stop_quillbox

# 4. A combination another client holds: reported in the status bar, stored all the same, and
#    the program carries on (a hotkey set afterwards works).
start_client qb-holder 200x100+900+700 --grab control+F10
home=$work/taken
mkdir -p "$home"
write_ini "$home" '[快捷键]\n捕获窗口=Ctrl+F10\n'
start_quillbox "$home"
grep -qx 'hotkey-register Ctrl+F10 0' "$home/out.txt" || fail "taken registration: $(cat "$home/out.txt")"
grep -qxF 'status 快捷键 Ctrl+F10 未能注册：已被其他程序占用' "$home/out.txt" || fail "no notice: $(cat "$home/out.txt")"
typed_into qb-holder F10 ctrl+F10
set_hotkey "$home" F9
capture "$home" "$a" F9
kill -0 "$qb_pid" || fail "the program ended"
stop_quillbox

# 5. Through XWayland (WAYLAND_DISPLAY set, Qt on xcb): one line on standard error, and the
#    hotkey still works for X11 windows.
home=$work/xwayland
mkdir -p "$home"
WAYLAND_DISPLAY=wayland-test start_quillbox "$home"
capture "$home" "$a" ctrl+F12
[ "$(grep -c 'XWayland' "$home/err.txt")" = 1 ] || fail "XWayland notice: $(cat "$home/err.txt")"
stop_quillbox

# 6. Under a window manager: the client inside the frame is captured, the program's own window
#    restores its editor, and 窗口总在最前 puts the shown window on top at once.
framed_run() {
    openbox --sm-disable > "$work/openbox.log" 2>&1 &
    wait_for 20 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"
    start_client qb-framed 300x200+900+100; framed=$id
    home=$work/framed
    mkdir -p "$home"
    start_quillbox "$home"
    xwininfo -id "$framed" -children | grep -q '^ *Parent window id: .*(the root window)' \
        && fail "qb-framed is not framed"
    capture "$home" "$framed" ctrl+F12
    xdotool key Num_Lock
    capture "$home" "$qb_window" ctrl+F12
    xdotool key Num_Lock
    open_settings
    xdotool mousemove --window "$dialog" 136 22 click 1
    wait_for 20 eval '[ "$(ini_value "$home" zzzq)" = 真 ]' || fail "zzzq not stored"
    wait_for 20 eval 'xprop -id "$(xdotool search --onlyvisible --name "^Quillbox\$" | head -1)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE' \
        || fail "the main window is not on top (or not shown)"
    stop_quillbox
}
if command -v openbox >/dev/null; then
    framed_run
else
    echo "e2e_hotkeys: openbox not installed; the window-manager checks are skipped"
fi

echo "e2e_hotkeys: ok"
