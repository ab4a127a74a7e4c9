#!/bin/sh
# Installs the build into a temporary prefix and checks that the program and its desktop files arrive and
# that the installed program runs.
set -eu
build=$1
gui=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/tamarisk"
"$prefix/bin/tamarisk" --version | grep -q '^tamarisk '
if [ "$gui" = ON ]; then
    test -f "$prefix/share/tamarisk/tamrsk.html"
    grep -q '^Exec=tamarisk %F$' "$prefix/share/applications/tamarisk.desktop"
    grep -q '^MimeType=application/x-reget-queue;$' "$prefix/share/applications/tamarisk.desktop"
    grep -q 'glob pattern="\*.wrg"' "$prefix/share/mime/packages/tamarisk.xml"
    test -f "$prefix/share/icons/hicolor/scalable/apps/tamarisk.svg"
fi
echo "installed into $prefix"
