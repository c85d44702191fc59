#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Command hints in the real program's own editor: typing shows the entries of 命令表 that begin
# with the letters; Esc hides the list without closing the window; "0" puts the rest of the
# first entry into the editor and is not typed itself. While the editor is the target no key
# recording exists on the display. Usage: e2e_hints.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
# shellcheck source=support/hints.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/hints.sh"
quillbox=$1
mdb=$2
home=$work/home
mkdir -p "$home"
hint_library "$home" "$mdb"

start_quillbox "$home"
win=$qb_window
# Without a window manager nothing gives the window the input focus.
xdotool windowfocus --sync "$win"
xdotool mousemove --window "$win" 500 200 click 1
hint_hidden "$qb_pid" || fail "the hint window shows before anything was typed"

xdotool type --delay 50 'pri'
wait_for 30 hint_shown "$qb_pid" || fail "typing pri showed no hints"
recording_contexts 0 || fail "key recording context(s) exist while the program's own editor is the target"
# Esc hides the list and is not typed; the window stays open although it closes on Esc otherwise.
xdotool key Escape
wait_for 30 hint_hidden "$qb_pid" || fail "Esc did not hide the list"
kill -0 "$qb_pid" || fail "Esc reached the window and closed it"
save_script
wait_for 30 has_line "$script" 'pri' || fail "unexpected text after Esc: $(cat "$script")"

# A new prefix: the space passes, "pr" finds print( and private; 0 puts the rest of the first
# into the editor and is not typed itself. (Nothing is typed after the insertion: the caret
# moves behind the inserted text only 200 ms later.)
xdotool type --delay 50 ' pr'
wait_for 30 hint_shown "$qb_pid" || fail "typing pr showed no hints"
xdotool key 0
wait_for 30 hint_hidden "$qb_pid" || fail "0 did not hide the list"
save_script
wait_for 30 has_line "$script" 'pri print(' || fail "0 did not insert the rest (or the digit went in): $(cat "$script")"
echo "e2e_hints: ok"
