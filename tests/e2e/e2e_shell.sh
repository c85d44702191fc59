#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shell end to end under a virtual X server: first run, stored geometry, closing, a damaged
# database and the description window.
# Usage: e2e_shell.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
quillbox=$1
mdbtool=$2

# "x,y wxh" of a window.
geometry_of() {
    xdotool getwindowgeometry "$1" | awk '/Position/ {split($2, p, ","); pos = p[1] "," p[2]} /Geometry/ {print pos, $2}'
}

# 1. First run: the database is created, no settings file, the window at (50, 50), 800 × 700.
home=$work/first
mkdir -p "$home"
start_quillbox "$home"
id=$qb_window
[ -f "$home/qbxdb.mdb" ] || fail "qbxdb.mdb not created"
tables=$(mdb-tables -1 "$home/qbxdb.mdb" | sort | tr '\n' ' ')
[ "$tables" = "关键字表 分类表 命令库 命令表 " ] || fail "mdbtools lists: $tables"
"$mdbtool" tables "$home/qbxdb.mdb" >/dev/null || fail "quillbox-mdb cannot read the created file"
[ ! -e "$home/mlkpz.ini" ] || fail "mlkpz.ini written at start-up"
[ "$(geometry_of "$id")" = "50,50 800x700" ] || fail "first-run geometry: $(geometry_of "$id")"
close_by_escape "$id" "$qb_pid" || fail "the program did not end on Esc"
exit_status "$qb_pid" || fail "process $qb_pid did not end"
[ "$status" = 0 ] || fail "exit status $status after Esc"
[ "$(ini_value "$home" 横坐标)" = 50 ] && [ "$(ini_value "$home" 纵坐标)" = 50 ] \
    || fail "position not stored at shut-down"

# 2. A stored size and position are applied, and the description window comes back under the
#    main window at its first activation.
home=$work/stored
mkdir -p "$home"
write_ini "$home" '[shezhi]\n宽度=640\n高度=480\n横坐标=100\n纵坐标=80\n提示窗=真\n'
start_quillbox "$home"
id=$qb_window
[ "$(geometry_of "$id")" = "100,80 640x480" ] || fail "stored geometry: $(geometry_of "$id")"
xdotool windowfocus --sync "$id"
desc=$(window_of '^命令说明$') || fail "命令说明 did not open at the first activation"
[ "$(geometry_of "$desc" | cut -d' ' -f1)" = "100,560" ] || fail "命令说明 at $(geometry_of "$desc")"
close_by_escape "$id" "$qb_pid" || fail "the program did not end on Esc"
exit_status "$qb_pid" || fail "process $qb_pid did not end"
[ "$status" = 0 ] || fail "exit status $status"
[ "$(ini_value "$home" 提示窗)" = 真 ] || fail "提示窗 changed by ending the program"

# 3. A damaged database: the message, exit status 0, the file byte for byte unchanged, no
#    settings file.
home=$work/damaged
mkdir -p "$home"
for _ in $(seq 512); do printf 'not a database!!'; done > "$home/qbxdb.mdb"
cp "$home/qbxdb.mdb" "$work/damaged.copy"
launch "$home"
box=$(window_of '^信息：$') || fail "no message box for the damaged database"
xdotool windowfocus --sync "$box"
xdotool key Return
exit_status "$qb_pid" || fail "process $qb_pid did not end"
[ "$status" = 0 ] || fail "exit status $status after the open failure"
cmp -s "$home/qbxdb.mdb" "$work/damaged.copy" || fail "damaged database was changed"
[ ! -e "$home/mlkpz.ini" ] || fail "mlkpz.ini written after the open failure"

echo "e2e_shell: ok"
