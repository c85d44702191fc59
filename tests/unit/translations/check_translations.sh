#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every translation is complete and current: lupdate run over src/ into a copy of each .ts file
# finds no text without a translation (new or marked unfinished) and no translation whose
# source text has gone. Lists each such text; `cmake --build build --target update-translations`
# brings the .ts files up to date before they are translated.
# Usage: check_translations.sh <lupdate> <source dir> <ts file>...
set -euo pipefail
lupdate=$1 src=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$@"; do
    copy=$work/$(basename "$ts")
    cp "$ts" "$copy"
    "$lupdate" -silent -locations none -no-ui-lines -extensions cpp,h "$src" -ts "$copy" >"$work/lupdate.log" 2>&1 \
        || { cat "$work/lupdate.log" >&2; exit 1; }
    # One line per message: its type (if any) and source text.
    python3 - "$copy" >"$work/problems" <<'PY'
import re, sys, html
text = open(sys.argv[1], encoding='utf-8').read()
for message in re.findall(r'<message>.*?</message>', text, re.S):
    source = html.unescape(re.search(r'<source>(.*?)</source>', message, re.S).group(1))
    translation = re.search(r'<translation([^>]*)>(.*?)</translation>|<translation([^>]*)/>', message, re.S)
    attributes = (translation.group(1) or translation.group(3) or '') if translation else ''
    body = translation.group(2) if translation and translation.group(2) is not None else ''
    kind = re.search(r'type="(\w+)"', attributes)
    if kind and kind.group(1) in ('vanished', 'obsolete'):
        print(f'obsolete (no longer in the sources): {source!r}')
    elif (kind and kind.group(1) == 'unfinished') or not body.strip():
        print(f'untranslated: {source!r}')
PY
    if [ -s "$work/problems" ]; then
        echo "$(basename "$ts"):" >&2
        sed 's/^/  /' "$work/problems" >&2
        status=1
    fi
done
[ $status = 0 ] && echo "check_translations: every text is translated"
exit $status
