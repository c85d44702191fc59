#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Library size benchmark: writes the two libraries (qb-bench-librarysize), then exports the
# compressed one through quillbox-mdb, mdbtools' mdb-export and mdb-reader and compares them.
# Usage: librarysize.sh BENCH QUILLBOX_MDB MDBREADER_EXPORT WORKDIR
set -euo pipefail
bench=$1 tool=$2 reader=$3 dir=$4
"$bench" "$dir"
file=$dir/compressed.mdb
"$tool" export "$file" 命令库 >"$dir/ours.csv"
echo "quillbox-mdb export: $(wc -c <"$dir/ours.csv") bytes of CSV"
if command -v mdb-export >/dev/null; then
    mdb-export "$file" 命令库 >"$dir/mdbtools.csv"
    cmp -s "$dir/ours.csv" "$dir/mdbtools.csv" && echo "mdb-export: identical" || echo "mdb-export: DIFFERS (see $dir)"
else
    echo "mdb-export: not installed"
fi
if command -v node >/dev/null && [ -d "$(dirname "$reader")/node_modules/mdb-reader" ]; then
    node "$reader" "$file" 命令库 HPQVNRtoka3906 >"$dir/mdbreader.csv"
    cmp -s "$dir/ours.csv" "$dir/mdbreader.csv" && echo "mdb-reader: identical" || echo "mdb-reader: DIFFERS (see $dir)"
else
    echo "mdb-reader: not installed"
fi
