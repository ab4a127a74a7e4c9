#!/bin/sh
# Runs the fuzz target for the given number of seconds over its corpus, seeded from tests/data.
set -eu
target=$(realpath "$1")
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
corpus="$root/fuzz/corpus"
mkdir -p "$corpus"
cp -n "$root"/tests/data/*.wrg "$root"/tests/data/fuzz/* "$corpus"/ 2>/dev/null || true
cd "$root/fuzz"
"$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -print_final_stats=1 "$corpus" 2>&1 | tail -n 15
