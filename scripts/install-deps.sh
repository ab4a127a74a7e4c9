#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
set -eu
packages="cmake make g++ ccache libgtest-dev libgmock-dev libcli11-dev clang-14 libclang-rt-14-dev qt6-base-dev qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic g++-mingw-w64-x86-64-posix wine64 zip aria2 python3"
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
# A fresh machine may have no package lists yet; refresh them only when the first attempt fails.
if ! $sudo apt-get install -y --no-install-recommends $missing; then
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends $missing
fi
