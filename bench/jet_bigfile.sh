#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A library past what an inline global map describes (about 128 MB), written by the engine, read
# back by the engine's check, by mdbtools and by mdb-reader; then durable statements on the big
# file and a compaction of it. Prints one line per figure. Run once by hand; not part of the tests.
# Usage: jet_bigfile.sh GENERATOR QUILLBOX_MDB WORKDIR [ROWS]
set -euo pipefail
gen=$1 tool=$2 dir=$3 rows=${4:-270000}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$dir"
file=$dir/jet-big-$rows.mdb
seconds() { /usr/bin/time -f "%e" -o "$dir/time.txt" "$@"; cat "$dir/time.txt"; }

t=$(seconds "$gen" "$file" "$rows")
echo "written by the engine: $rows rows, $(stat -c %s "$file") bytes in $t s"
t=$(seconds sh -c "'$tool' check '$file' >'$dir/check.txt'") || true
echo "quillbox-mdb check: $(tail -1 "$dir/check.txt") ($t s)"
if command -v mdb-export >/dev/null; then
    t=$(seconds sh -c "mdb-export -H '$file' 命令库 | wc -l >'$dir/count.txt'")
    echo "mdb-export rows: $(cat "$dir/count.txt") of $rows ($t s)"
fi
if [ -f "$here/../tests/mdbreader/node_modules/mdb-reader/package.json" ]; then
    t=$(seconds sh -c "node --max-old-space-size=8192 '$here/../tests/mdbreader/export.mjs' '$file' 命令库 | wc -l >'$dir/count.txt'")
    echo "mdb-reader rows: $(( $(cat "$dir/count.txt") - 1 )) of $rows ($t s)"
fi
# Durable statements on the big file: an insert, an update and a delete of one category.
t=$(seconds sh -c "'$tool' exec '$file' \"insert into 命令库(命令名,中文名,分类,说明,类型) values ('big','大','1','$(printf '说明%.0s' $(seq 1 1000))','无')\" >/dev/null")
echo "insert on the big file: $t s"
t=$(seconds sh -c "'$tool' exec '$file' \"update 命令库 set 说明='changed' where ID=1000\" >/dev/null")
echo "update where ID=1000 on the big file: $t s"
t=$(seconds sh -c "'$tool' exec '$file' \"delete from 命令库 where 分类='7'\" >/dev/null")
echo "delete of one category on the big file: $t s"
t=$(seconds sh -c "'$tool' compact '$file' >'$dir/compact.txt'")
echo "compact: $(cat "$dir/compact.txt") ($t s)"
"$tool" check "$file" | tail -1
if command -v mdb-export >/dev/null; then
    echo "mdb-export rows after compact: $(mdb-export -H "$file" 命令库 | wc -l)"
fi
