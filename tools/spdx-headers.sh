#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file of the repository its licence line, "SPDX-License-Identifier:
# GPL-3.0-or-later", as the first line (after a #! line) in the file's comment syntax. Files
# that have one within their first three lines are left alone, so running it again changes
# nothing; run it after merging branches that add files.
# Usage: tools/spdx-headers.sh           add the missing lines
#        tools/spdx-headers.sh --check   list the files without one; exit 1 when there are any
set -euo pipefail
cd "$(dirname "$0")/.."
check=false
[ "${1:-}" = --check ] && check=true
id='SPDX-License-Identifier: GPL-3.0-or-later'

# The comment that starts a line in this file, or nothing when it is not a source file.
comment_for() {
    case $1 in
        *.cpp|*.h|*.mjs) echo '//' ;;
        *.sh|*.cmake|*/CMakeLists.txt|CMakeLists.txt|Makefile|.ci/run) echo '#' ;;
        *) ;;
    esac
}

missing=0
while IFS= read -r file; do
    [ -f "$file" ] || continue
    prefix=$(comment_for "$file")
    [ -n "$prefix" ] || continue
    head -n 3 "$file" | grep -q 'SPDX-License-Identifier:' && continue
    if $check; then
        echo "no licence line: $file"
        missing=1
        continue
    fi
    tmp=$(mktemp "$file.XXXXXX")
    if head -n 1 "$file" | grep -q '^#!'; then
        { head -n 1 "$file"; echo "$prefix $id"; tail -n +2 "$file"; } > "$tmp"
    else
        { echo "$prefix $id"; cat "$file"; } > "$tmp"
    fi
    chmod --reference="$file" "$tmp"
    mv "$tmp" "$file"
done < <(git ls-files --cached --others --exclude-standard | grep -v '^tests/mdbreader/node_modules/')
exit $missing
