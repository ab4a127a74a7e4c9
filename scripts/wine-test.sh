#!/bin/sh
# Runs the Windows test programs under Wine in a Wine prefix of the build's own, keeping one Wine server
# running so that each program does not pay Wine's start-up.
set -eu
build=${1:-build-windows}
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$root/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=$(command -v wineserver || true)
for candidate in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
    [ -n "$wineserver" ] && break
    [ -x "$candidate" ] && wineserver=$candidate
done
mkdir -p "$WINEPREFIX"
# The server stays for the whole run (-p) and is ended with it. The prefix is made, and Wine's services
# started, before the tests and away from ctest's output: a service that kept ctest's pipe open would
# keep ctest waiting for the end of a test's output.
"$wineserver" -p >/dev/null 2>&1 </dev/null &
trap '"$wineserver" -k 2>/dev/null || true' EXIT
wine=$(sed -n 's/^TAMARISK_WINE:FILEPATH=//p' "$root/$build/CMakeCache.txt")
"$wine" wineboot -i >/dev/null 2>&1 </dev/null
ctest --test-dir "$root/$build" --output-on-failure
