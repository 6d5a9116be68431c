# Sourced by the scripts that run Windows programs: a private 32-bit Wine
# prefix in the build folder and, without a display, a private Xvfb.
# Expects ROOT (the project folder) and BUILD (the build folder).

export WINEDEBUG=-all WINEARCH=win32 WINEPREFIX="$BUILD/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml=d"  # no Mono or Gecko installer dialogs

wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1
        # No window manager on the test display: windows are unmanaged.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
}

XVFB_PID=
start_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${SETUP32_OWN_DISPLAY:-0}" != 1 ]; then return; fi
    local fifo="$BUILD/.display"
    rm -f "$fifo"
    Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fifo")"
}

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}

winpath() { winepath -w "$1" 2>/dev/null; }
