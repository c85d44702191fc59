# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Helpers shared by the end-to-end and install scripts, sourced right after `set -euo pipefail`.
# Sourcing makes $work, a temporary directory that is removed at exit after every background job
# of the script has been killed. Messages start with the name of the script that failed.
# The helpers that start programs use the variables the script sets from its arguments:
# $quillbox (the program) and $client (the X11 test client, support/qb-testclient.cpp).

qb_script=$(basename "$0" .sh)
work=$(mktemp -d)

# At exit the background jobs are ended and waited for (killed after 10 s) before $work goes, so
# that none still writes into it: Geany saves its configuration there as it quits.
qb_cleanup() {
    local pids pid deadline=$((SECONDS + 10))
    pids=$(jobs -p)
    if [ -n "$pids" ]; then
        kill $pids 2>/dev/null || true
        for pid in $pids; do
            while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.05; done
            kill -KILL "$pid" 2>/dev/null || true
        done
        wait $pids 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap qb_cleanup EXIT

# fail <message>: names the script and the message on standard error and ends the script; the
# program's standard error follows when start_quillbox kept it in a file.
fail() {
    echo "$qb_script: FAIL: $*" >&2
    if [ -n "${qb_home:-}" ] && [ -s "$qb_home/err.txt" ]; then
        echo "$qb_script: the program's standard error:" >&2
        cat "$qb_home/err.txt" >&2
    fi
    exit 1
}

# wait_for <seconds> <command...>: runs the command, its output discarded, until it succeeds;
# after <seconds> says what it waited for and returns 1.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        if [ $SECONDS -ge $deadline ]; then
            echo "$qb_script: timed out waiting for: $*" >&2
            return 1
        fi
        sleep 0.1
    done
}

# The ids of the visible windows whose name matches the regex (Qt keeps hidden helper windows).
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
hidden() { ! visible "$1" >/dev/null; }

# window_of <title regex> [pid]: waits up to 20 s for a visible window with that name (of that
# process, giving up when the process ends) and prints its id.
window_of() {
    local deadline=$((SECONDS + 20)) w
    while [ $SECONDS -lt $deadline ]; do
        for w in $(visible "$1" || true); do
            if [ -z "${2:-}" ] || [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$2" ]; then
                echo "$w"
                return 0
            fi
        done
        if [ -n "${2:-}" ] && ! kill -0 "$2" 2>/dev/null; then
            echo "$qb_script: process $2 ended before showing a window named $1" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "$qb_script: timed out waiting for a window named $1" >&2
    return 1
}

# contains <file> <text>: the file holds the text somewhere; has_line: as one whole line.
contains() { grep -qF -- "$2" "$1" 2>/dev/null; }
has_line() { grep -qxF -- "$2" "$1" 2>/dev/null; }
# count_lines <file> <line>: how many lines of the file are exactly that line.
count_lines() { grep -cxF -- "$2" "$1" 2>/dev/null || true; }

# write_ini <home> <printf format> [arguments...]: the settings file of <home>, converted to GBK.
write_ini() {
    local home=$1 format=$2
    shift 2
    # shellcheck disable=SC2059 # the format is the caller's
    printf "$format" "$@" | iconv -f UTF-8 -t GBK > "$home/mlkpz.ini"
}

# ini_value <home> <key>: the value of a key in the settings file of <home>, converted from GBK;
# nothing while there is no settings file.
ini_value() {
    [ -f "$1/mlkpz.ini" ] || return 0
    iconv -f GBK -t UTF-8 "$1/mlkpz.ini" | sed -n "s/^$2=//p"
}

# launch <home>: starts the program in the background with QUILLBOX_HOME=<home>, reporting its
# hotkeys and status texts to <home>/out.txt, its standard error to <home>/err.txt; sets $qb_pid.
launch() {
    qb_home=$1
    QUILLBOX_HOME=$1 QUILLBOX_REPORT_HOTKEYS=1 "$quillbox" > "$1/out.txt" 2> "$1/err.txt" &
    qb_pid=$!
}

# start_quillbox <home>: launches the program and waits until its capture hotkey is registered
# (or refused) and its main window shows; sets $qb_pid and $qb_window.
start_quillbox() {
    launch "$1"
    wait_for 20 grep -q '^hotkey-register ' "$1/out.txt" || fail "no hotkey registration"
    qb_window=$(window_of '^(.+ - )?Quillbox$' "$qb_pid") || fail "main window did not appear"
}

# stop_quillbox [pid]: ends the program (by default the one started last) and waits for it.
stop_quillbox() {
    local pid=${1:-$qb_pid}
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

ended() { ! kill -0 "$1" 2>/dev/null; }

# exit_status <pid>: waits up to 20 s for the process to end and sets $status to its exit status;
# returns 1 when it is still running.
exit_status() {
    wait_for 20 ended "$1" || return 1
    status=0
    wait "$1" || status=$?
}

# close_by_escape <window> <pid>: clicks into the category tree of the main window and presses
# Esc there until the program <pid> has ended (the click may still be on its way when the first
# Esc arrives); returns 1 when it did not end.
close_by_escape() {
    local window=$1 pid=$2
    xdotool windowfocus --sync "$window"
    xdotool mousemove --window "$window" 60 160 click 1
    for _ in $(seq 20); do
        xdotool key Escape
        for _ in $(seq 10); do
            ended "$pid" && return 0
            sleep 0.1
        done
    done
    return 1
}

# save_script: 文件(&W) → 保存 from the keyboard (its first item is active when it opens).
save_script() { xdotool key alt+w Down Return; }

# start_client <title> <geometry> [options]: a test client logging its keys to $work/<title>.keys;
# sets $id to the window id it reports, checked against the one xdotool finds by its title.
start_client() {
    local title=$1 geometry=$2 found
    shift 2
    "$client" --title "$title" --geometry "$geometry" --keys "$work/$title.keys" "$@" > "$work/$title.id" &
    wait_for 20 test -s "$work/$title.id" || fail "client $title did not show"
    id=$(cat "$work/$title.id")
    found=$(window_of "^$title\$") || fail "xdotool does not find $title"
    [ "$found" = "$id" ] || fail "$title reports $id, xdotool finds $found"
}

# capture <home> <window> <keys> [status]: points at the window, presses the keys, and waits
# until the status text (by default the capture of that window) is shown once more. The server
# handles xdotool's pointer motion before its key press, so the move needs no --sync (which
# would wait in vain when the pointer is there already).
capture() {
    local home=$1 window=$2 keys=$3
    local line="status ${4:-已锁定窗口：$window}"
    local before
    before=$(count_lines "$home/out.txt" "$line")
    xdotool mousemove --window "$window" 40 40
    xdotool key "$keys"
    wait_for 20 eval '[ "$(count_lines "$home/out.txt" "$line")" -gt "$before" ]' \
        || fail "after $keys over $window: no '$line' in: $(tr '\n' '|' < "$home/out.txt")"
}
