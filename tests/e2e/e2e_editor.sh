#!/usr/bin/env bash
# The editor in the real program: the last script reopens at start; 保存 writes typed text to it;
# closing the window with unsaved edits asks "脚本已修改，是否保存？": 取消 (Esc) keeps the
# window, 是 (Enter) saves and the program ends.
set -euo pipefail
quillbox=$1
home=$(mktemp -d)
pid=
cleanup() { if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$home"; }
trap cleanup EXIT

# Polls a command until it succeeds, for about 30 s.
waitfor() {
    for _ in $(seq 150); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.2
    done
    echo "e2e_editor: timed out waiting for: $*" >&2
    return 1
}
visible() { xdotool search --onlyvisible --name "$1"; }
hidden() { ! visible "$1"; }
stopped() { ! kill -0 "$pid" 2>/dev/null; }
contains() { grep -q -- "$2" "$1"; }
fail() { echo "e2e_editor: $*" >&2; exit 1; }

script="$home/my script.py"
printf 'x = 1\r\n' > "$script"
printf '[记录]\r\n历史文件=%s\r\n' "$script" | iconv -f UTF-8 -t GBK > "$home/mlkpz.ini"

QUILLBOX_HOME=$home "$quillbox" &
pid=$!
waitfor visible '^Quillbox$'
win=$(visible '^Quillbox$' | head -1)
# Without a window manager nothing gives the window the input focus.
xdotool windowfocus --sync "$win"

# Type at the start of the reopened text, then 文件(&W) → 保存 (the first item is active).
xdotool mousemove --window "$win" 500 200 click 1
xdotool key ctrl+Home
xdotool type --delay 50 'ab'
xdotool key alt+w Down Return
waitfor contains "$script" "abx = 1" || fail "保存 did not write the typed text: $(cat "$script")"

# An unsaved edit, then Esc from the tree (which leaves Esc to the window): the question.
xdotool type --delay 50 'cd'
xdotool mousemove --window "$win" 100 150 click 1
xdotool key Escape
waitfor visible '^询问：$'
xdotool key Escape
waitfor hidden '^询问：$'
stopped && fail "the program ended after 取消"
contains "$script" 'cd' && fail "saved although cancelled"

xdotool key Escape
waitfor visible '^询问：$'
xdotool key Return
waitfor stopped
pid=
contains "$script" 'abcdx = 1' || fail "edits not saved: $(cat "$script")"
echo "e2e_editor: ok"
