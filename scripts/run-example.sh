#!/bin/sh
# Converts the bundled example queue with the referer pass and a new save folder and shows what changed, decoded to UTF-8.
set -eu
program=$1
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/examples/queue.wrg" "$work/queue.wrg"
set -- --settings="$work/tamcfg.dat" --referer --save-folder --folder='C:\ダウンロード\たまりすく' --folder-from-name -v "$work/queue.wrg"
echo "\$ tamarisk $*"
"$program" "$@"
echo
echo "What changed (queue.wrg -> queue.wr2, Shift-JIS shown as UTF-8):"
iconv -f CP932 -t UTF-8 "$work/queue.wrg" | tr -d '\r' > "$work/before.txt"
iconv -f CP932 -t UTF-8 "$work/queue.wr2" | tr -d '\r' > "$work/after.txt"
diff -u --label queue.wrg --label queue.wr2 "$work/before.txt" "$work/after.txt" || true
