# Sourced by the scripts that run Windows programs: a private Wine prefix in
# the build folder and, without a display, a private Xvfb.
# Expects ROOT (the project folder) and BUILD (the build folder).
. "$ROOT/scripts/host.sh"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=d"  # no Mono or Gecko installer dialogs

# Selects the Wine of an architecture, by default the host's (host.sh):
# its loader and server, called directly (the wrappers in /usr/bin take the
# 32-bit loader whenever it is installed, even where it cannot run), and a
# prefix of its own. Sets
#   WIN         the build of the launcher, stub and kitcheck it runs (build/win32, build/win64)
#   WIN_TESTS   the build of the test programs (build/win32-tests, build/win64-tests)
#   WINE_LABEL  "i686, wine" or "x86_64, wine64", for the names of the suites
use_wine() {
    WINE_ARCH=${1:-$SETUP32_WINE_ARCH}
    if [ "$WINE_ARCH" = x86_64 ]; then
        export WINEARCH=win64 WINEPREFIX="$BUILD/wineprefix64"
        export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
        WINE_LABEL="x86_64, wine64"
    else
        export WINEARCH=win32 WINEPREFIX="$BUILD/wineprefix"
        export WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32
        WINE_LABEL="i686, wine"
    fi
    WIN="$BUILD/$(windows_build "$WINE_ARCH")"
    WIN_TESTS="$WIN-tests"
}
use_wine

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }
winpath() { "$WINELOADER" winepath -w "$1" 2>/dev/null; }

wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX ($WINE_LABEL)"
        wine wineboot -i >/dev/null 2>&1
        # No window manager on the test display: windows are unmanaged.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
    wine_fonts
}

# Wine's own fonts (fonts-wine: Marlett for the caption buttons and check
# marks, Tahoma for "MS Shell Dlg", MS Sans Serif, the system bitmap fonts)
# into the prefix's Fonts folder. Debian's Wine 8 looks for them in its data
# folder under the NT name Z:\usr\share\wine\../fonts, which no lookup
# resolves, and finds only C:\windows\Fonts (empty after wineboot) and
# fontconfig's fonts: the caption buttons then read "0 1 r" in DejaVu Sans.
# Programs started after the copy load them.
WINE_FONTS=/usr/share/wine/fonts
wine_fonts() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -d "$WINE_FONTS" ] || return 0
    [ -f "$fonts/marlett.ttf" ] && return 0
    mkdir -p "$fonts"
    cp -n "$WINE_FONTS"/* "$fonts/"
}

# A CD-ROM drive of the selected prefix: wine_cdrom LETTER FOLDER makes
# FOLDER the root of drive LETTER, of type cdrom (HKLM\Software\Wine\Drives),
# so that GetDriveTypeA says DRIVE_CDROM; "wine start /d D:\ PROGRAM" or a
# CreateProcess with D:\ as current directory then starts as AutoPlay does.
# The Wine server is ended first and last: its mount manager reads the
# drives when it starts. The disc tests and the runs on a CD drive share it.
wine_cdrom() {
    local letter=${1,,} folder=$2
    [ -d "$folder" ] || { echo "wine_cdrom: $folder is not a folder" >&2; return 1; }
    stop_prefix
    wineserver -w
    ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d cdrom /f >/dev/null 2>&1
    stop_prefix
    wineserver -w
}

XVFB_PID=
start_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${SETUP32_OWN_DISPLAY:-0}" != 1 ]; then return; fi
    local fifo="$BUILD/.display"
    mkdir -p "$BUILD"
    rm -f "$fifo"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fifo")"
}

# Runs a command with the selected prefix on a screen of the era: a display
# of its own of the given size and depth ("640x480x16") and Wine's LogPixels
# at the given dpi (120: Large Fonts). The prefix's Wine is ended before and
# after (Wine's desktop keeps the display it started on, and a program reads
# the dpi when it starts), and LogPixels is put back to 96 after.
on_screen() {
    local geometry=$1 dpi=$2 display=${DISPLAY:-} fifo="$BUILD/.display-era" pid rc
    shift 2
    stop_prefix
    rm -f "$fifo"
    Xvfb -displayfd 9 -screen 0 "$geometry" -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fifo")"
    log_pixels "$dpi"
    "$@"
    rc=$?
    log_pixels 96
    stop_prefix
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    export DISPLAY=$display
    return $rc
}

# The screen's dpi as Windows' display settings store it: under the user's
# desktop settings and the hardware profile's fonts.
log_pixels() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
        /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# Ends the Wine of the selected prefix.
stop_prefix() { wineserver -k >/dev/null 2>&1 || true; }

stop_wine() {
    stop_prefix
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
