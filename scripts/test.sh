#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the native unit
# tests, the checks of the built Setup32.exe, and the Windows test programs
# under Wine (a private prefix and display). The last line counts them.
#
# The Wine suites run the i686 build under 32-bit Wine where the host
# executes i386 code, and then a short pass of the x86_64 build under 64-bit
# Wine so that this path keeps working; elsewhere, or with SETUP32_WINE64=1,
# they all run the x86_64 build under 64-bit Wine (scripts/host.sh).
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}
. "$ROOT/scripts/host.sh"
if [ "$SETUP32_WINE_ARCH" = i686 ]; then
    export SETUP32_WINE_ARCHES="i686 x86_64"
else
    export SETUP32_WINE_ARCHES=x86_64
fi

"$ROOT/scripts/deps.sh" || exit 1
"$ROOT/scripts/build.sh" --tests || { echo "0 passed, 1 failed"; exit 1; }

RESULTS="$BUILD/results"
rm -rf "$RESULTS" "$BUILD/e2e-work"
mkdir -p "$RESULTS" "$BUILD/e2e-work" "$BUILD/fixtures"
SUITES=()  # "name=report" for the summary

echo "== Rooms: who includes whom"
/usr/bin/python3 "$ROOT/tests/layout/rooms.py" "$RESULTS/rooms.xml"
SUITES+=("rooms=$RESULTS/rooms.xml")

echo "== Native unit tests"
"$BUILD/native/tests/unit/unit_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/unit.xml"
"$BUILD/native-asan/tests/unit/unit_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/unit-asan.xml"
# The JPEG corpus of photographs, made once for both runs; each lists where
# the launcher's JPEGs differ from before in results/jpeg-disagreements*.txt.
rm -rf "$BUILD/jpeg-corpus"
"$ROOT/pictures/tests/make_jpeg_corpus.sh" "$BUILD/jpeg-corpus"
export SETUP32_JPEG_CORPUS="$BUILD/jpeg-corpus"
SETUP32_JPEG_REPORT="$RESULTS/jpeg-disagreements.txt" \
    "$BUILD/native/pictures/tests/picture_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/pictures.xml"
SETUP32_JPEG_REPORT="$RESULTS/jpeg-disagreements-asan.txt" \
    "$BUILD/native-asan/pictures/tests/picture_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/pictures-asan.xml"
SUITES+=("unit=$RESULTS/unit.xml" "unit (sanitizers)=$RESULTS/unit-asan.xml")
SUITES+=("pictures=$RESULTS/pictures.xml" "pictures (sanitizers)=$RESULTS/pictures-asan.xml")

echo "== kitcheck"
"$BUILD/native/tests/kitcheck/kitcheck_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/kitcheck.xml"
"$BUILD/native-asan/tests/kitcheck/kitcheck_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/kitcheck-asan.xml"
SUITES+=("kitcheck=$RESULTS/kitcheck.xml" "kitcheck (sanitizers)=$RESULTS/kitcheck-asan.xml")

echo "== The README's first kit, built from its text and checked by kitcheck"
/usr/bin/python3 "$ROOT/tests/kitcheck/first_kit_test.py" --kitcheck "$BUILD/native/kitcheck/kitcheck" \
    --results "$RESULTS/first-kit.xml"
SUITES+=("README first kit=$RESULTS/first-kit.xml")

echo "== fit: kits whose pictures a slow drive shows in time"
# Its pictures are read back by the launcher's decoders under the sanitizers.
timeout 900 /usr/bin/python3 "$ROOT/tests/fit/fit_test.py" --kitcheck "$BUILD/native/kitcheck/kitcheck" \
    --picture-ppm "$BUILD/native-asan/pictures/tests/picture_ppm" --work "$BUILD/fit-test" \
    --results "$RESULTS/fit.xml"
SUITES+=("fit=$RESULTS/fit.xml")

