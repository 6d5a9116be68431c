#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the native unit
# tests, the Windows test programs under Wine (a private 32-bit prefix and
# display) and the checks of the built Setup32.exe. The last line counts them.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}

"$ROOT/scripts/deps.sh" || exit 1
"$ROOT/scripts/build.sh" --tests || { echo "0 passed, 1 failed"; exit 1; }

RESULTS="$BUILD/results"
rm -rf "$RESULTS" "$BUILD/e2e-work"
mkdir -p "$RESULTS" "$BUILD/e2e-work" "$BUILD/fixtures"

echo "== Native unit tests"
"$BUILD/native/tests/unit/unit_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/unit.xml"

echo "== Native unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
"$BUILD/native-asan/tests/unit/unit_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/unit-asan.xml"

echo "== kitcheck"
"$BUILD/native/tests/kitcheck/kitcheck_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/kitcheck.xml"
"$BUILD/native-asan/tests/kitcheck/kitcheck_tests" --gtest_brief=1 --gtest_output="xml:$RESULTS/kitcheck-asan.xml"

echo "== Fuzzing the portable code"
RESULTS="$RESULTS" "$ROOT/scripts/fuzz.sh" "${SETUP32_FUZZ_SECONDS:-60}"

echo "== Checks of Setup32.exe"
/usr/bin/python3 "$ROOT/tests/pe/pe_check.py" "$BUILD/win32/Setup32.exe" "$RESULTS/pe.xml"

. "$ROOT/scripts/wine-env.sh"
SETUP32_OWN_DISPLAY=1  # the tests read pixels: never the user's screen
start_display          # before any Wine process: Wine's desktop keeps its display
trap stop_wine EXIT
wine_prefix

echo "== Platform services under Wine"
timeout 300 wine "$BUILD/win32-tests/tests/wine/wine_tests.exe" --gtest_brief=1 \
    --gtest_output="xml:$(winpath "$RESULTS")\\wine.xml"

echo "== kitcheck's reader against GetPrivateProfileStringA under Wine"
KITCHECK_INI_DUMP="$BUILD/win32-tests/tests/kitcheck/ini_dump.exe" timeout 300 \
    "$BUILD/native/tests/kitcheck/kitcheck_differential" --gtest_brief=1 \
    --gtest_output="xml:$RESULTS/kitcheck-differential.xml"

echo "== End to end under Wine"
for color in red blue; do
    for type in jpg gif; do convert -size 617x564 "xc:$color" "$BUILD/fixtures/$color.$type"; done
done
export SETUP32_EXE="$(winpath "$BUILD/win32/Setup32.exe")"
export SETUP32_STUB="$(winpath "$BUILD/win32/tests/e2e/stub/stub.exe")"
export SETUP32_FIXTURES="$(winpath "$BUILD/fixtures")"
export SETUP32_WORK="$(winpath "$BUILD/e2e-work")"
export SETUP32_KITCHECK="$(winpath "$BUILD/win32/kitcheck/kitcheck.exe")"
timeout 1800 wine "$BUILD/win32-tests/tests/e2e/e2e_tests.exe" --gtest_brief=1 \
    --gtest_output="xml:$(winpath "$RESULTS")\\e2e.xml"

echo "== Slideshow soak, short form"
stop_wine
RESULTS="$RESULTS" SETUP32_SOAK_BUILT=1 "$ROOT/scripts/soak.sh" "${SETUP32_SOAK_SECONDS:-60}"

echo "== Summary"
/usr/bin/python3 "$ROOT/scripts/summarize.py" "$RESULTS"/{unit,unit-asan,kitcheck,kitcheck-asan,fuzz,pe,wine,kitcheck-differential,e2e,soak}.xml
