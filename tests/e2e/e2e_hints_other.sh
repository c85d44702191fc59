#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Command hints for another program's window: an X11 test client of our own, captured with the
# capture hotkey, is typed into. "pri" shows the list; "0" is kept from the client and the rest
# of the entry goes into the program's own editor; 300 characters typed with hints on all reach
# the client, none lost and none reordered, while lists come and go. Keys are recorded only
# while the captured client is the target: none before the capture and none after the editor is
# captured back.
# Usage: e2e_hints_other.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
# shellcheck source=support/hints.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/hints.sh"
quillbox=$1
mdb=$2
client=$3
home=$work/home
mkdir -p "$home"
hint_library "$home" "$mdb"

keys="$work/Hint Client.keys"
# The keys the client received, without the Shift presses xdotool adds for capitals.
client_keys() { grep -v '^Shift' "$keys" || true; }
focused_on() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }

start_quillbox "$home"
# Its first activation makes the editor the target, as a window manager would at start.
xdotool windowfocus --sync "$qb_window"
wait_for 20 focused_on "$qb_window" || fail "the main window did not take the focus"
start_client 'Hint Client' 300x200+900+100; client_window=$id
recording_contexts 0 || fail "keys are recorded before another window is the target"

capture "$home" "$client_window" ctrl+F12
recording_contexts 1 || fail "no key recording while the client is the target with hints on"
xdotool windowfocus --sync "$client_window"
: > "$keys" # the hotkey's Control press went to the client under the pointer

# pri: the letters reach the client, and the list shows; 0 is kept from the client.
xdotool type --delay 40 'pri'
wait_for 20 hint_shown "$qb_pid" || fail "typing pri into the client showed no hints"
xdotool key 0
wait_for 20 hint_hidden "$qb_pid" || fail "0 did not hide the list"
# The editor takes the focus 200 ms after the insertion; then it saves what it holds.
wait_for 20 focused_on "$qb_window" || fail "the editor did not take the focus after the choice"
save_script
wait_for 20 has_line "$script" 'nt(' || fail "the rest of print( did not go into the editor: $(cat "$script")"
[ "$(client_keys | tr '\n' ' ')" = "p r i " ] || fail "the client received: $(client_keys | tr '\n' ' ')"

# 300 characters with hints on: lists appear and hide (p, pr, pri, len...), the keys they take
# (digits, space, Esc) are not among them, and the client gets every other key in order.
: > "$keys"
xdotool windowfocus --sync "$client_window"
phrase='Print(value);private.len=Items,pRiNt(len);'
text=''
while [ ${#text} -lt 300 ]; do text+=$phrase; done
text=${text:0:300}
xdotool type --delay 15 "$text"
expected=$(printf '%s' "$text" | sed -e 's/./&\n/g' | sed -e '/^$/d' -e 's/^($/parenleft/' -e 's/^)$/parenright/' \
    -e 's/^;$/semicolon/' -e 's/^\.$/period/' -e 's/^=$/equal/' -e 's/^,$/comma/')
wait_for 60 eval '[ "$(client_keys | wc -l)" -ge 300 ]' || fail "the client got $(client_keys | wc -l) of 300 keys"
[ "$(client_keys)" = "$expected" ] || fail "keys lost or reordered: $(diff <(echo "$expected") <(client_keys) | head -5)"
# The hints were at work all along: the client is still the target and a list still shows.
recording_contexts 1 || fail "the recording ended while typing"
xdotool key Escape
xdotool type --delay 40 'pr'
wait_for 20 hint_shown "$qb_pid" || fail "typing pr into the client after the 300 characters showed no hints"

# The program's own editor captured back: no recording any more.
xdotool key Escape
capture "$home" "$qb_window" ctrl+F12
recording_contexts 0 || fail "keys are still recorded after the editor became the target again"
echo "e2e_hints_other: ok"
