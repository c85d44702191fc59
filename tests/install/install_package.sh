#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package built by CPack: its name, its dependencies (Qt 6, QScintilla, the X11
# libraries, a CJK font), its files (translations and copyright among them), and Debian's own
# checks: lintian reports no error, appstreamcli and desktop-file-validate accept the
# metainfo and desktop entry as installed. Usage: install_package.sh <cpack> <build dir> <application id>
set -euo pipefail
# shellcheck source=../e2e/support/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/support/common.sh"
cpack=$1
build=$2
id=$3

(cd "$build" && "$cpack" -G DEB -B "$work" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/quillbox_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single quillbox_*.deb in: $(ls "$work")"
deb=${debs[0]}
version=$("$build/quillbox" --version | cut -d' ' -f2)
[ "$(basename "$deb")" = "quillbox_${version}_$(dpkg --print-architecture).deb" ] || fail "file name $(basename "$deb")"
[ "$(dpkg-deb -f "$deb" Package)" = quillbox ] || fail "Package: $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"

depends=$(dpkg-deb -f "$deb" Depends)
depends_on() { echo "$depends" | tr ',|' '\n\n' | grep -q "^ *$1\( \|$\)"; }
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqscintilla2-qt6-15 fonts-wqy-microhei; do
    depends_on "$package" || fail "Depends lacks $package: $depends"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
# Every library the programs link (the X11 ones included, once the platform layer uses them)
# comes from a package the .deb depends on.
for program in quillbox quillbox-mdb; do
    for soname in $(readelf -d "$build/$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        owner=""
        for dir in /lib/$multiarch /usr/lib/$multiarch /lib /usr/lib; do
            owner=$(dpkg -S "$dir/$soname" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] && break
        done
        [ -n "$owner" ] || fail "$program links $soname, which no installed package holds"
        depends_on "$owner" || fail "$program links $soname from $owner, not in Depends: $depends"
    done
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for path in /usr/bin/quillbox /usr/bin/quillbox-mdb /usr/share/applications/$id.desktop \
            /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/48x48/apps/$id.png \
            /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/man/man1/quillbox.1.gz \
            /usr/share/quillbox/translations/quillbox_en.qm /usr/share/doc/quillbox/copyright \
            /usr/share/doc/quillbox/changelog.gz; do
    grep -qx "$path" "$work/files" || fail "package lacks $path"
done
! grep -v '^/usr/' "$work/files" | grep -qv '^/$' || fail "files outside /usr: $(grep -v '^/usr/' "$work/files")"
# Stripped programs: the package carries no debug sections.
mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"
file "$work/root/usr/bin/quillbox" | grep -q ', stripped' || fail "quillbox is not stripped"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$work/root/usr/share/doc/quillbox/copyright" || fail "the copyright file is not machine-readable"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$work/root/usr/share/metainfo/$id.metainfo.xml" \
    || fail "metainfo without project_license"

appstreamcli validate --no-net "$work/root/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 \
    || fail "appstreamcli: $(cat "$work/appstream.log")"
desktop-file-validate "$work/root/usr/share/applications/$id.desktop" >"$work/desktop.log" 2>&1 \
    || fail "desktop-file-validate: $(cat "$work/desktop.log")"
# Errors fail; warnings and informational tags are shown for the log.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 \
    || fail "lintian: $(cat "$work/lintian.log")"
[ -s "$work/lintian.log" ] && sed 's/^/install_package: lintian: /' "$work/lintian.log"
echo "install_package: ok"
