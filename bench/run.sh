#!/bin/sh
# Times tamarisk's passes against cp of the same file on synthetic queues of 100k and 1M entries (warm
# cache; cp and the pass run in turn RUNS times, median of the per-turn ratios) and prints each row of
# the performance table: milliseconds, the ratio to cp, and the peak memory of the run (getrusage of the
# child) against the queue's size. One row runs each pass and each cp after a pause, as a user's single run
# comes: the memory the system freed from the run before is then no longer at hand.
set -eu
build=${1:-build}
runs=${RUNS:-9}
root=$(cd "$(dirname "$0")/.." && pwd)
tamarisk="$root/$build/app/tamarisk"
genqueue="$root/$build/bench/genqueue"
measure="$root/$build/bench/measure"
pause=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# row NAME FILE TAMARISK-ARGS...: prints the row and leaves the pass's median milliseconds in $last_ms.
row() {
    name=$1
    file=$2
    shift 2
    set -- $(PAUSE=$pause "$measure" "$runs" cp "$file" copy.wrg -- "$tamarisk" --settings="$work/settings.dat" --seed=1 \
        "$@" "$file")
    last_ms=$2
    awk -v n="$name" -v cp="$1" -v t="$2" -v r="$3" -v kb="$4" -v b="$(stat -c %s "$file")" 'BEGIN {
        printf "  %-42s %8.1f ms  %5.2fx cp (%6.1f ms)  peak %6.1f MB = %4.2fx the queue\n",
            n, t, r, cp, kb / 1024, kb * 1024 / b }'
}

every="--referer --save-folder --folder=C:\\dl --folder-from-name --address-change \
--relocation-file=$work/moves.txt --server-change --webjump --webjump-number=21 --shuffle"

"$genqueue" 100000 q.wrg tamcfg.dat moves.txt
cp tamcfg.dat settings.dat
echo "100000 entries, $(awk -v b="$(stat -c %s q.wrg)" 'BEGIN { printf "%.1f", b / 1048576 }') MB, $runs runs:"
row "plain (all options off)" q.wrg
row "referer" q.wrg --referer
row "shuffle alone" q.wrg --shuffle
row "every option, servers in order" q.wrg $every --assign=in-order
row "every option (random servers)" q.wrg $every --assign=random
small_ms=$last_ms
pause=3
row "the same, each run after a 3 s pause" q.wrg $every --assign=random
pause=0

"$genqueue" 1000000 big.wrg tamcfg.dat moves.txt
echo "1000000 entries, $(awk -v b="$(stat -c %s big.wrg)" 'BEGIN { printf "%.1f", b / 1048576 }') MB, $runs runs:"
row "every option (random servers)" big.wrg $every --assign=random
awk -v a="$small_ms" -v b="$last_ms" 'BEGIN { printf "  growth from 100k entries: %.2fx\n", b / a }'
rm -f big.wrg big.wrs copy.wrg

"$genqueue" --storein-only 100000 s.wrg
echo "100000 StoreIn= lines and no Url= line, $(stat -c %s s.wrg) bytes:"
row "save folder with folder-from-name" s.wrg --save-folder --folder='C:\dl' --folder-from-name
