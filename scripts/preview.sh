#!/usr/bin/env bash
# scripts/preview.sh KITFOLDER OUTDIR
#
# The preview sheet of a kit from the source tree: `setup32-kit preview`
# (tools/setup32-kit, see its --help) on the programs of the build folder:
# the Windows build of the host's Wine path (build/win32, or build/win64
# where the host runs no i386 code, see scripts/host.sh) with Setup32.exe and
# preview/preview.exe, and the native kitcheck; SETUP32_BUILD names another
# build folder. Its Wine prefixes are those of the build folder's cache,
# build/cache/setup32-kit/wine64-1 and the like. What it needs is used as it
# is found: only what is absent is installed (scripts/deps.sh) or built
# (that one target), and the log says so; otherwise it says that nothing was
# installed or built.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")

NAME=preview.sh
die() {
    echo "preview.sh: $*" >&2
    exit 2
}
. "$ROOT/scripts/need.sh"
. "$ROOT/scripts/host.sh"
export SETUP32_BUILD=$BUILD PYTHONPATH="$ROOT/tools/setup32-kit" XDG_CACHE_HOME="$BUILD/cache"
case ${1:-} in -h | --help) exec /usr/bin/python3 -m setup32_kit preview --help ;; esac

WIN="$BUILD/$(windows_build "$SETUP32_WINE_ARCH")"
if [ "$SETUP32_WINE_ARCH" = x86_64 ]; then LOADER=/usr/lib/wine/wine64; else LOADER=/usr/lib/wine/wine; fi
need_commands "$LOADER" Xvfb /usr/bin/python3
for program in Setup32.exe:Setup32 preview/preview.exe:preview; do
    need_built "$WIN/${program%%:*}" "$WIN" "${program#*:}" \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$SETUP32_WINE_ARCH.cmake"
done
need_built "$BUILD/native/kitcheck/kitcheck" "$BUILD/native" kitcheck
need_summary "Wine, Xvfb, $WIN and $BUILD/native/kitcheck/kitcheck"
exec /usr/bin/python3 -m setup32_kit preview "$@"
