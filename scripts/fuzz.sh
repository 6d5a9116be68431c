#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time
# (default 60 s) from the committed seeds. A crash is saved in
# build/fuzz/crashes and fails the run; with RESULTS set, a JUnit report is
# written to $RESULTS/fuzz.xml.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}
SECONDS_EACH=${1:-60}

cmake -S "$ROOT" -B "$BUILD/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSETUP32_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null && cmake --build "$BUILD/fuzz" -j "$(nproc)" >/dev/null || {
    echo "the fuzz targets did not build"
    exit 1
}

mkdir -p "$BUILD/fuzz/crashes"
cases=""
failures=0
for seeds in "$ROOT"/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    corpus="$BUILD/fuzz/corpus/$target"
    mkdir -p "$corpus"
    cp -n "$seeds"* "$corpus"/ 2>/dev/null
    log="$BUILD/fuzz/$target.log"
    "$BUILD/fuzz/fuzz/$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$BUILD/fuzz/crashes/$target-" "$corpus" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*')
    echo "$target: ${runs:-0} runs in ${SECONDS_EACH} s, corpus of $(ls "$corpus" | wc -l) inputs (seeds: $(ls "$seeds" | wc -l)), exit $rc"
    if [ $rc -eq 0 ]; then
        cases="$cases<testcase classname=\"Fuzz\" name=\"$target\"/>"
    else
        failures=$((failures + 1))
        grep -m3 -E 'ERROR|SUMMARY|Test unit written' "$log"
        cases="$cases<testcase classname=\"Fuzz\" name=\"$target\"><failure message=\"crash, see $log\"/></testcase>"
    fi
done
if [ -n "${RESULTS:-}" ]; then
    count=$(ls -d "$ROOT"/fuzz/corpus/*/ | wc -l)
    echo "<testsuites><testsuite name=\"Fuzz\" tests=\"$count\" failures=\"$failures\">$cases</testsuite></testsuites>" \
        >"$RESULTS/fuzz.xml"
fi
[ $failures -eq 0 ]
