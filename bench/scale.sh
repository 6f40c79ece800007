#!/usr/bin/env bash
# Runs the save, open, grid and grid-tool benches at 100,000, 1,000,000 and
# 10,000,000 rows and prints each figure at every size with its growth from
# the smallest, so that a cost meant to stay flat and starting to grow with
# the table shows at once. Each size's tables are made on the first run and
# kept under the cache folder; later runs only measure. Each bench's own
# output is kept beside its tables (logs/).
#
# usage: bench/scale.sh [build folder]
#   K7_BENCH_SIZES="100000 1000000"  other sizes (the first is the base of the growth)
#   K7_BENCH_CACHE=folder            where the tables are kept
set -euo pipefail

build=${1:-build}
cache=${K7_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/k7-bench}
read -r -a sizes <<< "${K7_BENCH_SIZES:-100000 1000000 10000000}"
benches=(bench_entry_save bench_grid bench_grid_tools)

for b in "${benches[@]}"; do
    [ -x "$build/bench/$b" ] || { echo "$build/bench/$b is not built" >&2; exit 1; }
done
mkdir -p "$cache/logs"
figures=$(mktemp)
trap 'rm -f "$figures"' EXIT

for n in "${sizes[@]}"; do
    mkdir -p "$cache/$n"
    for b in "${benches[@]}"; do
        log="$cache/logs/$b.$n.txt"
        db="$cache/$n/$b.mdb"
        [ -f "$db" ] && made="kept table" || made="making the table"
        printf '%-18s %10s rows (%s) ... ' "$b" "$n" "$made" >&2
        start=$SECONDS
        if ! QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/$b" "$n" --db "$db" > "$log" 2>&1; then
            echo "failed; see $log" >&2
            tail -5 "$log" >&2
            exit 1
        fi
        echo "$((SECONDS - start)) s" >&2
        awk -F'\t' -v n="$n" '$1 == "figure" { print n "\t" $2 "\t" $3 }' "$log" >> "$figures"
    done
done

# One row per figure, one column per size, and the growth from the first size.
awk -F'\t' -v list="${sizes[*]}" '
function label(n) {
    if (n % 1000000 == 0) return (n / 1000000) "M"
    if (n % 1000 == 0) return (n / 1000) "k"
    return n
}
function shown(v) { return v == "" ? "-" : (v >= 100 ? sprintf("%.0f", v) : sprintf("%.2f", v)) }
{
    if (!($2 in seen)) { seen[$2] = 1; order[++count] = $2 }
    value[$2, $1] = $3
}
END {
    k = split(list, size, " ")
    printf "%-42s", "figure"
    for (i = 1; i <= k; ++i) printf " %10s", label(size[i])
    printf " %10s\n", "growth"
    for (f = 1; f <= count; ++f) {
        name = order[f]
        printf "%-42s", name
        for (i = 1; i <= k; ++i) printf " %10s", shown(value[name, size[i]])
        first = value[name, size[1]]; last = value[name, size[k]]
        printf " %10s\n", (first > 0 && last != "") ? sprintf("x%.2f", last / first) : "-"
    }
}' "$figures"
