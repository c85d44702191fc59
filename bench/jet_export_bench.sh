#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Export benchmark: the same large table exported by quillbox-mdb and by mdbtools' mdb-export,
# in one run, with wall time, CPU time and peak memory of each. A second, four times smaller
# file shows whether memory grows with the table (it must not: both tools stream).
# Usage: jet_export_bench.sh GENERATOR QUILLBOX_MDB WORKDIR [ROWS]  (QB_EXPORT_RUNS: runs per
# measurement, 5 by default)
set -euo pipefail
gen=$1 tool=$2 dir=$3 rows=${4:-40000}
command -v mdb-export >/dev/null || { echo "mdb-export (mdbtools) is not installed"; exit 1; }
mkdir -p "$dir"
big=$dir/jet-export-$rows.mdb small=$dir/jet-export-$((rows / 4)).mdb
[ -f "$big" ] || "$gen" "$big" "$rows"
[ -f "$small" ] || "$gen" "$small" $((rows / 4))

runs=${QB_EXPORT_RUNS:-5}
# key, label, command...: runs the command $runs times (output to a new out.csv) and prints
# "label  wall s  cpu s  peak KB", each the median over the runs; wall time is taken to the
# microsecond (EPOCHREALTIME), since the fastest of these take a few hundredths of a second.
# The medians are kept in $dir/KEY.wall and $dir/KEY.cpu.
measure() {
    local key=$1 label=$2; shift 2
    : >"$dir/walls" ; : >"$dir/cpus" ; : >"$dir/rsss"
    for ((i = 0; i < runs; i++)); do
        # The last run's output goes first, outside the clock: truncating it in the redirection
        # would charge this run for dropping (on ext4, flushing) the pages the last one wrote.
        rm -f "$dir/out.csv"
        local start=$EPOCHREALTIME
        /usr/bin/time -f "%U %S %M" -o "$dir/time.txt" "$@" >"$dir/out.csv"
        local end=$EPOCHREALTIME
        read -r user sys rss <"$dir/time.txt"
        awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }' >>"$dir/walls"
        awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >>"$dir/cpus"
        echo "$rss" >>"$dir/rsss"
    done
    median() { sort -g "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
    median "$dir/walls" >"$dir/$key.wall"
    median "$dir/cpus" >"$dir/$key.cpu"
    printf '%-34s %8.3f s wall %7.2f s cpu %8d KB peak (median of %d)\n' "$label" "$(cat "$dir/$key.wall")" \
        "$(cat "$dir/$key.cpu")" "$(median "$dir/rsss")" "$runs"
}

echo "table 命令库: $rows rows in $(du -h "$big" | cut -f1) ($((rows / 4)) rows in $(du -h "$small" | cut -f1))"
measure ours "quillbox-mdb export" "$tool" export "$big" 命令库
cp "$dir/out.csv" "$dir/ours.csv"
measure theirs "mdb-export" mdb-export "$big" 命令库
cmp -s "$dir/ours.csv" "$dir/out.csv" && echo "outputs are byte-identical" || echo "outputs differ (see $dir)"
measure ours-small "quillbox-mdb export (1/4 rows)" "$tool" export "$small" 命令库
# The floor: every page of the file read once, in order, and written out (cat into the same
# output file the exports write).
measure pages "read the file's pages (cat)" cat "$big"
ratio() { awk -v a="$(cat "$dir/$1.$3")" -v b="$(cat "$dir/$2.$3")" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
echo "ours / mdb-export: wall time $(ratio ours theirs wall), cpu time $(ratio ours theirs cpu) (goal: at most 0.2)"
echo "ours / reading the pages: wall time $(ratio ours pages wall) (goal: at most 3)"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