echo "== setup32-kit on bad kits and faults: names, links, a full or read-only file system, Ctrl-C, SIGTERM"
timeout 900 /usr/bin/python3 "$ROOT/tests/kit/faults_test.py" --build "$BUILD" --work "$BUILD/faults-test" \
    --results "$RESULTS/faults.xml"
SUITES+=("setup32-kit faults=$RESULTS/faults.xml")

echo "== Fuzzing the portable code"
RESULTS="$RESULTS" "$ROOT/scripts/fuzz.sh" "${SETUP32_FUZZ_SECONDS:-60}"
SUITES+=("fuzz=$RESULTS/fuzz.xml")

echo "== Checks of Setup32.exe (i686)"
/usr/bin/python3 "$ROOT/tests/pe/pe_check.py" "$BUILD/win32/Setup32.exe" "$RESULTS/pe.xml"
SUITES+=("Setup32.exe checks=$RESULTS/pe.xml")

. "$ROOT/scripts/wine-env.sh"
SETUP32_OWN_DISPLAY=1  # the tests read pixels: never the user's screen
start_display          # before any Wine process: Wine's desktop keeps its display
trap stop_wine EXIT
for color in red blue; do
    for type in jpg gif; do convert -size 617x564 "xc:$color" "$BUILD/fixtures/$color.$type"; done
done
convert -size 617x564 "xc:#3366CC" -interlace JPEG "$BUILD/fixtures/progressive.jpg"
convert -size 617x564 "xc:#3366CC" -interlace GIF "$BUILD/fixtures/interlaced.gif"

