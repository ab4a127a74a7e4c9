#!/bin/sh
# Installs the build into a temporary prefix and checks that the program and its desktop files arrive and
# that the installed program runs.
set -eu
build=$1
gui=$2
prefix=$(mktemp -d)
alone=$(mktemp -d)
trap 'rm -rf "$prefix" "$alone"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
test -x "$prefix/bin/tamarisk"
"$prefix/bin/tamarisk" --version | grep -q '^tamarisk '
if [ "$gui" = ON ]; then
    test -f "$prefix/share/tamarisk/tamrsk.html"
    grep -q '^Exec=tamarisk --open %F$' "$prefix/share/applications/tamarisk.desktop"
    grep -q '^MimeType=application/x-reget-queue;$' "$prefix/share/applications/tamarisk.desktop"
    grep -q 'glob pattern="\*.wrg"' "$prefix/share/mime/packages/tamarisk.xml"
    test -f "$prefix/share/icons/hicolor/scalable/apps/tamarisk.svg"
    ls "$prefix"/lib*/tamarisk/tamarisk-window.so "$prefix"/lib/*/tamarisk/tamarisk-window.so 2>/dev/null | grep -q .
    # A copy of the program without the window module still converts, and says why it opens no window.
    cp "$prefix/bin/tamarisk" "$alone/"
    printf 'Info=\r\n' > "$alone/q.wrg"
    "$alone/tamarisk" "$alone/q.wrg"
    test -f "$alone/q.wr2"
    if "$alone/tamarisk" 2> "$alone/err"; then exit 1; fi
    grep -q 'the window is not available' "$alone/err"
fi
echo "installed into $prefix"
