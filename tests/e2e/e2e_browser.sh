#!/usr/bin/env bash
# The file browser in the real program: the remembered directory is listed on page 脚本; a
# double click hands a text file to the desktop's launcher (xdg-open, replaced here by a command
# that records what it was given), enters a folder, and a file without an extension in it is
# handed on as a file too.
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
    echo "e2e_browser: timed out waiting for: $*" >&2
    return 1
}
visible() { xdotool search --onlyvisible --name "$1"; }
contains() { grep -q -- "$2" "$1"; }
fail() { echo "e2e_browser: $*" >&2; exit 1; }

tree="$home/tree"
mkdir -p "$tree/projects" "$home/bin"
: > "$tree/b.txt"
: > "$tree/projects/Makefile"
log="$home/opened.log"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' "$log" > "$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"
printf '[shuji]\r\n本地目录=%s\r\n' "$tree" | iconv -f UTF-8 -t GBK > "$home/mlkpz.ini"

PATH="$home/bin:$PATH" QUILLBOX_HOME=$home "$quillbox" &
pid=$!
waitfor visible '^Quillbox$'
win=$(visible '^Quillbox$' | head -1)
xdotool windowfocus --sync "$win"

# Page 脚本, then the rows in window coordinates: the folder first, the file below it.
doubleclick() { xdotool mousemove --window "$win" "$1" "$2" click --repeat 2 --delay 80 1; }
xdotool mousemove --window "$win" 70 75 click 1
doubleclick 65 189
waitfor contains "$log" "$tree/b.txt" || fail "b.txt did not reach the launcher: $(cat "$log" 2>/dev/null)"

doubleclick 65 156
doubleclick 65 156
waitfor contains "$log" "$tree/projects/Makefile" || fail "Makefile did not reach the launcher: $(cat "$log")"
kill -0 "$pid" || fail "the program ended"
echo "e2e_browser: ok"