# The Wine suites of one build; with "short", only the registry suite and
# one whole road through both pages.
wine_suites() {
    local arch=$1 extent=${2:-all}
    use_wine "$arch"
    wine_prefix
    local tag="$arch" results
    results=$(winpath "$RESULTS")

    echo "== Platform services under Wine ($WINE_LABEL)"
    SETUP32_FIXTURES="$(winpath "$BUILD/fixtures")" \
        timeout 300 "$WINELOADER" "$WIN_TESTS/tests/wine/wine_tests.exe" --gtest_brief=1 \
        --gtest_output="xml:$results\\wine-$tag.xml"
    SUITES+=("registry ($WINE_LABEL)=$RESULTS/wine-$tag.xml")

    if [ "$extent" = all ]; then
        echo "== kitcheck's reader against GetPrivateProfileStringA under Wine ($WINE_LABEL)"
        KITCHECK_INI_DUMP="$WIN_TESTS/tests/kitcheck/ini_dump.exe" timeout 300 \
            "$BUILD/native/tests/kitcheck/kitcheck_differential" --gtest_brief=1 \
            --gtest_output="xml:$RESULTS/kitcheck-differential-$tag.xml"
        SUITES+=("kitcheck reader vs Windows ($WINE_LABEL)=$RESULTS/kitcheck-differential-$tag.xml")
    fi

    echo "== End to end under Wine ($WINE_LABEL)"
    local filter=()
    [ "$extent" = all ] || filter=(--gtest_filter='Roads.BrowserByInstalledVersion')
    SETUP32_EXE="$(winpath "$WIN/Setup32.exe")" \
    SETUP32_STUB="$(winpath "$WIN/tests/e2e/stub/stub.exe")" \
    SETUP32_FIXTURES="$(winpath "$BUILD/fixtures")" \
    SETUP32_WORK="$(winpath "$BUILD/e2e-work")" \
    SETUP32_KITCHECK="$(winpath "$WIN/kitcheck/kitcheck.exe")" \
    SETUP32_PLANTED="$(winpath "$WIN_TESTS/tests/e2e/planted")" \
        timeout 1800 "$WINELOADER" "$WIN_TESTS/tests/e2e/e2e_tests.exe" --gtest_brief=1 "${filter[@]}" \
        --gtest_output="xml:$results\\e2e-$tag.xml"
    SUITES+=("e2e ($WINE_LABEL)=$RESULTS/e2e-$tag.xml")

    if [ "$extent" = all ]; then
        echo "== The era's screens under Wine ($WINE_LABEL): 640 x 480 in 16-bit colour, 800 x 600 at 120 dpi," \
            "1280 x 1024 at 144 dpi, 1920 x 1200 at 192 dpi"
        local screen geometry dpi
        for screen in 640x480x16:96 800x600x24:120 1280x1024x24:144 1920x1200x24:192; do
            geometry=${screen%:*} dpi=${screen#*:}
            mkdir -p "$BUILD/e2e-work/era-$geometry"
            SETUP32_ERA_SCREEN=$geometry SETUP32_ERA_DPI=$dpi \
            SETUP32_EXE="$(winpath "$WIN/Setup32.exe")" \
            SETUP32_STUB="$(winpath "$WIN/tests/e2e/stub/stub.exe")" \
            SETUP32_WORK="$(winpath "$BUILD/e2e-work/era-$geometry")" \
                on_screen "$geometry" "$dpi" timeout 300 "$WINELOADER" "$WIN_TESTS/tests/e2e/era_tests.exe" \
                --gtest_brief=1 --gtest_output="xml:$results\\era-$tag-$geometry-$dpi.xml"
            SUITES+=("era screen $geometry, $dpi dpi ($WINE_LABEL)=$RESULTS/era-$tag-$geometry-$dpi.xml")
        done
    fi

    echo "== The preview sheet, scripts/preview.sh ($WINE_LABEL)"
    local kits=demo,broken,accented
    [ "$extent" = all ] || kits=demo
    timeout 900 /usr/bin/python3 "$ROOT/tests/preview/preview_test.py" --build "$BUILD" --arch "$arch" \
        --label "$WINE_LABEL" --stub "$WIN/tests/e2e/stub/stub.exe" --kitcheck "$BUILD/native/kitcheck/kitcheck" \
        --kits "$kits" --results "$RESULTS/preview-$tag.xml"
    SUITES+=("preview ($WINE_LABEL)=$RESULTS/preview-$tag.xml")

    if [ "$extent" = all ]; then
        echo "== The disc: make-disc.sh, a Wine CD-ROM drive, the disc taken away ($WINE_LABEL)"
        stop_prefix
        timeout 900 /usr/bin/python3 "$ROOT/tests/disc/disc_test.py" --build "$BUILD" --arch "$arch" \
            --label "$WINE_LABEL" --results "$RESULTS/disc-$tag.xml"
        SUITES+=("disc ($WINE_LABEL)=$RESULTS/disc-$tag.xml")
    fi

    if [ "$extent" = all ]; then
        echo "== The kit author's package: built from debian/, installed on a fresh Debian 12, used, purged ($WINE_LABEL)"
        stop_prefix
        timeout 1800 /usr/bin/python3 "$ROOT/tests/package/package_test.py" --build "$BUILD" --arch "$arch" \
            --label "$WINE_LABEL" --results "$RESULTS/package-$tag.xml"
        SUITES+=("package ($WINE_LABEL)=$RESULTS/package-$tag.xml")
    fi

    if [ "$extent" = all ]; then
        echo "== Slideshow soak, short form ($WINE_LABEL)"
        stop_prefix
        RESULTS="$RESULTS" SETUP32_SOAK_BUILT=1 "$ROOT/scripts/soak.sh" "${SETUP32_SOAK_SECONDS:-60}"
        SUITES+=("soak ($WINE_LABEL)=$RESULTS/soak-$tag.xml")
    fi
    stop_prefix
}

if [ "$SETUP32_WINE_ARCH" = i686 ]; then
    wine_suites i686
    wine_suites x86_64 short
else
    wine_suites x86_64
fi

echo "== Summary"
/usr/bin/python3 "$ROOT/scripts/summarize.py" "${SUITES[@]}"
