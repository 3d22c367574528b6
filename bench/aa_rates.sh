#!/usr/bin/env bash
# How often diagsum-report and Google Benchmark's compare.py call a
# difference where there is none, and whether they find one that is there.
#
#   bench/aa_rates.sh [-p PAIRS] [-t COUNTS] [-r RUNS] [-s SIZE] [-a AB_COUNTS] [-b BUILD_DIR] [-B AB_PAIRS] [-k]
#
# A/A: PAIRS pairs of sweeps of one build, one sweep right after the other,
# once plain (sequential order, one invocation) and once with the recipe
# (-r RUNS --order random --invocations 5 --warmup 2). Each pair is
# compared by `diagsum-report --compare --export-json` and by
# `compare.py benchmarks a.json b.json`; printed: the share of verdicts
# that say faster or slower (wall and processor time, every count), and the
# share of compare.py's U tests with p < 0.05. With no difference there,
# an honest method stays at 5 % or below.
# A/B: the recipe with GLIBC_TUNABLES=glibc.pthread.stack_cache_size=
# 2147483648 (threads' stacks kept for reuse) against the default, at
# AB_COUNTS (default 32,64,127): printed, per count, the wall verdict and
# compare.py's wall p, for each of AB_PAIRS pairs (default 1), then how
# often each count was found.
# Defaults: -p 4 -t 1,2,4,8,16,32,64,127 -r 30 -s 500x500 -b build/test.
# -k keeps the scratch folder (its path is printed).
set -euo pipefail

pairs=4
counts=1,2,4,8,16,32,64,127
runs=30
size=500x500
abCounts=32,64,127
build=build/test
abPairs=1
keep=0
while getopts "p:t:r:s:a:b:B:k" option; do
    case "$option" in
        p) pairs=$OPTARG ;;
        t) counts=$OPTARG ;;
        r) runs=$OPTARG ;;
        s) size=$OPTARG ;;
        a) abCounts=$OPTARG ;;
        b) build=$OPTARG ;;
        B) abPairs=$OPTARG ;;
        k) keep=1 ;;
        *) sed -n 5p "$0" >&2; exit 64 ;;
    esac
done

diagsum=$(realpath "$build/diagsum")
report=$(realpath "$build/diagsum-report")
comparePy=/usr/share/benchmark/compare.py
# The system's Python, where python3-scipy is installed (not a pyenv shim's).
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
haveComparePy=0
if [ -f "$comparePy" ] && "$python" -c 'import scipy' 2>/dev/null; then
    haveComparePy=1
fi
scratch=$(mktemp -d)
if [ "$keep" = 1 ]; then
    echo "scratch: $scratch"
else
    trap 'rm -rf "$scratch"' EXIT
fi
cd "$scratch"

recipe=(--order random --invocations 5 --warmup 2)

sweep() {  # sweep OUT.json [options...]
    local out=$1
    shift
    "$diagsum" -s "$size" -r "$runs" --no-log --json "$out" "$@" >/dev/null 2>&1
}

# diagsum-report's verdicts of a pair: "called total" over wall and cpu of every count.
reportVerdicts() {
    "$report" --compare -n -q "$1" "$2" --export-json cmp.json >/dev/null
    python3 - cmp.json <<'PY'
import json, sys
rows = [r for r in json.load(open(sys.argv[1]))["comparison"]["rows"] if r["wall_ratio"] is not None or r["cpu_ratio"] is not None]
called = sum(r[m] in ("faster", "slower") for r in rows for m in ("wall_verdict", "cpu_verdict"))
print(called, 2 * len(rows))
PY
}

# compare.py's U tests of a pair: "below-0.05 total".
comparePyVerdicts() {
    if [ "$haveComparePy" = 0 ]; then
        echo "0 0"
        return
    fi
    "$python" "$comparePy" -d py.json benchmarks "$1" "$2" >/dev/null 2>&1 || { echo "0 0"; return; }
    python3 - py.json <<'PY'
import json, sys
tests = [e["utest"] for e in json.load(open(sys.argv[1])) if e.get("utest")]
low = sum((u["time_pvalue"] < 0.05) + (u["cpu_pvalue"] < 0.05) for u in tests)
print(low, 2 * len(tests))
PY
}

rate() {  # rate CALLED TOTAL
    python3 -c "import sys; c, t = int(sys.argv[1]), int(sys.argv[2]); print(f'{c} of {t} ({100 * c / t:.1f} %)' if t else 'n/a')" "$1" "$2"
}

for kind in plain recipe; do
    ours=(0 0)
    theirs=(0 0)
    for ((i = 1; i <= pairs; i++)); do
        extra=()
        [ "$kind" = recipe ] && extra=("${recipe[@]}")
        sweep "a$i.json" -t "$counts" "${extra[@]}"
        sweep "b$i.json" -t "$counts" "${extra[@]}"
        read -r c t < <(reportVerdicts "a$i.json" "b$i.json")
        ours=($((ours[0] + c)) $((ours[1] + t)))
        read -r c t < <(comparePyVerdicts "a$i.json" "b$i.json")
        theirs=($((theirs[0] + c)) $((theirs[1] + t)))
    done
    echo "A/A $kind ($pairs pairs, -t $counts -r $runs${extra:+ ${extra[*]}}):"
    echo "  diagsum-report faster/slower: $(rate "${ours[@]}")"
    echo "  compare.py p < 0.05:          $(rate "${theirs[@]}")"
done

echo "A/B stack cache against the default (recipe, -t $abCounts -r $runs, $abPairs pairs):"
for ((i = 1; i <= abPairs; i++)); do
    sweep base.json -t "$abCounts" "${recipe[@]}"
    GLIBC_TUNABLES=glibc.pthread.stack_cache_size=2147483648 sweep cached.json -t "$abCounts" "${recipe[@]}"
    "$report" --compare -n -q base.json cached.json --export-json ab.json >/dev/null
    [ "$haveComparePy" = 1 ] && "$python" "$comparePy" -d abpy.json benchmarks base.json cached.json >/dev/null 2>&1 || echo "[]" >abpy.json
    python3 - ab.json abpy.json <<'PY' | tee -a found.txt
import json, sys
rows = [r for r in json.load(open(sys.argv[1]))["comparison"]["rows"] if r["wall_ratio"] is not None]
py = {e["name"].rsplit(":", 1)[-1]: e["utest"]["time_pvalue"] for e in json.load(open(sys.argv[2])) if e.get("utest")}
for r in rows:
    p = py.get(str(r["workers"]))
    found = "detected" if r["wall_verdict"] in ("faster", "slower") else "not detected"
    print(f"  {r['workers']:>4} workers: wall ratio {r['wall_ratio']:.3f} [{r['wall_ratio_ci_low']:.3f}, "
          f"{r['wall_ratio_ci_high']:.3f}] {r['wall_verdict']} ({found}); compare.py wall p "
          + (f"{p:.4f}" if p is not None else "n/a"))
PY
done
awk '{ total[$1]++; if ($0 ~ /\(detected\)/) found[$1]++ } END { for (w in total) printf "  %4d workers: found in %d of %d pairs\n", w, found[w], total[w] }' found.txt | sort -n
