#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages (and the npm checker for .mdb files) that Quillbox needs.
# Usage: tools/install-deps.sh [run|test|package|fuzz]. Installs only what is missing, so a second run is quick.
set -euo pipefail
mode=${1:-run}

# libsqlite3-dev: the write benchmark measures the engine beside SQLite. qt6-tools-dev (CMake's
# LinguistTools) and qt6-l10n-tools (lupdate, lrelease): the interface translations.
build_pkgs=(cmake ninja-build g++ make qt6-base-dev libqscintilla2-qt6-dev libx11-dev libxtst-dev
            libxi-dev libgl-dev fonts-wqy-microhei xdg-utils python3 libsqlite3-dev
            qt6-tools-dev qt6-l10n-tools)
# openbox: the end-to-end runs repeat the hotkey and edge-docking checks under a window
# manager (frames). libsqlite3-dev: the hint search benchmark measures SQLite beside the engine.
# libxres-dev: the hint tests count the display's key recordings.
# xterm, xclip: hints typed into other programs are checked in them (xclip: the clipboard).
test_pkgs=(googletest libgtest-dev xvfb xauth xdotool x11-utils mdbtools openbox libsqlite3-dev libxres-dev
           xterm xclip)
# The command hints beside other programs: geany (a GTK program that reports its caret; the start-up
# benchmark also measures its empty start beside ours), at-spi2-core
# (the accessibility bus), python3-pyatspi (reads the caret independently), fcitx5 and
# fcitx5-frontend-gtk3 (an input method Geany talks to), dbus (dbus-run-session, dbus-monitor),
# python3-dbus (stand-in input method services).
hint_test_pkgs=(geany at-spi2-core python3-pyatspi fcitx5 fcitx5-frontend-gtk3 dbus python3-dbus)
# The Debian package (dpkg-shlibdeps, file) and the checks of the installed tree and of the
# package (lintian).
package_pkgs=(dpkg-dev file desktop-file-utils appstream lintian)
# The libFuzzer harness needs clang 16 or later (std::expected) and its fuzzer runtime.
fuzz_pkgs=(clang-16 libclang-rt-16-dev)

pkgs=("${build_pkgs[@]}")
[ "$mode" = test ] && pkgs+=("${test_pkgs[@]}" "${package_pkgs[@]}")
[ "$mode" = test ] && pkgs+=("${hint_test_pkgs[@]}")
[ "$mode" = package ] && pkgs+=("${package_pkgs[@]}")
[ "$mode" = fuzz ] && pkgs+=("${fuzz_pkgs[@]}")

missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js may come from elsewhere with npm built in (the Debian npm package then conflicts):
# ask for Debian's packages only when the commands are missing.
if [ "$mode" = test ]; then
    command -v node >/dev/null || missing+=(nodejs)
    command -v npm >/dev/null || missing+=(npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# mdb-reader, the independent JavaScript reader that tests compare our files against.
if [ "$mode" = test ]; then
    here=$(cd "$(dirname "$0")/.." && pwd)
    if [ ! -d "$here/tests/mdbreader/node_modules/mdb-reader" ]; then
        (cd "$here/tests/mdbreader" && npm ci --no-audit --no-fund --loglevel=error)
    fi
fi
