#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Command hints typed into the other program (提示输入到目标窗口 on): the captured window gets the
# rest of the chosen entry where the user types, the program's own editor stays as it was.
# For the project's test client, Geany and xterm, each captured with the capture hotkey:
# "pri" + "0" gives "print("; "pr" + "2" gives "pr打印()" (characters the key map lacks);
# with Caps Lock on, "pri" + "0" gives "PRInt(" and Caps Lock is still on afterwards; with Shift
# held, "PRI" + Shift+space gives "PRInt(" and Shift is still held afterwards. With the
# paste method (mbsrfs=1) the same in xterm (Ctrl+Shift+V) and Geany, and the clipboard holds
# what it held before, in every form it was offered. Then 200 completions of mixed entries
# (ASCII, Chinese, a newline, a tab) with ordinary typing between them into the test client:
# every key in order, none lost, none doubled. Without a window manager and under openbox.
# Geany and xterm are skipped with a message when they are not installed.
# Usage: e2e_hints_typed.sh <quillbox> <quillbox-mdb> <qb-testclient>
set -euo pipefail
# shellcheck source=support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/common.sh"
# shellcheck source=support/hints.sh
source "$(dirname "${BASH_SOURCE[0]}")/support/hints.sh"
quillbox=$1
mdb=$2
client=$3
export LC_ALL=C.UTF-8

# A library with the three entries of the other hint tests, pr打印() and the mixed entries of
# the long run (one match each for their two letters).
library() {
    local home=$1 hint
    hint_library "$home" "$mdb"
    for hint in 'pr打印()' 'qa(x)' 'zw中文' $'nl\nx' $'tb\ty' 'zzqa'; do
        "$mdb" exec "$home/qbxdb.mdb" "insert into 命令表(命令,说明) values ('$hint','')" \
            --password HPQVNRtoka3906 >/dev/null
    done
    method "$home" 0
}
# method <home> <mbsrfs>: the settings with hints on, typed into the target by that method.
method() {
    write_ini "$1" '[xitong]\r\nmlts=真\r\ngbgz=假\r\nmbsr=真\r\nmbsrfs=%s\r\n[记录]\r\n历史文件=%s\r\n' "$2" "$script"
}

# choose <prefix keys> <digit>: types the prefix (xdotool key names), waits for the list, chooses.
choose() {
    # shellcheck disable=SC2086 # the prefix is a list of key names
    xdotool key --delay 30 $1
    wait_for 20 hint_shown "$qb_pid" || fail "typing $1 showed no hints"
    xdotool key "$2"
    wait_for 20 hint_hidden "$qb_pid" || fail "$2 did not hide the list"
}

# The four choices in the focused window <window>, which shows its text in <file> after <save>.
# <shown> prints that text; the Return between the lines is typed by xdotool.
four_choices() {
    local window=$1 shown=$2
    xdotool windowfocus --sync "$window"
    choose 'p r i' 0
    wait_for 20 eval '[ "$($shown)" = "print(" ]' || fail "$window shows '$($shown)', not print("
    xdotool key Return
    choose 'p r' 2
    wait_for 20 eval '[ "$($shown | tail -n 1)" = "pr打印()" ]' || fail "$window shows '$($shown)', not pr打印()"
    xdotool key Return Caps_Lock
    choose 'p r i' 0
    # Caps Lock is on again afterwards: the next letter comes out in capitals.
    xdotool key x Caps_Lock
    wait_for 20 eval '[ "$($shown | tail -n 1)" = "PRInt(X" ]' || fail "$window shows '$($shown)', not PRInt(X"
    # Shift held through the choice (Shift+space chooses): the rest as stored, Shift held again
    # afterwards until the user lets go of it.
    xdotool key Return keydown shift
    choose 'p r i' space
    xdotool key x keyup shift key x
    wait_for 20 eval '[ "$($shown | tail -n 1)" = "PRInt(Xx" ]' || fail "$window shows '$($shown)', not PRInt(Xx"
}

