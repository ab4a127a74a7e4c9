#!/bin/sh
# Packs the Windows programs, the help and the Windows read-me into dist/tamarisk-VERSION-win64.zip.
set -eu
build=${1:-build-windows}
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^project(tamarisk VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name="tamarisk-$version-win64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
cp "$root/$build/app/tamarisk.exe" "$root/$build/app/tamariskw.exe" "$root/share/tamrsk.html" \
   "$root/share/windows/README-Windows.txt" "$stage/$name/"
mkdir -p "$root/dist"
rm -f "$root/dist/$name.zip"
(cd "$stage" && zip -q -r -X "$root/dist/$name.zip" "$name")
echo "dist/$name.zip"
