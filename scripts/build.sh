#!/usr/bin/env bash
# Builds into build/: the launcher and its stand-in installer for Windows
# (build/win32), and with --tests also the native tests (build/native, and
# build/native-asan under the sanitizers) and the test programs that run
# under Wine (build/win32-tests).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}
JOBS=$(nproc)
toolchain="$ROOT/cmake/mingw-i686.cmake"

configure_and_build() {
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$BUILD/$dir" -j "$JOBS" -- --no-print-directory >/dev/null
}

echo "Building the launcher (build/win32)"
configure_and_build win32 -DCMAKE_TOOLCHAIN_FILE="$toolchain"
if [ "${1:-}" = --tests ]; then
    echo "Building the native tests (build/native, and build/native-asan with the sanitizers)"
    configure_and_build native
    configure_and_build native-asan -DSETUP32_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    echo "Building the test programs for Wine (build/win32-tests)"
    configure_and_build win32-tests -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DSETUP32_THREADS=posix
fi
