#!/usr/bin/env bash
# Measures the launcher and prints its tables: start-up against a minimal
# Win32 program and a two-page wizard made with NSIS; CPU per slideshow tick
# with BMP, JPEG and GIF pictures, the BMP tick against the floor program's
# (bench/floor.cpp: the least any Win32 program does per tick); the memory a
# tick takes above what the launcher holds between ticks; private bytes and
# GUI objects across ticks; the size and imports of Setup32.exe; the
# instructions of each picture load, counted natively; and the slideshow
# from a slow CD drive. Each figure is shown with its target; nothing fails
# on a missed target. Runs under Wine in its own prefix
# (build/bench/wineprefix) and always on its own Xvfb, so the tests' prefix
# and the user's screen are untouched. Takes about five minutes after the
# build.
#
#   scripts/bench.sh            # BENCH_RUNS=20 BENCH_TICKS=200 BENCH_TEMPO=50
#                               # BENCH_MEMORY_TICKS=12
#   BENCH_PREVIOUS=REV scripts/bench.sh   # also the ticks, memory and counts of git revision REV
#   scripts/bench.sh --slow-disc   # only the slideshow from a 4x CD drive
#                                  # (BENCH_SLOW_SECONDS=20 for each kit)
#   scripts/bench.sh --count       # only the instruction counts (no Wine)
#
# CPU per tick is read from outside (bench/ticks.py): the CPU time of the
# program's Wine process from /proc/PID/stat over BENCH_TICKS intervals of
# BENCH_TEMPO ms, less its CPU with no tick over the same time, divided by
# the ticks counted as opens of the kit's picture files. The memory of a
# load is the process's peak resident size during a tick above its resident
# size just before it (the peak reset through /proc/PID/clear_refs), with
# the window minimised (nothing drawn) and a slideshow of 400 ms; the
# kernel's counters make it exact to some 256 KB. The count (--count) adds
# up the heap a load holds exactly, natively.
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
MEMORY_TICKS=${BENCH_MEMORY_TICKS:-12}
SLOW_ONLY=0 COUNT_ONLY=0
[ "${1:-}" = --slow-disc ] && SLOW_ONLY=1
[ "${1:-}" = --count ] && COUNT_ONLY=1
# A 4x CD drive: 4 x 150 KB/s, and about 150 ms to find the data.
SLOW_ACCESS_US=150000 SLOW_BYTES_PER_S=614400

"$ROOT/scripts/deps.sh"
BENCH="$TOP/bench"
mkdir -p "$BENCH"
# The sources of the revision compared with, for its launcher and its count.
PREVIOUS_SRC=""
if [ -n "${BENCH_PREVIOUS:-}" ]; then
    PREVIOUS_SRC="$BENCH/previous/src"
    rm -rf "$BENCH/previous"
    mkdir -p "$PREVIOUS_SRC"
    git -C "$ROOT" archive "$BENCH_PREVIOUS" | tar -x -C "$PREVIOUS_SRC"
fi

# The test pictures, all 617 x 564 and made the same on every run: picture
# KIND SEED FILE. bmp: a 24-bit gradient as the demo kit's (seeds 1 to 3:
# its three colours); rle: an 8-bit run-length bitmap of a drawing of flat
# areas (a blurred plasma fractal in 256 colours, not dithered); bmp8: the
# same with no compression (the floor program's 8-bit picture); jpg: a
# photo-like plasma fractal at quality 90 (ImageMagick keeps the colour at
# full size from quality 90); gif: the same in 256 colours, dithered as a
# photo is.
GRADIENTS=('#0b3d91-#5fa8ff' '#1b5e20-#a5d6a7' '#7b1fa2-#f8bbd0')
picture() {
    local kind=$1 seed=$2 out=$3
    case $kind in
    bmp) convert -size 617x564 "gradient:${GRADIENTS[$((seed - 1))]}" -type TrueColor "BMP3:$out" ;;
    rle | bmp8) convert -seed "$seed" -size 617x564 plasma:fractal -blur 0x3 +dither -colors 256 -type Palette \
        -compress "$([ "$kind" = rle ] && echo RLE || echo none)" "BMP3:$out" ;;
    jpg) convert -seed "$seed" -size 617x564 plasma:fractal -quality 90 "$out" ;;
    gif) convert -seed "$seed" -size 617x564 plasma:fractal -colors 256 "$out" ;;
    esac
}

