#!/usr/bin/env bash
# The shell end to end under a virtual X server: first run, stored geometry, closing, a damaged
# database and the description window. Usage: e2e_shell.sh <quillbox> <quillbox-mdb>
set -euo pipefail
quillbox=$1
mdbtool=$2
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

fail() { echo "e2e_shell: FAIL: $*" >&2; exit 1; }

# Waits up to 20 s for a visible window whose name matches $1 and prints its id.
window_of() {
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# "x,y wxh" of a window.
geometry_of() {
    xdotool getwindowgeometry "$1" | awk '/Position/ {split($2, p, ","); pos = p[1] "," p[2]} /Geometry/ {print pos, $2}'
}

ini_value() { # ini_value <home> <key>: the value of a shezhi key, converted from GBK
    [ -f "$1/mlkpz.ini" ] || return 0
    iconv -f GBK -t UTF-8 "$1/mlkpz.ini" | sed -n "s/^$2=//p"
}

exit_status() { # exit_status <pid>: waits up to 20 s for the program and sets $status
    for _ in $(seq 200); do
        if ! kill -0 "$1" 2>/dev/null; then
            status=0
            wait "$1" || status=$?
            return 0
        fi
        sleep 0.1
    done
    fail "process $1 did not end"
}

# Clicks into the category tree of the main window and presses Esc there until the program
# <pid> has ended (the click may still be on its way when the first Esc arrives).
close_by_escape() {
    local id=$1 pid=$2
    xdotool windowfocus --sync "$id"
    xdotool mousemove --window "$id" 60 160 click 1
    for _ in $(seq 20); do
        xdotool key Escape
        for _ in $(seq 10); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.1
        done
    done
}

# 1. First run: the database is created, no settings file, the window at (50, 50), 800 × 700.
home=$work/first
mkdir -p "$home"
QUILLBOX_HOME=$home "$quillbox" & pid=$!
id=$(window_of '^Quillbox$') || fail "main window did not appear"
[ -f "$home/qbxdb.mdb" ] || fail "qbxdb.mdb not created"
tables=$(mdb-tables -1 "$home/qbxdb.mdb" | sort | tr '\n' ' ')
[ "$tables" = "关键字表 分类表 命令库 命令表 " ] || fail "mdbtools lists: $tables"
"$mdbtool" tables "$home/qbxdb.mdb" >/dev/null || fail "quillbox-mdb cannot read the created file"
[ ! -e "$home/mlkpz.ini" ] || fail "mlkpz.ini written at start-up"
[ "$(geometry_of "$id")" = "50,50 800x700" ] || fail "first-run geometry: $(geometry_of "$id")"
close_by_escape "$id" $pid
exit_status $pid
[ "$status" = 0 ] || fail "exit status $status after Esc"
[ "$(ini_value "$home" 横坐标)" = 50 ] && [ "$(ini_value "$home" 纵坐标)" = 50 ] \
    || fail "position not stored at shut-down"

# 2. A stored size and position are applied, and the description window comes back under the
#    main window at its first activation.
home=$work/stored
mkdir -p "$home"
printf '[shezhi]\n宽度=640\n高度=480\n横坐标=100\n纵坐标=80\n提示窗=真\n' | iconv -f UTF-8 -t GBK > "$home/mlkpz.ini"
QUILLBOX_HOME=$home "$quillbox" & pid=$!
id=$(window_of '^Quillbox$') || fail "main window did not appear"
[ "$(geometry_of "$id")" = "100,80 640x480" ] || fail "stored geometry: $(geometry_of "$id")"
xdotool windowfocus --sync "$id"
desc=$(window_of '^命令说明$') || fail "命令说明 did not open at the first activation"
[ "$(geometry_of "$desc" | cut -d' ' -f1)" = "100,560" ] || fail "命令说明 at $(geometry_of "$desc")"
close_by_escape "$id" $pid
exit_status $pid
[ "$status" = 0 ] || fail "exit status $status"
[ "$(ini_value "$home" 提示窗)" = 真 ] || fail "提示窗 changed by ending the program"

# 3. A damaged database: the message, exit status 0, the file byte for byte unchanged, no
#    settings file.
home=$work/damaged
mkdir -p "$home"
for _ in $(seq 512); do printf 'not a database!!'; done > "$home/qbxdb.mdb"
cp "$home/qbxdb.mdb" "$work/damaged.copy"
QUILLBOX_HOME=$home "$quillbox" & pid=$!
box=$(window_of '^信息：$') || fail "no message box for the damaged database"
xdotool windowfocus --sync "$box"
xdotool key Return
exit_status $pid
[ "$status" = 0 ] || fail "exit status $status after the open failure"
cmp -s "$home/qbxdb.mdb" "$work/damaged.copy" || fail "damaged database was changed"
[ ! -e "$home/mlkpz.ini" ] || fail "mlkpz.ini written after the open failure"

echo "e2e_shell: ok"
