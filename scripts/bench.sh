#!/usr/bin/env bash
# Measures the launcher and prints one table: start-up against a minimal
# Win32 program and a two-page wizard made with NSIS, CPU per slideshow tick with BMP and JPEG pictures, private
# bytes and GUI objects across ticks, and the size and imports of
# Setup32.exe. Each figure is shown with its target; nothing fails on a
# missed target. Runs under Wine in its own prefix (build/bench/wineprefix)
# and always on its own Xvfb, so the tests' prefix and the user's screen are
# untouched. Takes about a minute and a half after the build.
#
#   scripts/bench.sh            # BENCH_RUNS=20 BENCH_TICKS=200 BENCH_TEMPO=50
#   BENCH_PREVIOUS=REV scripts/bench.sh   # also the ticks of the launcher of git revision REV
#   scripts/bench.sh --slow-disc   # only the slideshow from a 4x CD drive
#                                  # (BENCH_SLOW_SECONDS=20 for each kit)
#
# The slideshow from a slow disc: the launcher reads a picture file at every
# tick, on the window's thread. bench/slow_disc.c, preloaded into Wine, makes
# every read of the kit's files cost what a 4x CD drive costs (150 ms a
# seek, 600 KB/s); held.exe times how long the window thread answers nothing
# at each tick. Both for the demo kit's pictures and for a kit of JPEGs.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOP=${SETUP32_BUILD:-$ROOT/build}
RUNS=${BENCH_RUNS:-20}
TICKS=${BENCH_TICKS:-200}
TEMPO=${BENCH_TEMPO:-50}
SLOW_SECONDS=${BENCH_SLOW_SECONDS:-20}
SLOW_ONLY=0
[ "${1:-}" = --slow-disc ] && SLOW_ONLY=1
# A 4x CD drive: 4 x 150 KB/s, and about 150 ms to find the data.
SLOW_ACCESS_US=150000 SLOW_BYTES_PER_S=614400

"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
# The i686 launcher under 32-bit Wine, or where the host can't execute i386
# code its x86_64 build under 64-bit Wine (scripts/host.sh); the programs it
# is compared with are built for the same architecture.
. "$ROOT/scripts/host.sh"
ARCH=$SETUP32_WINE_ARCH
LAUNCHER="$TOP/$(windows_build "$ARCH")/Setup32.exe"

BENCH="$TOP/bench"
PREVIOUS=""
if [ -n "${BENCH_PREVIOUS:-}" ]; then
    echo "Building the launcher of $BENCH_PREVIOUS for $ARCH (build/bench/previous)"
    rm -rf "$BENCH/previous"
    mkdir -p "$BENCH/previous/src"
    git -C "$ROOT" archive "$BENCH_PREVIOUS" | tar -x -C "$BENCH/previous/src"
    cmake -S "$BENCH/previous/src" -B "$BENCH/previous/build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" >/dev/null
    cmake --build "$BENCH/previous/build" --target Setup32 -j "$(nproc)" -- --no-print-directory >/dev/null
    PREVIOUS="$BENCH/previous/build/Setup32.exe"
fi
echo "Building the benchmark's programs for $ARCH (build/bench)"
rm -rf "$BENCH/programs"
cmake -S "$ROOT/bench" -B "$BENCH/programs" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$ARCH.cmake" -DSETUP32_THREADS=win32 >/dev/null
cmake --build "$BENCH/programs" -j "$(nproc)" -- --no-print-directory >/dev/null

echo "Building the NSIS two-page wizard it is compared with (build/bench/nsis_wizard.exe)"
NSIS="$BENCH/nsis_wizard.exe"
makensis -V2 -INPUTCHARSET UTF8 -DOUTFILE="$NSIS" "$ROOT/bench/nsis/wizard.nsi" >/dev/null