# The instructions of each picture load, counted by callgrind in a native
# build of the pictures room (bench/count), and those of the revision
# compared with when given; for the JPEG photographs (made from Debian's
# lomiri-wallpapers-16.04 by pictures/tests/make_jpeg_corpus.sh) also
# stb_image and libjpeg-turbo (bench/count/count_reference.cpp).
count_loads() {
    local dir="$BENCH/count" kind builds=()
    echo "Counting the instructions of a picture load (native x86_64, -O2, valgrind's callgrind)"
    rm -rf "$dir/pictures"
    mkdir -p "$dir/pictures"
    for kind in bmp rle gif; do picture "$kind" 1 "$dir/pictures/$kind.${kind/rle/bmp}"; done
    "$ROOT/pictures/tests/make_jpeg_corpus.sh" --bench "$dir/pictures"
    cmake -S "$ROOT/bench/count" -B "$dir/build" -DSETUP32_SOURCE="$ROOT" >/dev/null
    cmake --build "$dir/build" -j "$(nproc)" -- --no-print-directory >/dev/null
    builds+=(--build this "$dir/build/count_picture")
    if [ -n "$PREVIOUS_SRC" ]; then
        cmake -S "$ROOT/bench/count" -B "$dir/previous" -DSETUP32_SOURCE="$PREVIOUS_SRC" >/dev/null
        cmake --build "$dir/previous" --target count_picture -j "$(nproc)" -- --no-print-directory >/dev/null
        builds+=(--build "$BENCH_PREVIOUS" "$dir/previous/count_picture")
    fi
    local reference="$dir/build/count_reference"
    builds+=(--reference "stb_image 2.27, STBI_NO_SIMD" "$reference" stb)
    builds+=(--reference "libjpeg-turbo, SIMD off, accurate IDCT, smooth upsampling" "$reference" libjpeg-accurate)
    builds+=(--reference "libjpeg-turbo, SIMD off, fast IDCT, merged upsampling" "$reference" libjpeg-fast)
    echo
    /usr/bin/python3 "$ROOT/bench/count.py" "$dir" "${builds[@]}"
}
if [ "$COUNT_ONLY" = 1 ]; then
    count_loads
    exit 0
fi

"$ROOT/scripts/build.sh"
# The i686 launcher under 32-bit Wine, or where the host can't execute i386
# code its x86_64 build under 64-bit Wine (scripts/host.sh); the programs it
# is compared with are built for the same architecture.
. "$ROOT/scripts/host.sh"
ARCH=$SETUP32_WINE_ARCH
LAUNCHER="$TOP/$(windows_build "$ARCH")/Setup32.exe"

PREVIOUS=""
if [ -n "$PREVIOUS_SRC" ]; then
    echo "Building the launcher of $BENCH_PREVIOUS for $ARCH (build/bench/previous)"
    cmake -S "$PREVIOUS_SRC" -B "$BENCH/previous/build" -DCMAKE_BUILD_TYPE=Release \
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

