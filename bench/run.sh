#!/bin/sh
# Times cp and tamarisk's passes on synthetic queues of 25k to 200k entries (warm cache, median of
# RUNS runs each) and prints MB/s and the ratio to cp's time in the same run.
set -eu
build=${1:-build}
runs=${RUNS:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
tamarisk="$root/$build/app/tamarisk"
genqueue="$root/$build/bench/genqueue"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median wall time in milliseconds of running the command RUNS times.
median_ms() {
    i=0
    : > "$work/times"
    while [ $i -lt "$runs" ]; do
        start=$(date +%s%N)
        "$@" > /dev/null
        end=$(date +%s%N)
        echo $(( (end - start) / 1000 )) >> "$work/times"
        i=$((i + 1))
    done
    sort -n "$work/times" | awk '{ a[NR] = $1 } END { m = a[int((NR + 1) / 2)]; printf "%.1f", m / 1000 }'
}

report() { # name ms mb cp_ms
    awk -v n="$1" -v t="$2" -v mb="$3" -v cp="$4" \
        'BEGIN { printf "  %-34s %8.1f ms %8.1f MB/s %6.2fx cp\n", n, t, mb / (t / 1000), t / cp }'
}

cd "$work"
for entries in 25000 50000 100000 200000; do
    "$genqueue" "$entries" q.wrg tamcfg.dat moves.txt
    cp tamcfg.dat settings.dat
    mb=$(awk -v b="$(stat -c %s q.wrg)" 'BEGIN { printf "%.1f", b / 1048576 }')
    echo "$entries entries, $mb MB:"
    cat q.wrg > /dev/null
    cp_ms=$(median_ms cp q.wrg copy.wrg)
    report "cp" "$cp_ms" "$mb" "$cp_ms"
    s="--settings=$work/settings.dat --seed=1"
    report "plain pass" "$(median_ms "$tamarisk" $s q.wrg)" "$mb" "$cp_ms"
    report "referer pass" "$(median_ms "$tamarisk" $s --referer q.wrg)" "$mb" "$cp_ms"
    report "shuffle" "$(median_ms "$tamarisk" $s --shuffle q.wrg)" "$mb" "$cp_ms"
    report "save folder+name, 100 moves, referer" "$(median_ms "$tamarisk" $s --referer --save-folder \
        --folder='C:\dl' --folder-from-name --address-change --relocation-file=moves.txt q.wrg)" "$mb" "$cp_ms"
    for mode in random in-order; do
        report "every option, $mode" "$(median_ms "$tamarisk" $s --referer --save-folder --folder='C:\dl' \
            --folder-from-name --address-change --relocation-file=moves.txt --server-change --assign=$mode \
            --webjump --webjump-number=21 --shuffle q.wrg)" "$mb" "$cp_ms"
    done
done
"$genqueue" --storein-only 100000 s.wrg
mb=$(awk -v b="$(stat -c %s s.wrg)" 'BEGIN { printf "%.1f", b / 1048576 }')
echo "100000 StoreIn= lines and no Url= line, $mb MB:"
cp_ms=$(median_ms cp s.wrg copy.wrg)
report "cp" "$cp_ms" "$mb" "$cp_ms"
report "save folder with folder-from-name" "$(median_ms "$tamarisk" --settings="$work/settings.dat" --save-folder \
    --folder='C:\dl' --folder-from-name s.wrg)" "$mb" "$cp_ms"
