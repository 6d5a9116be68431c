#!/usr/bin/env bash
# scripts/make-disc.sh [--label LABEL] [--anyway] [--launcher EXE] KITFOLDER OUT.iso
#
# The disc image of a kit from the source tree: `setup32-kit disc`
# (tools/setup32-kit, see its --help) on the programs of the build folder,
# build/win32/Setup32.exe (or --launcher) and build/native/kitcheck/kitcheck;
# SETUP32_BUILD names another build folder. What it needs is used as it is
# found: only what is absent is installed (scripts/deps.sh) or built (that
# one target), and the log says so; otherwise it says that nothing was
# installed or built.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")

NAME=make-disc.sh
die() {
    echo "make-disc.sh: $*" >&2
    exit 2
}
. "$ROOT/scripts/need.sh"
export SETUP32_BUILD=$BUILD PYTHONPATH="$ROOT/tools/setup32-kit"
case " $* " in *" -h "* | *" --help "*) exec /usr/bin/python3 -m setup32_kit disc --help ;; esac

need_commands xorriso /usr/bin/python3
LAUNCHER="the --launcher given"
case " $* " in
*" --launcher "*) ;;
*)
    LAUNCHER=$BUILD/win32/Setup32.exe
    need_built "$LAUNCHER" "$BUILD/win32" Setup32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
    ;;
esac
need_built "$BUILD/native/kitcheck/kitcheck" "$BUILD/native" kitcheck
need_summary "xorriso, $LAUNCHER, $BUILD/native/kitcheck/kitcheck"
exec /usr/bin/python3 -m setup32_kit disc "$@"