# The kits: start (the slideshow at its usual pace), idle (no tick), bmp,
# jpg and gif at BENCH_TEMPO, and mem-bmp, mem-bmp8 (the floor's), mem-rle,
# mem-jpg and mem-gif at 400 ms for the memory of a tick. Each holds three pictures of its kind
# and the two page pictures.
echo "Making the kits (build/bench/kits)"
KITS="$BENCH/kits"
rm -rf "$KITS"
MEMORY_TEMPO=400
kit() {  # kit folder, kind of picture, tempo
    local dir=$1 kind=$2 n
    mkdir -p "$dir"
    local ext=${kind/rle/bmp}
    for n in 1 2 3; do picture "$kind" "$n" "$dir/image$n.${ext/bmp8/bmp}"; done
    convert -size 122x230 'gradient:#ffd54f-#ff6f00' -type TrueColor "BMP3:$dir/imgini.bmp"
    convert -size 122x230 'gradient:#4dd0e1-#01579b' -type TrueColor "BMP3:$dir/imgie.bmp"
    ini "$dir" "${ext/bmp8/bmp}" "$3"
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
kit "$KITS/start" bmp 2500
kit "$KITS/idle" bmp 0
for kind in bmp jpg gif; do kit "$KITS/$kind" "$kind" "$TEMPO"; done
for kind in bmp bmp8 rle jpg gif; do kit "$KITS/mem-$kind" "$kind" "$MEMORY_TEMPO"; done

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
    # JPEGs of the kind a kit holds: photo-like pictures at quality 90.
    rm -rf "$KITS/jpg-cd"
    kit "$KITS/jpg-cd" jpg 2500
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
timeout 900 "$WINELOADER" "$BENCH/programs/driver.exe" "$(winpath "$LAUNCHER")" \
    "$(winpath "$BENCH/programs/minimal.exe")" "$(winpath "$BENCH/programs/minimal_dlls.exe")" "$(winpath "$KITS")" \
    "$RUNS" "$TICKS" "$TEMPO" ${NSIS_RUNS:+"$(winpath "$NSIS")"} \
    | tr -d '\r' >"$RESULTS" || { cat "$RESULTS"; echo "bench: the driver failed" >&2; exit 1; }

# The ticks from outside: each program with no tick, then the floor, this
# launcher and the previous one in turn on each format, so that a change in
# the machine's load falls on all of them; then the memory of a tick.
SECONDS_PER_RUN=$(awk "BEGIN { print $TICKS * $TEMPO / 1000 }")
JOBS="$BENCH/ticks.jobs"
FLOOR="$BENCH/programs/floor.exe"
programs=("setup32 $LAUNCHER")
[ -z "$PREVIOUS" ] || programs+=("previous $PREVIOUS")
{
    for kind in idle bmp jpg gif; do
        case $kind in
        idle) printf 'cpu\tfloor.idle\t%s\t%s\t%s\t%s\t0\n' "$SECONDS_PER_RUN" "$KITS/bmp" "$WINELOADER" "$FLOOR" ;;
        bmp) printf 'cpu\tfloor.bmp\t%s\t%s\t%s\t%s\t%s\n' "$SECONDS_PER_RUN" "$KITS/bmp" "$WINELOADER" "$FLOOR" "$TEMPO" ;;
        esac
        for p in "${programs[@]}"; do
            printf 'cpu\t%s.%s\t%s\t%s\t%s\t%s\n' "${p%% *}" "$kind" "$SECONDS_PER_RUN" "$KITS/$kind" "$WINELOADER" "${p#* }"
        done
    done
    for kind in bmp bmp8; do
        printf 'mem\tfloor.mem.%s\t%s\t%s\t%s\t%s\t%s\n' "$kind" "$MEMORY_TICKS" "$KITS/mem-$kind" "$WINELOADER" "$FLOOR" \
            "$MEMORY_TEMPO"
    done
    for kind in bmp rle jpg gif; do
        for p in "${programs[@]}"; do
            printf 'mem\t%s.mem.%s\t%s\t%s\t%s\t%s\n' "${p%% *}" "$kind" "$MEMORY_TICKS" "$KITS/mem-$kind" "$WINELOADER" "${p#* }"
        done
    done
} >"$JOBS"
echo "Measuring CPU per tick from outside: ${SECONDS_PER_RUN} s of each program on each format, then the memory of $MEMORY_TICKS ticks of $MEMORY_TEMPO ms"
/usr/bin/python3 "$ROOT/bench/ticks.py" "$JOBS" >>"$RESULTS" || { echo "bench: the ticks could not be measured" >&2; exit 1; }
[ -z "$PREVIOUS" ] || echo "previous.rev $BENCH_PREVIOUS" >>"$RESULTS"

echo
/usr/bin/python3 "$ROOT/bench/table.py" "$RESULTS" "$TOP/win32/Setup32.exe" "$TICKS" "$TEMPO" "$NSIS"
echo
count_loads
echo
slow_disc
echo
echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(wine --version) ($WINE_LABEL);" \
    "load average $(cut -d' ' -f1-3 /proc/loadavg) (before: $LOAD_BEFORE)"
