#!/usr/bin/env bash
# A long slideshow under Wine (default 300 s): twenty pictures every 50 ms.
# The launcher runs as a Linux process under Wine: its memory and open
# files are read from /proc every five seconds, since Wine does not count a
# program's GDI and USER objects. A leaked picture costs about 1 MB.
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${SETUP32_BUILD:-$ROOT/build}
export SETUP32_SOAK_SECONDS=${1:-300}

if [ -z "${SETUP32_SOAK_BUILT:-}" ]; then
    "$ROOT/scripts/deps.sh" && "$ROOT/scripts/build.sh" --tests || exit 1
fi
. "$ROOT/scripts/wine-env.sh"
SETUP32_OWN_DISPLAY=1
start_display
trap stop_wine EXIT
wine_prefix
rm -rf "$BUILD/soak-work"
mkdir -p "$BUILD/soak-work"
export SETUP32_EXE="$(winpath "$WIN/Setup32.exe")"
export SETUP32_STUB="$(winpath "$WIN/tests/e2e/stub/stub.exe")"
export SETUP32_WORK="$(winpath "$BUILD/soak-work")"
report=()
[ -n "${RESULTS:-}" ] && report=(--gtest_output="xml:$(winpath "$RESULTS")\\soak-$WINE_ARCH.xml")

echo "Slideshow soak: 20 pictures of 617 x 564, every 50 ms, for $SETUP32_SOAK_SECONDS s ($WINE_LABEL)"
log="$BUILD/soak.log"
timeout $((SETUP32_SOAK_SECONDS + 120)) "$WINELOADER" "$WIN_TESTS/tests/e2e/soak_tests.exe" --gtest_brief=1 \
    "${report[@]}" >"$log" 2>&1 &
driver=$!
pid=""
for _ in $(seq 200); do
    pid=$(pgrep -n -f 'Setup32\.exe' || true)
    [ -n "$pid" ] && break
    sleep 0.1
done

field() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$pid/status" 2>/dev/null; }
printf '%8s %12s %12s %12s %8s\n' seconds "RSS KB" "anon KB" "virtual KB" files
first=""
last=""
for ((t = 0; t < SETUP32_SOAK_SECONDS; t += 5)); do
    rss=$(field VmRSS)
    [ -n "$rss" ] || break  # the launcher has ended
    files=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
    row="$rss $(field RssAnon) $(field VmSize) $files"
    # shellcheck disable=SC2086
    printf '%8d %12s %12s %12s %8s\n' "$t" $row
    [ "$t" = 10 ] && first="$row"
    last="$row"
    sleep 5
done
wait "$driver"
status=$?
if [ -n "$first" ] && [ -n "$last" ]; then
    read -r _ a1 _ f1 <<<"$first"
    read -r _ a2 _ f2 <<<"$last"
    echo "after the first cycles (10 s to the end): anonymous memory $((a2 - a1)) KB, open files $((f2 - f1))"
fi
grep -E 'PASSED|FAILED|Failure|ended|answering|still' "$log"
exit $status
