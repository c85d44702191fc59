#!/usr/bin/env bash
# Command hints for another program's window: an X11 test client of our own, captured with the
# capture hotkey, is typed into. "pri" shows the list; "0" is kept from the client and the rest
# of the entry goes into the program's own editor; 300 characters typed with hints on all reach
# the client, none lost and none reordered, while lists come and go. Keys are recorded only
# while the captured client is the target: none before the capture and none after the editor is
# captured back.
# Usage: e2e_hints_other.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
quillbox=$1
mdb=$2
client=$3
contexts="$(dirname "$quillbox")/tests/e2e/qb-recordcontexts"
home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT

fail() { echo "e2e_hints_other: FAIL: $*" >&2; exit 1; }

# wait_for <seconds> <command...>: runs the command until it succeeds or the time is up.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}
# The hint window: the program's visible 160 × 176 window.
hint_shown() {
    for w in $(xdotool search --onlyvisible --pid "$qb_pid" 2>/dev/null); do
        xdotool getwindowgeometry "$w" | grep -q 'Geometry: 160x176' && return 0
    done
    return 1
}
hint_hidden() { ! hint_shown; }
# recording_contexts <n>: the display holds n key recordings (skipped without the counter).
recording_contexts() {
    [ -x "$contexts" ] || { echo "e2e_hints_other: qb-recordcontexts not built: recording check skipped"; return 0; }
    [ "$("$contexts")" = "$1" ]
}
count_lines() { grep -cxF "$2" "$1" || true; }
# capture <window>: points at it, presses the capture hotkey, waits for the status text.
capture() {
    local line="status 已锁定窗口：$1" before
    before=$(count_lines "$home/out.txt" "$line")
    xdotool mousemove --window "$1" 40 40
    xdotool key ctrl+F12
    wait_for 20 eval '[ "$(count_lines "$home/out.txt" "$line")" -gt "$before" ]' \
        || fail "no '$line' in: $(tr '\n' '|' < "$home/out.txt")"
}
# The keys the client received, without the Shift presses xdotool adds for capitals.
client_keys() { grep -v '^Shift' "$home/client.keys" || true; }
focused_on() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }

password=HPQVNRtoka3906
"$mdb" create "$home/qbxdb.mdb" >/dev/null
for hint in 'print(' 'private' 'len('; do
    "$mdb" exec "$home/qbxdb.mdb" "insert into 命令表(命令,说明) values ('$hint','')" --password "$password" >/dev/null
done
script="$home/hints.py"
: > "$script"
printf '[xitong]\r\nmlts=真\r\ngbgz=假\r\n[记录]\r\n历史文件=%s\r\n' "$script" | iconv -f UTF-8 -t GBK > "$home/mlkpz.ini"

QUILLBOX_HOME=$home QUILLBOX_REPORT_HOTKEYS=1 "$quillbox" > "$home/out.txt" 2> "$home/err.txt" &
qb_pid=$!
wait_for 20 grep -q '^hotkey-register ' "$home/out.txt" || fail "no hotkey registration: $(cat "$home/err.txt")"
qb_window=""
wait_for 20 eval 'qb_window=$(xdotool search --onlyvisible --name "^Quillbox\$" | head -1); [ -n "$qb_window" ]' \
    || fail "main window did not appear"
# Its first activation makes the editor the target, as a window manager would at start.
xdotool windowfocus --sync "$qb_window"
wait_for 20 focused_on "$qb_window" || fail "the main window did not take the focus"
"$client" --title 'Hint Client' --geometry 300x200+900+100 --keys "$home/client.keys" > "$home/client.id" &
wait_for 20 test -s "$home/client.id" || fail "the client did not show"
client_window=$(cat "$home/client.id")
recording_contexts 0 || fail "keys are recorded before another window is the target"

capture "$client_window"
recording_contexts 1 || fail "no key recording while the client is the target with hints on"
xdotool windowfocus --sync "$client_window"
: > "$home/client.keys" # the hotkey's Control press went to the client under the pointer

# pri: the letters reach the client, and the list shows; 0 is kept from the client.
xdotool type --delay 40 'pri'
wait_for 20 hint_shown || fail "typing pri into the client showed no hints"
xdotool key 0
wait_for 20 hint_hidden || fail "0 did not hide the list"
# The editor takes the focus 200 ms after the insertion; then it saves what it holds.
wait_for 20 focused_on "$qb_window" || fail "the editor did not take the focus after the choice"
xdotool key alt+w Down Return
wait_for 20 grep -qx 'nt(' "$script" || fail "the rest of print( did not go into the editor: $(cat "$script")"
[ "$(client_keys | tr '\n' ' ')" = "p r i " ] || fail "the client received: $(client_keys | tr '\n' ' ')"

# 300 characters with hints on: lists appear and hide (p, pr, pri, len...), the keys they take
# (digits, space, Esc) are not among them, and the client gets every other key in order.
: > "$home/client.keys"
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
wait_for 20 hint_shown || fail "typing pr into the client after the 300 characters showed no hints"

# The program's own editor captured back: no recording any more.
xdotool key Escape
capture "$qb_window"
recording_contexts 0 || fail "keys are still recorded after the editor became the target again"
echo "e2e_hints_other: ok"
