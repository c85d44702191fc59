#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# cmake --install into a temporary prefix: the installed tree, the desktop entry and metainfo
# validated, and the installed program started under a virtual X server (run by xvfb-run -a):
# its files go to the XDG data folder, `quillbox FILE` opens FILE, and its window class is the
# entry's StartupWMClass. Usage: install_tree.sh <cmake> <build dir> <application id>
set -euo pipefail
# shellcheck source=../e2e/support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/support/common.sh"
cmake=$1
build=$2
id=$3

prefix=$work/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

# 1. The tree.
for program in quillbox quillbox-mdb; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
    page=$prefix/share/man/man1/$program.1.gz
    gzip -t "$page" 2>/dev/null || fail "man page $page missing or not gzip"
    zcat "$page" | grep -q "^\.TH ${program^^} 1" || fail "$page has no .TH line"
    ! zcat "$page" | grep -q '@[A-Z_]*@' || fail "$page has an unconfigured @VARIABLE@"
done
[ "$(ls "$prefix/bin")" = "$(printf 'quillbox\nquillbox-mdb')" ] || fail "bin holds: $(ls "$prefix/bin")"
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[ -f "$desktop" ] || fail "desktop entry missing"
[ -f "$metainfo" ] || fail "metainfo missing"
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "icon $png: $(file "$png")"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "scalable icon missing"

# 2. The desktop entry and the metainfo.
desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$work/as.txt" || fail "appstreamcli: $(cat "$work/as.txt")"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = 'quillbox %F' ] || fail "Exec=$(entry Exec)"
[ "$(entry Icon)" = "$id" ] || fail "Icon=$(entry Icon)"
[ "$(entry Categories)" = 'Development;TextEditor;' ] || fail "Categories=$(entry Categories)"
[ "$(entry MimeType)" = 'text/x-python;' ] || fail "MimeType=$(entry MimeType)"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
grep -q "<release version=\"$("$prefix/bin/quillbox" --version | cut -d' ' -f2)\"" "$metainfo" \
    || fail "metainfo release differs from --version"

# 3. The installed program, as a user starts it from the menu: no QUILLBOX_HOME, no platform.
export HOME=$work/home
mkdir -p "$HOME"
printf 'print("hello")\n' >"$work/hello.py"
data=$HOME/.local/share/quillbox
(cd "$work" && exec env -u QUILLBOX_HOME -u XDG_DATA_HOME -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY \
    "$prefix/bin/quillbox" hello.py) & pid=$!
win=$(window_of '^(.+ - )?Quillbox$' $pid) || fail "the installed program showed no window"
[ -f "$data/qbxdb.mdb" ] || fail "no library in $data"
[ "$(ls "$prefix/bin" | wc -l)" = 2 ] || fail "files written beside the installed program: $(ls "$prefix/bin")"
class=$(xprop -id "$win" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
[ "$class" = "$(entry StartupWMClass)" ] || fail "WM_CLASS class '$class' is not StartupWMClass"
# `quillbox FILE` opened FILE as 打开 does: it is the history entry of the settings file.
history=""
wait_for 10 eval 'history=$(ini_value "$data" 历史文件); [ -n "$history" ]' || true
[ "$history" = "$work/hello.py" ] || fail "FILE not opened: history entry '$history'"
stop_quillbox $pid

# 4. A Wayland session that also offers XWayland: the program comes up on X11 straight away
#    (Qt on its own would try its Wayland plugin first and say so on stderr as qt.qpa.*).
(exec env -u QUILLBOX_HOME -u QT_QPA_PLATFORM WAYLAND_DISPLAY=quillbox-no-such-socket \
    XDG_SESSION_TYPE=wayland "$prefix/bin/quillbox" 2>"$work/wayland.err") & pid=$!
window_of '^(.+ - )?Quillbox$' $pid >/dev/null || fail "under a Wayland session with XWayland, no X11 window"
stop_quillbox $pid
! grep -q '^qt\.qpa' "$work/wayland.err" || fail "Qt tried another platform first: $(cat "$work/wayland.err")"
echo "install_tree: ok"