echo "Making the kits (build/bench/kits)"
KITS="$BENCH/kits"
rm -rf "$KITS"
mkdir -p "$KITS"/{start,idle,bmp,jpg,gif}
pictures() {  # kit folder, extension, gradients...
    local kit=$1 ext=$2 n=0
    shift 2
    for colours in "$@"; do
        n=$((n + 1))
        if [ "$ext" = bmp ]; then
            convert -size 617x564 "gradient:$colours" -type TrueColor "BMP3:$kit/image$n.bmp"
        elif [ "$ext" = gif ]; then
            convert -size 617x564 "gradient:$colours" "$kit/image$n.gif"
        else
            convert -size 617x564 "gradient:$colours" -quality 90 "$kit/image$n.jpg"
        fi
    done
    convert -size 122x230 'gradient:#ffd54f-#ff6f00' -type TrueColor "BMP3:$kit/imgini.bmp"
    convert -size 122x230 'gradient:#4dd0e1-#01579b' -type TrueColor "BMP3:$kit/imgie.bmp"
}
ini() {  # kit folder, tipoimg, tempo: a whole setup.ini, so that no key beeps
    sed 's/$/\r/' >"$1/setup.ini" <<INI
[Setup32]
nroimg=3
tipoimg=$2
tipoImgTela=bmp
tempo=$3

[Arquivos]
ie3port=ie302\\setup.exe
ie4port=ie401\\ie4setup.exe
ie5port=ie5\\ie5setup.exe
ie5port2=ie5\\ie5setup.exe /Q
ie3ingl=ie302en\\setup.exe
ie4ingl=ie401en\\ie4setup.exe
ie5ingl=ie5en\\ie5setup.exe
ie5ingl2=ie5en\\ie5setup.exe /Q
Discador=discador\\setup.exe

[OKnoCD]
ie3port=ok
ie4port=ok
ie3ingl=no
ie4ingl=no
INI
}
GRADIENTS=('#0b3d91-#5fa8ff' '#1b5e20-#a5d6a7' '#7b1fa2-#f8bbd0')
for kit in start idle bmp; do pictures "$KITS/$kit" bmp "${GRADIENTS[@]}"; done
pictures "$KITS/jpg" jpg "${GRADIENTS[@]}"
pictures "$KITS/gif" gif "${GRADIENTS[@]}"
ini "$KITS/start" bmp 2500
ini "$KITS/idle" bmp 0
ini "$KITS/bmp" bmp "$TEMPO"
ini "$KITS/jpg" jpg "$TEMPO"
ini "$KITS/gif" gif "$TEMPO"

# Wine: a prefix of the bench's own, and a display of its own, started
# before any Wine process of the prefix (Wine's desktop keeps its display).
# Timing is what is measured: when root may, the display, Wine and the
# programs run at a raised priority, so that other work on the machine
# disturbs the figures less.
renice -n -10 -p $$ >/dev/null 2>&1 || true
BUILD="$BENCH"
. "$ROOT/scripts/wine-env.sh"
SETUP32_OWN_DISPLAY=1
start_display
trap stop_wine EXIT
wine_prefix
# Set on every run, also in a prefix made before this line existed.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

# makensis builds a 32-bit wizard, which a host that can't execute i386 code
# does not start: it is timed only where it runs.
NSIS_RUNS=""
[ "$ARCH" != i686 ] || NSIS_RUNS=1
LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)

