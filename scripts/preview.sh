#!/usr/bin/env bash
# scripts/preview.sh KITFOLDER OUTDIR
#
# Every page the CD will show, on every Windows and browser, in one sheet:
# OUTDIR/index.html with the pictures beside it (no script, no network).
# The real Setup32.exe runs under Wine once for each of Windows 95, 98, Me,
# NT 4.0, 2000, XP, 7 and 10 and each installed browser (none, 3, 4, 5); each
# browser page is captured with its options and, from kitcheck's matrix, the
# command Next starts with the page's own choice and with each option. The
# frame, the start page and the slideshow are captured once, and the frame
# with its start page again on a 640 x 480 screen and on an 800 x 600 one at
# 120 dpi; the start page and the browser pages of XP, 7 and 10 again at
# 144 dpi, as a later PC shows them;
# kitcheck's problems and its notes for the CD head the sheet and its report
# ends it.
#
# The launcher runs on a copy of the kit's top folder (setup.ini and the
# pictures; programs are left out), in a Wine prefix of its own
# (build/wineprefix-preview) and on a private Xvfb. Nothing on the browser
# page is pressed: no installer starts, and the kit folder is only read.
#
# What it needs, used as it is found: Wine, Xvfb, ImageMagick and python3
# (Debian packages), and the Windows build of the host's Wine path
# (build/win32, or build/win64 where the host runs no i386 code, see
# scripts/host.sh) with Setup32.exe, kitcheck/kitcheck.exe and
# preview/preview.exe; SETUP32_BUILD names another build folder. Only what is
# absent is installed (scripts/deps.sh) or built (that one target), and the
# log says so; otherwise it says that nothing was installed or built. Its
# scratch folder (the copies of the kit and the captures) is made in the
# temporary folder ($TMPDIR, else /tmp) and removed at the end.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")

NAME=preview.sh
die() {
    echo "preview.sh: $*" >&2
    exit 2
}
case ${1:-} in -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;; esac
[ $# -eq 2 ] || die "usage: scripts/preview.sh KITFOLDER OUTDIR"
[ -d "$1" ] || die "$1 is not a folder"
KIT=$(cd "$1" && pwd -P)
OUT=$(realpath -m "$2")
case "$OUT/" in "$KIT/"*) die "OUTDIR must lie outside the kit folder" ;; esac
started=$(date +%s%N)

. "$ROOT/scripts/need.sh"
. "$ROOT/scripts/wine-env.sh"
export WINEPREFIX="$WINEPREFIX-preview"
need_commands "$WINELOADER" "$WINESERVER" Xvfb mogrify /usr/bin/python3
for program in Setup32.exe:Setup32 kitcheck/kitcheck.exe:kitcheck preview/preview.exe:preview; do
    need_built "$WIN/${program%%:*}" "$WIN" "${program#*:}" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$WINE_ARCH.cmake"
done
need_summary "Wine, Xvfb, ImageMagick and $WIN"

# What a change to the kit would show: every entry's name, type, size and
# modification time.
kit_listing() { (cd "$KIT" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort | sha256sum); }
before=$(kit_listing)

WORK=$(mktemp -d "${TMPDIR:-/tmp}/preview.XXXXXX")
cleanup() {
    stop_wine
    rm -rf "$WORK"
}
SETUP32_OWN_DISPLAY=1  # the captures read the screen: never the user's
stop_prefix            # a Wine server left running keeps the display it started with
start_display
trap cleanup EXIT
wine_prefix

# Windows paths on drive Z:, the root of the Linux file system.
zpath() { local p=${1//\//\\}; echo "Z:$p"; }

# The launcher reads setup.ini and the pictures from its kit folder, which
# is the top folder: those are copied, programs are not.
copy_top() {
    mkdir -p "$2"
    find -L "$1" -maxdepth 1 -type f -size -65537k \
        ! -iregex '.*\.\(exe\|com\|bat\|cmd\|pif\|scr\|lnk\)' -exec cp -p {} "$2/" \;
}
copy_top "$KIT" "$WORK/kit"
copy_top "$KIT" "$WORK/slideshow-kit"
mkdir -p "$WORK/shots" "$OUT"

echo "Preview of $KIT ($WINE_LABEL, display $DISPLAY)"
status=0
"$WINELOADER" "$WIN/kitcheck/kitcheck.exe" --json "$(zpath "$KIT")" >"$WORK/kitcheck.json" || true
"$WINELOADER" "$WIN/kitcheck/kitcheck.exe" "$(zpath "$KIT")" >"$WORK/kitcheck.txt" || true
"$WINELOADER" "$WIN/preview/preview.exe" "$(zpath "$WIN/Setup32.exe")" "$(zpath "$WORK/kit")" \
    "$(zpath "$WORK/slideshow-kit")" "$(zpath "$WORK/shots")" || status=1

# The frame with its start page on smaller screens: a display of that size
# of its own and the prefix's dots per inch for that run (both are read when
# the Wine server starts), the whole screen captured.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
screen_capture() {  # NAME WIDTHxHEIGHT DPI [--later]
    local name=$1 size=$2 dpi=$3 mode=${4:---screen} fifo="$WORK/display-$1" pid
    stop_prefix
    wineserver -w
    Xvfb -displayfd 9 -screen 0 "${size}x24" -dpi "$dpi" -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    (
        rc=0
        export DISPLAY=":$(head -n1 "$fifo")"
        set_dpi "$dpi"
        stop_prefix
        wineserver -w
        "$WINELOADER" "$WIN/preview/preview.exe" "$mode" "$name" "$(zpath "$WIN/Setup32.exe")" \
            "$(zpath "$WORK/slideshow-kit")" "$(zpath "$WORK/shots")" || rc=1
        set_dpi 96
        stop_prefix
        wineserver -w
        exit $rc
    ) || status=1
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
screen_capture 640x480 640x480 96
screen_capture 800x600-120dpi 800x600 120
screen_capture 144dpi 1280x1024 144 --later

rm -f "$OUT"/index.html "$OUT"/frame.png "$OUT"/start-page.png "$OUT"/slide-*.png "$OUT"/page-*.png "$OUT"/screen-*.png \
    "$OUT"/later-*.png
if compgen -G "$WORK/shots/*.bmp" >/dev/null; then
    mogrify -path "$OUT" -format png "$WORK/shots/"*.bmp
fi
/usr/bin/python3 "$ROOT/preview/sheet.py" --capture "$WORK/shots/capture.json" --kitcheck "$WORK/kitcheck.json" \
    --report "$WORK/kitcheck.txt" --kit "$1" --wine "$WINE_LABEL" "$OUT" || status=1

if [ "$(kit_listing)" != "$before" ]; then
    echo "preview.sh: error: the kit folder changed while the sheet was made" >&2
    status=1
fi
elapsed=$((($(date +%s%N) - started) / 1000000))
printf 'Sheet: %s/index.html (%d.%01d s)\n' "$OUT" $((elapsed / 1000)) $((elapsed % 1000 / 100))
exit $status
