#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The editor in the real program: the last script reopens at start; 保存 writes typed text to it;
# closing the window with unsaved edits asks "脚本已修改，是否保存？": 取消 (Esc) keeps the
# window, 是 (Enter) saves and the program ends.
# Usage: e2e_editor.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1
home=$work/home
mkdir -p "$home"

script="$home/my script.py"
printf 'x = 1\r\n' > "$script"
write_ini "$home" '[记录]\r\n历史文件=%s\r\n' "$script"

start_quillbox "$home"
win=$qb_window
# Without a window manager nothing gives the window the input focus.
xdotool windowfocus --sync "$win"

# Type at the start of the reopened text, then 文件(&W) → 保存.
xdotool mousemove --window "$win" 500 200 click 1
xdotool key ctrl+Home
xdotool type --delay 50 'ab'
save_script
wait_for 30 contains "$script" "abx = 1" || fail "保存 did not write the typed text: $(cat "$script")"

# An unsaved edit, then Esc from the tree (which leaves Esc to the window): the question.
xdotool type --delay 50 'cd'
xdotool mousemove --window "$win" 100 150 click 1
xdotool key Escape
wait_for 30 visible '^询问：$'
xdotool key Escape
wait_for 30 hidden '^询问：$'
ended "$qb_pid" && fail "the program ended after 取消"
contains "$script" 'cd' && fail "saved although cancelled"

xdotool key Escape
wait_for 30 visible '^询问：$'
xdotool key Return
wait_for 30 ended "$qb_pid"
contains "$script" 'abcdx = 1' || fail "edits not saved: $(cat "$script")"
echo "e2e_editor: ok"
