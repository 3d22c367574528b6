#!/usr/bin/env bash
# Times diagsum-report (table only, no chart) beside an awk one-liner that
# computes the mean per worker count of the same 1,000,000-line log. The two
# take turns, so load from other processes falls on both alike; every time
# and the medians are printed.
#
#   bench/report_vs_awk.sh [REPORT [RUNS]]
#   (defaults: build/release/diagsum-report, 15 runs each)
set -euo pipefail
cd "$(dirname "$0")/.."
report=${1:-build/release/diagsum-report}
runs=${2:-15}
lines=1000000
[ -x "$report" ] || { echo "no program at $report: cmake --workflow --preset release"; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log=$scratch/infoData.csv
# Like appended sweeps: 50 runs per worker count, counts 1 to 127 in turn.
awk -v lines=$lines 'BEGIN {
    srand(1)
    for (i = 0; i < lines; i++) {
        t = int(i / 50) % 127 + 1
        printf "%d,%02d; 500; 500; 999; %d\n", 300 + 75 * t + int(rand() * 200), int(rand() * 100), t
    }
}' > "$log"
mean_per_count='{ s[$5] += $1; n[$5]++ } END { for (t in s) print t, s[t] / n[t] }'

# Wall time of one command in µs; its output is dropped.
micros() {
    local start end
    start=$(date +%s%N)
    "$@" > /dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "log: $(wc -l < "$log") lines, $(($(stat -c %s "$log") / 1000)) kB; awk is $(readlink -f "$(command -v awk)")"
micros "$report" --no-chart "$log" > /dev/null  # fills the page cache
micros awk -F'; ' "$mean_per_count" "$log" > /dev/null
printf '%4s %12s %12s\n' run "report ms" "awk ms"
: > "$scratch/report" && : > "$scratch/awk"
for i in $(seq "$runs"); do
    r=$(micros "$report" --no-chart "$log")
    a=$(micros awk -F'; ' "$mean_per_count" "$log")
    echo "$r" >> "$scratch/report"
    echo "$a" >> "$scratch/awk"
    awk -v i="$i" -v r="$r" -v a="$a" 'BEGIN { printf "%4d %12.1f %12.1f\n", i, r / 1000, a / 1000 }'
done
r=$(median < "$scratch/report")
a=$(median < "$scratch/awk")
awk -v r="$r" -v a="$a" 'BEGIN {
    printf "median of %s runs: report %.1f ms, awk %.1f ms; the report takes %.2f times awk'"'"'s time\n", '"$runs"', r / 1000, a / 1000, r / a
}'
