#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line with no display at all: --version and --help answer, the GUI start fails
# with one line and status 1 instead of Qt's abort. Usage: install_headless.sh <quillbox>
set -euo pipefail
# shellcheck source=../e2e/support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/support/common.sh"
quillbox=$1

# Runs quillbox in an empty folder with no display variables and a private home; sets
# $status, $out (stdout) and $err (stderr).
run_headless() {
    local dir
    dir=$(mktemp -d "$work/run.XXXX")
    status=0
    (cd "$dir" && ulimit -c unlimited &&
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE \
            HOME="$dir" QUILLBOX_HOME="$dir/home" "$@" >"$dir/.out" 2>"$dir/.err") || status=$?
    out=$(cat "$dir/.out")
    err=$(cat "$dir/.err")
    ! ls "$dir" | grep -q '^core' || fail "core file left by: $*"
    rm -f "$dir/.out" "$dir/.err"
    [ ! -e "$dir/home/qbxdb.mdb" ] || fail "library created although no window opened: $*"
}

for option in --version -v; do
    run_headless "$quillbox" "$option"
    [ "$status" = 0 ] || fail "$option: exit $status ($err)"
    echo "$out" | grep -qx 'Quillbox [0-9][0-9.]*' || fail "$option printed: $out"
    [ -z "$err" ] || fail "$option wrote to stderr: $err"
done

for option in --help -h; do
    run_headless "$quillbox" "$option"
    [ "$status" = 0 ] || fail "$option: exit $status ($err)"
    echo "$out" | grep -q '^Usage: quillbox' || fail "$option printed: $out"
    echo "$out" | grep -q -- '--version' || fail "$option does not list --version"
done

# The GUI start, with and without a file, and with a DISPLAY nobody listens on (Qt itself
# finds no server there).
check_no_display() { # check_no_display <what the line names> <env/args...>
    local expect=$1; shift
    run_headless "$@"
    [ "$status" = 1 ] || fail "$*: exit $status, expected 1 ($err)"
    [ "$(printf '%s\n' "$err" | wc -l)" = 1 ] || fail "$*: stderr is not one line: $err"
    echo "$err" | grep -q "^quillbox: .*$expect" || fail "$*: stderr: $err"
    [ -z "$out" ] || fail "$*: wrote to stdout: $out"
}
check_no_display 'DISPLAY and WAYLAND_DISPLAY are unset' "$quillbox"
check_no_display 'DISPLAY and WAYLAND_DISPLAY are unset' "$quillbox" script.py
check_no_display 'display' env DISPLAY=:31999 "$quillbox"
check_no_display 'DISPLAY is unset' env QT_QPA_PLATFORM=xcb "$quillbox"
check_no_display 'cannot open a window' env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=quillbox-no-such-socket "$quillbox"

# An unknown option is a usage error once a display exists; without one the display is named.
run_headless env QT_QPA_PLATFORM=offscreen "$quillbox" --bogus
[ "$status" = 2 ] || fail "--bogus: exit $status ($err)"
echo "$err" | grep -q "unknown option '--bogus'" || fail "--bogus: stderr: $err"
echo "install_headless: ok"