# The test client's keys as text: each keysym name as the character it types (Shift and Caps
# Lock presses left out, Return a line break, Tab a tab, U6253 the character 打).
client_text() {
    python3 -c '
import re, sys
names = {"parenleft": "(", "parenright": ")", "semicolon": ";", "space": " ", "Return": "\n", "Tab": "\t"}
out = []
for name in open(sys.argv[1], encoding="utf-8").read().split():
    if name.startswith(("Shift", "Caps_Lock")):
        continue
    u = re.fullmatch(r"U([0-9A-F]{4,6})", name)
    out.append(chr(int(u.group(1), 16)) if u else names.get(name, name))
sys.stdout.write("".join(out))
' "$work/Typed Client.keys"
}

# session <home> <window> <name>: the program started and <window> captured.
session() {
    start_quillbox "$1"
    xdotool windowfocus --sync "$qb_window"
    xdotool windowraise "$2"
    capture "$1" "$2" ctrl+F12
}

# The clipboard's targets and text, to compare before and after a paste.
clipboard_targets() { xclip -selection clipboard -o -t TARGETS 2>/dev/null | grep -v -e '^TARGETS$' -e '^TIMESTAMP$' | sort; }
clipboard_text() { xclip -selection clipboard -o 2>/dev/null; }

run_case() {
    local label=$1 home=$work/$1 term_out
    mkdir -p "$home"
    library "$home"

    # The test client (start_client waits for a new id file).
    rm -f "$work/Typed Client.id" "$work/Typed Client.keys"
    start_client 'Typed Client' 300x200+900+100; local client_window=$id
    pids=$!
    session "$home" "$client_window"
    : > "$work/Typed Client.keys"
    four_choices "$client_window" client_text
    [ "$(client_text | head -n 1)" = "print(" ] || fail "$label: the client got: $(client_text)"
    # The typed rest is not taken for the user's typing: "zz" + "0" types "qa", which as typed
    # letters would show the list of qa(x) and keep the next digit from the client.
    xdotool key Return
    choose 'z z' 0
    xdotool key 5
    wait_for 20 eval '[ "$(client_text | tail -n 1)" = "zzqa5" ]' || fail "$label: the client got: $(client_text | tail -n 1)"

    # Geany, its file saved with Ctrl+S.
    local geany_window=''
    if command -v geany >/dev/null; then
        mkdir -p "$work/geany-$label"
        printf '[PREFS]\nauto_complete_symbols=false\nautocomplete_doc_words=false\nautoclose_chars=0\n' \
            > "$work/geany-$label/geany.conf"
        : > "$work/$label.txt"
        geany --config="$work/geany-$label" --new-instance --no-session --no-plugins --no-msgwin --no-terminal \
            "$work/$label.txt" > "$work/geany-$label.log" 2>&1 &
        pids+=" $!"
        geany_window=$(window_of "$label.txt") || fail "Geany did not show"
        xdotool windowraise "$geany_window"
        capture "$home" "$geany_window" ctrl+F12
        # Saved with Ctrl+S each time it is looked at; the waits look until the file holds it.
        geany_text() { xdotool key ctrl+s; cat "$work/$label.txt"; }
        four_choices "$geany_window" geany_text
    else
        echo "$qb_script: geany not installed: the Geany cases are skipped"
    fi

    # xterm, reading without echo and line editing into a file.
    local term_window=''
    if command -v xterm >/dev/null; then
        term_out=$work/$label.term
        : > "$term_out"
        xterm -u8 -title 'Typed Term' -geometry 60x8+500+500 \
            -xrm 'XTerm*VT100.translations: #override Ctrl Shift <Key>V: insert-selection(CLIPBOARD)' \
            -e sh -c 'stty -icanon -echo; exec cat > "$1"' sh "$term_out" &
        pids+=" $!"
        term_window=$(window_of '^Typed Term$') || fail "xterm did not show"
        xdotool windowraise "$term_window"
        capture "$home" "$term_window" ctrl+F12
        term_text() { cat "$term_out"; }
        four_choices "$term_window" term_text
    else
        echo "$qb_script: xterm not installed: the xterm cases are skipped"
    fi

    # Quillbox's own editor got none of it: a "q" typed there and saved is all the script holds.
    xdotool windowfocus --sync "$qb_window"
    xdotool windowraise "$qb_window" mousemove --window "$qb_window" 500 200 click 1
    xdotool key q
    save_script
    wait_for 20 contains "$script" q || fail "$label: the script was not saved"
    [ "$(cat "$script")" = q ] || fail "$label: the program's own editor got: $(cat "$script")"
    : > "$script"
    stop_quillbox

    # The paste method, in xterm (Ctrl+Shift+V) and Geany (Ctrl+V), the clipboard kept.
    method "$home" 1
    local target before_targets
    for target in $term_window $geany_window; do
        printf 'keep me' | xclip -selection clipboard -i
        before_targets=$(clipboard_targets)
        session "$home" "$target"
        xdotool windowfocus --sync "$target"
        if [ "$target" = "$term_window" ]; then
            xdotool key Return
            choose 'p r i' 0
            wait_for 20 eval '[ "$(tail -n 1 "$term_out")" = "print(" ]' || fail "$label: xterm pasted '$(cat "$term_out")'"
        else
            xdotool key ctrl+a Delete
            choose 'p r' 2
            wait_for 20 eval '[ "$(geany_text)" = "pr打印()" ]' || fail "$label: Geany pasted '$(geany_text)'"
        fi
        wait_for 20 eval '[ "$(clipboard_text)" = "keep me" ]' || fail "$label: the clipboard holds '$(clipboard_text)'"
        comm -23 <(echo "$before_targets") <(clipboard_targets) > "$work/lost"
        [ ! -s "$work/lost" ] || fail "$label: the clipboard lost the targets $(tr '\n' ' ' < "$work/lost")"
        stop_quillbox
    done
    # shellcheck disable=SC2086 # a list of pids
    kill $pids 2>/dev/null || true
    wait_for 20 hidden '^Typed (Client|Term)$|\.txt' || fail "$label: the windows did not close"

    # 200 completions in a row with ordinary typing between them, into the test client (once).
    [ "$label" = plain ] || { echo "$qb_script: $label: ok"; return 0; }
    method "$home" 0
    rm -f "$work/Typed Client.id" # start_client waits for the new one
    start_client 'Typed Client' 300x200+900+100; client_window=$id
    pids=$!
    session "$home" "$client_window"
    xdotool windowfocus --sync "$client_window"
    : > "$work/Typed Client.keys"
    local expected='' i entry
    # Each completion is waited for by its last key, the whole text compared every 25 and at the end.
    local -a prefixes=(qa zw nl tb) rests=('(x)' '中文' $'\nx' $'\ty') last=(parenright U6587 x y)
    for ((i = 0; i < 200; ++i)); do
        entry=$((i % 4))
        xdotool type --delay 10 "ok; ${prefixes[$entry]}"
        wait_for 20 hint_shown "$qb_pid" || fail "$label: completion $i: no list"
        xdotool key 0
        expected+="ok; ${prefixes[$entry]}${rests[$entry]}"
        wait_for 20 eval '[ "$(tail -n 1 "$work/Typed Client.keys")" = "${last[$entry]}" ]' \
            || fail "$label: completion $i: the client's last key is $(tail -n 1 "$work/Typed Client.keys")"
        if ((i % 25 == 24 || i == 199)); then
            [ "$(client_text)" = "$expected" ] \
                || fail "$label: after completion $i the client got $(diff <(echo "$expected") <(client_text) | tail -n 3)"
        fi
    done
    stop_quillbox
    kill $pids 2>/dev/null || true
    wait_for 20 hidden '^Typed Client$' || fail "$label: the client did not close"
    echo "$qb_script: $label: ok"
}

run_case plain
if command -v openbox >/dev/null; then
    openbox --sm-disable > "$work/openbox.log" 2>&1 &
    wait_for 20 eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' || fail "openbox did not start"
    run_case openbox
else
    echo "$qb_script: openbox not installed: the run with a window manager is skipped"
fi
echo "e2e_hints_typed: ok"
