#!/usr/bin/env bash
# Builds into build/:
#   win32         the launcher (the product, i686), its stand-in installer
#                 and kitcheck.exe;
#   win64         the same for x86_64, where the tests run under 64-bit Wine;
# and with --tests also
#   native        the native tests (native-asan: under the sanitizers);
#   win32-tests   the test programs that run under 32-bit Wine, or
#   win64-tests   those that run under 64-bit Wine.
# The Windows builds made for Wine follow the host (scripts/host.sh);
# SETUP32_WINE_ARCHES="i686 x86_64" asks for both.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}
JOBS=$(nproc)
. "$ROOT/scripts/host.sh"
ARCHES=${SETUP32_WINE_ARCHES:-$SETUP32_WINE_ARCH}

configure_and_build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$BUILD/$dir" -j "$JOBS" -- --no-print-directory >/dev/null
}

echo "Building the launcher (build/win32)"
configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
for arch in $ARCHES; do
    [ "$arch" = x86_64 ] || continue
    echo "Building the launcher for x86_64 (build/win64)"
    configure_and_build win64 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake"
done
if [ "${1:-}" = --tests ]; then
    echo "Building the native tests (build/native, and build/native-asan with the sanitizers)"
    configure_and_build native
    configure_and_build native-asan -DSETUP32_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    for arch in $ARCHES; do
        dir=$(windows_build "$arch")-tests
        echo "Building the test programs for Wine, $arch (build/$dir)"
        configure_and_build "$dir" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch.cmake" -DSETUP32_THREADS=posix
    done
fi
