#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The file browser in the real program: the remembered directory is listed on page 脚本; a
# double click hands a text file to the desktop's launcher (xdg-open, replaced here by a command
# that records what it was given), enters a folder, and a file without an extension in it is
# handed on as a file too. Usage: e2e_browser.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1
home=$work/home

tree="$home/tree"
mkdir -p "$tree/projects" "$home/bin"
: > "$tree/b.txt"
: > "$tree/projects/Makefile"
log="$home/opened.log"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s"\n' "$log" > "$home/bin/xdg-open"
chmod +x "$home/bin/xdg-open"
write_ini "$home" '[shuji]\r\n本地目录=%s\r\n' "$tree"

PATH="$home/bin:$PATH" start_quillbox "$home"
win=$qb_window
xdotool windowfocus --sync "$win"

# Page 脚本, then the rows in window coordinates: the folder first, the file below it.
doubleclick() { xdotool mousemove --window "$win" "$1" "$2" click --repeat 2 --delay 80 1; }
xdotool mousemove --window "$win" 70 75 click 1
doubleclick 65 189
wait_for 30 contains "$log" "$tree/b.txt" || fail "b.txt did not reach the launcher: $(cat "$log" 2>/dev/null)"

doubleclick 65 156
doubleclick 65 156
wait_for 30 contains "$log" "$tree/projects/Makefile" || fail "Makefile did not reach the launcher: $(cat "$log")"
kill -0 "$qb_pid" || fail "the program ended"
echo "e2e_browser: ok"
