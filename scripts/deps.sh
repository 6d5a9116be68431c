#!/usr/bin/env bash
# Installs what Setup32 needs to build and test on Debian 12: the native
# toolchain and GoogleTest, the mingw-w64 cross compilers, Wine, a virtual X
# display and the tools that inspect and capture the results (Chromium opens
# the preview sheet), stb_image (the JPEG and GIF decoders the tests hold the
# launcher's own to), Pillow (which writes the pictures the decoder tests
# read), xorriso (writes and reads back the disc image), strace (takes the
# disc away under a running launcher), dpkg-dev, lintian and man-db (the kit
# author's package: built, checked, its manual page read), valgrind (the
# benchmark counts the instructions of a picture load), and for the JPEG
# tests and benchmark only: libjpeg-turbo (libjpeg62-turbo-dev: the reference
# decode; libjpeg-turbo-progs: jpegtran writes restart intervals and
# arithmetic coding) and the photographs of lomiri-wallpapers-16.04.
# Idempotent: when everything is installed it only checks and exits.
#
# Both Wines and both cross compilers are installed: 64-bit Wine and the
# x86_64 compiler run the tests where the host can't execute i386 code, and
# a short 64-bit pass keeps that path working on hosts that can. 32-bit Wine
# is left out where it could not run.
set -eu
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$ROOT/scripts/host.sh"

PACKAGES="cmake g++ make libgtest-dev googletest
g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
wine wine64 fonts-wine xvfb xauth xdotool imagemagick icoutils python3-pefile python3
clang libclang-rt-14-dev nsis chromium libstb-dev python3-pil xorriso strace dpkg-dev lintian man-db valgrind
libjpeg62-turbo-dev libjpeg-turbo-progs lomiri-wallpapers-16.04
debhelper dh-python python3-setuptools debootstrap"
if host_runs_i386; then PACKAGES="$PACKAGES wine32:i386"; fi

die() {
    echo "deps.sh: error: $*" >&2
    exit 1
}

missing=""
for pkg in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing="$missing $pkg"
done

if [ -z "$missing" ]; then
    echo "deps.sh: all packages present"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || die "missing:$missing; run this script as root"
    exec sudo -- bash "$0" "$@"
fi

echo "deps.sh: installing:$missing"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp /tmp/setup32-deps.XXXXXX)
trap 'rm -f "$log"' EXIT

run() {
    if ! "$@" >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        die "'$*' failed"
    fi
}

if [[ "$missing" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    run dpkg --add-architecture i386
fi
run apt-get -q update
# shellcheck disable=SC2086  # the list is meant to split into words
run apt-get install -y -q --no-install-recommends $missing

for pkg in $missing; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || die "$pkg is still not installed"
done
echo "deps.sh: done"