# The slideshow from a 4x CD drive: the demo kit (three 617 x 564 24-bit
# bitmaps) and a kit of three 617 x 564 JPEGs, both with the demo's
# interval (2.5 s).
slow_disc() {
    local cflags=(-shared -fPIC -O2 -Wall)
    [ "$ARCH" = i686 ] && cflags+=(-m32)
    if ! gcc "${cflags[@]}" -o "$BENCH/slow_disc.so" "$ROOT/bench/slow_disc.c" -ldl 2>"$BENCH/slow_disc.err"; then
        echo "Slideshow from a slow disc: not measured (the read delay could not be built for $ARCH Wine:" \
            "$(head -n1 "$BENCH/slow_disc.err"))"
        return
    fi
    "$ROOT/scripts/make-demo-kit.sh" "$KITS/demo" "$TOP/$(windows_build "$ARCH")/tests/e2e/stub/stub.exe" >/dev/null
    # JPEGs of the kind a kit holds: photo-like pictures (a plasma fractal,
    # fixed seeds) at quality 90, not the smooth gradients of the other kits.
    rm -rf "$KITS/jpg-cd"
    mkdir -p "$KITS/jpg-cd"
    local n
    for n in 1 2 3; do
        convert -seed "$n" -size 617x564 plasma:fractal -quality 90 "$KITS/jpg-cd/image$n.jpg"
    done
    cp "$KITS/jpg/imgini.bmp" "$KITS/jpg/imgie.bmp" "$KITS/jpg-cd/"
    ini "$KITS/jpg-cd" jpg 2500
    echo "Measuring the slideshow from a 4x CD drive: $SLOW_SECONDS s of each kit (demo, jpg-cd)"
    local runs=() kit
    for kit in demo jpg-cd; do
        rm -f "$BENCH/reads-$kit.log"
        SLOW_DISC_DIR=$(cd "$KITS/$kit" && pwd -P) SLOW_DISC_LOG="$BENCH/reads-$kit.log" \
            SLOW_DISC_ACCESS_US=$SLOW_ACCESS_US SLOW_DISC_BYTES_PER_S=$SLOW_BYTES_PER_S \
            LD_PRELOAD="$BENCH/slow_disc.so" timeout 300 "$WINELOADER" "$BENCH/programs/held.exe" \
            "$(winpath "$LAUNCHER")" "$(winpath "$KITS/$kit")" "$SLOW_SECONDS" | tr -d '\r' >"$BENCH/held-$kit.txt" || true
        runs+=("$kit:$BENCH/reads-$kit.log:$BENCH/held-$kit.txt")
    done
    echo
    /usr/bin/python3 "$ROOT/bench/slow_disc.py" "$SLOW_ACCESS_US" "$SLOW_BYTES_PER_S" "${runs[@]}"
}
if [ "$SLOW_ONLY" = 1 ]; then
    slow_disc
    echo
    echo "Machine: $(nproc) CPUs, $(wine --version) ($WINE_LABEL); load average $(cut -d' ' -f1-3 /proc/loadavg)"
    exit 0
fi

echo "Measuring the $ARCH build under Wine ($WINE_LABEL) on $DISPLAY: $RUNS start-ups of each of 3 programs, $TICKS ticks of $TEMPO ms per format"
RESULTS="$BENCH/results.txt"
SETUP32_PREVIOUS=${PREVIOUS:+$(winpath "$PREVIOUS")} \
    timeout 900 "$WINELOADER" "$BENCH/programs/driver.exe" "$(winpath "$LAUNCHER")" \
    "$(winpath "$BENCH/programs/minimal.exe")" "$(winpath "$BENCH/programs/minimal_dlls.exe")" "$(winpath "$KITS")" \
    "$RUNS" "$TICKS" "$TEMPO" ${NSIS_RUNS:+"$(winpath "$NSIS")"} \
    | tr -d '\r' >"$RESULTS" || { cat "$RESULTS"; echo "bench: the driver failed" >&2; exit 1; }
[ -z "$PREVIOUS" ] || echo "previous.rev $BENCH_PREVIOUS" >>"$RESULTS"

echo
/usr/bin/python3 "$ROOT/bench/table.py" "$RESULTS" "$TOP/win32/Setup32.exe" "$TICKS" "$TEMPO" "$NSIS"
echo
slow_disc
echo
echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(wine --version) ($WINE_LABEL);" \
    "load average $(cut -d' ' -f1-3 /proc/loadavg) (before: $LOAD_BEFORE)"
