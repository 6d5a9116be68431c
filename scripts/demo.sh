#!/usr/bin/env bash
# Installs what is missing, builds, makes a demo kit (setup.ini, pictures and
# stand-in installers that show the command that started them) and starts
# the launcher on it: on the display if there is one, otherwise on a private
# Xvfb, saving screenshots of both pages in build/demo/.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}

"$ROOT/scripts/deps.sh"
"$ROOT/scripts/build.sh"
# The build that this host's Wine runs: the i686 launcher, or its x86_64
# build where the host can't execute i386 code (scripts/host.sh).
. "$ROOT/scripts/wine-env.sh"

KIT="$BUILD/demo/kit"
rm -rf "$BUILD/demo"
echo "Making the demo kit in $KIT"
"$ROOT/scripts/make-demo-kit.sh" "$KIT" "$WIN/tests/e2e/stub/stub.exe"

# The display comes first: Wine's desktop process keeps the display it
# started with.
headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    start_display
    trap stop_wine EXIT
fi
wine_prefix
# Version 4.01 of the browser is installed on the demo machine: the browser
# page then offers 4.01 and 5.
wine reg add 'HKLM\Software\Microsoft\Internet Explorer' /v Build /d 4.72.3110.8 /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Internet Explorer' /v Version /d 4.72.3110.0 /f >/dev/null 2>&1
# ...and it runs Windows 98.
wine reg add 'HKCU\Software\Wine\AppDefaults\Setup32.exe' /v Version /d win98 /f >/dev/null 2>&1

if [ "$headless" = 0 ]; then
    echo "Starting Setup32.exe ($WINE_LABEL) on $DISPLAY"
    cd "$KIT" && exec "$WINELOADER" "$WIN/Setup32.exe"
fi

echo "No display: starting Setup32.exe ($WINE_LABEL) on a private Xvfb ($DISPLAY)"
(cd "$KIT" && "$WINELOADER" "$WIN/Setup32.exe" &)
for _ in $(seq 60); do
    xdotool search --name '^QOB - Programa' >/dev/null 2>&1 && break
    sleep 0.5
done
shot() {
    sleep 2  # let the page finish drawing
    import -window root -crop 640x600+100+80 "$BUILD/demo/$1"
    echo "Screenshot: $BUILD/demo/$1"
}
shot start-page.png
# Next on the start page, as Enter would press it.
if command -v xdotool >/dev/null; then
    xdotool key Return
    shot browser-page.png
fi
