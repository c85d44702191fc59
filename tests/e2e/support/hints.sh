# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Helpers of the two command-hint scripts, sourced after common.sh.

# hint_library <home> <quillbox-mdb>: a library whose 命令表 holds print(, private and len(, an
# empty script $script reopened at start, and a settings file with hints on and cursor tracking
# off.
hint_library() {
    local home=$1 mdb=$2 hint
    "$mdb" create "$home/qbxdb.mdb" >/dev/null
    for hint in 'print(' 'private' 'len('; do
        "$mdb" exec "$home/qbxdb.mdb" "insert into 命令表(命令,说明) values ('$hint','')" \
            --password HPQVNRtoka3906 >/dev/null
    done
    script="$home/hints.py"
    : > "$script"
    write_ini "$home" '[xitong]\r\nmlts=真\r\ngbgz=假\r\n[记录]\r\n历史文件=%s\r\n' "$script"
}

# hint_shown <pid>: the hint window, the visible 160 × 176 window of the program <pid>, shows.
hint_shown() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xdotool getwindowgeometry "$w" | grep -q 'Geometry: 160x176' && return 0
    done
    return 1
}
hint_hidden() { ! hint_shown "$1"; }

# recording_contexts <n>: the display holds n key recordings. The counter (qb-recordcontexts,
# built beside the program when the X-Resource library is there) may be missing: then the check
# passes with a message.
recording_contexts() {
    local counter count
    counter="$(dirname "$quillbox")/tests/e2e/qb-recordcontexts"
    if [ ! -x "$counter" ]; then
        echo "$qb_script: qb-recordcontexts not built (libxres-dev missing): recording check skipped"
        return 0
    fi
    count=$("$counter")
    [ "$count" = "$1" ] && return 0
    echo "$qb_script: the display holds $count key recording(s), not $1" >&2
    return 1
}
