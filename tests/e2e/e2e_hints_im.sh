#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Command hints against an input method: fcitx5 runs on the test's X server and session bus
# (its D-Bus front end; Geany, captured with the capture hotkey, talks to it through GTK's fcitx
# module). With fcitx5 active (fcitx5-remote -o) "pri" opens no list and a "1" reaches Geany; a
# list already shown hides when fcitx5 becomes active; after fcitx5-remote -c the list opens
# again. Before each typing the script waits until the program has asked fcitx5's state twice
# since the switch (the calls are watched with dbus-monitor), so what it knows is current.
# Usage: e2e_hints_im.sh <quillbox> <quillbox-mdb> <qb-testclient>
if [ -z "${QB_SESSION_BUS:-}" ]; then
    QB_SESSION_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
# shellcheck source=support/hints.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/hints.sh"
quillbox=$1
mdb=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for tool in geany fcitx5 fcitx5-remote dbus-monitor; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (tools/install-deps.sh test)"
done
home=$work/home
mkdir -p "$home"
hint_library "$home" "$mdb"

# fcitx5 with two keyboard input methods: the first is "inactive", the second "active"; both
# type the letters and digits as the US layout does.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/fcitx5"
printf '%s\n' '[Groups/0]' 'Name=Default' 'Default Layout=us' 'DefaultIM=keyboard-us' '' \
    '[Groups/0/Items/0]' 'Name=keyboard-us' 'Layout=' '' '[Groups/0/Items/1]' 'Name=keyboard-us-intl' 'Layout=' '' \
    '[GroupOrder]' '0=Default' > "$XDG_CONFIG_HOME/fcitx5/profile"
# fcitx5 is also started on demand by the session bus when asked for: that copy too gets this
# configuration, and nothing asks for it before this one owns its name.
dbus-update-activation-environment XDG_CONFIG_HOME
fcitx5 --disable=all --enable=dbus,dbusfrontend,keyboard,xcb > "$work/fcitx5.txt" 2>&1 &
fcitx5_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5 | grep -q 'boolean true'
}
wait_for 20 fcitx5_owned || fail "fcitx5 did not start: $(cat "$work/fcitx5.txt")"
dbus-monitor --session "type='method_call',interface='org.fcitx.Fcitx.Controller1',member='State'" \
    > "$work/state-calls.txt" 2>&1 &
state_calls() { grep -c 'member=State' "$work/state-calls.txt" || true; }
# im <o|c>: switches fcitx5 and waits until the program has asked its state twice since.
im() {
    local expected=2 before
    [ "$1" = c ] && expected=1
    fcitx5-remote "-$1"
    wait_for 10 eval '[ "$(fcitx5-remote)" = '"$expected"' ]' || fail "fcitx5-remote -$1 left the state at $(fcitx5-remote)"
    before=$(state_calls)
    # One question at a time: the third call is asked after the answer to the second.
    wait_for 10 eval '[ "$(state_calls)" -ge $((before + 3)) ]' || fail "the program does not ask fcitx5's state"
}
geany_text() { /usr/bin/python3 "$here/support/atspi-text.py" text "$geany_pid"; }

start_quillbox "$home"
xdotool windowfocus --sync "$qb_window"
: > "$work/im.py"
GTK_IM_MODULE=fcitx geany --config "$work/geany" --new-instance "$work/im.py" > "$work/geany.txt" 2>&1 &
geany_pid=$!
geany_window=$(window_of 'im\.py' "$geany_pid") || fail "Geany did not show: $(cat "$work/geany.txt")"
capture "$home" "$geany_window" ctrl+F12
xdotool windowfocus --sync "$geany_window"
wait_for 10 eval '[ "$(fcitx5-remote)" = 1 ]' || fail "Geany's input context did not reach fcitx5"

# English mode: the hints work as before.
xdotool type --delay 40 'pri'
wait_for 20 hint_shown "$qb_pid" || fail "with fcitx5 inactive, pri showed no hints"
# A list shown hides when the input method becomes active.
im o
wait_for 10 hint_hidden "$qb_pid" || fail "the list stayed while fcitx5 became active"

# Active: the letters are the input method's; no list, and 1 reaches Geany.
xdotool key Return
xdotool type --delay 40 'pri1'
wait_for 20 eval 'geany_text | grep -qx "pri1"' || fail "Geany holds: $(geany_text | tr '\n' '|')"
hint_hidden "$qb_pid" || fail "with fcitx5 active, pri opened a list"

# Inactive again: the list opens.
im c
xdotool key Return
xdotool type --delay 40 'pri'
wait_for 20 hint_shown "$qb_pid" || fail "after fcitx5-remote -c, pri showed no hints"
xdotool key Escape
fcitx5-remote -e 2>/dev/null || true
echo "e2e_hints_im: ok"
