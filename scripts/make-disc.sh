#!/usr/bin/env bash
# scripts/make-disc.sh [--label LABEL] [--anyway] [--launcher EXE] KITFOLDER OUT.iso
#
# Writes the CD image of a kit: ISO 9660 with Joliet names, as Windows 95
# and NT 4 read it. Joliet keeps the kit's names (installer-fr.exe stays
# installer-fr.exe); the ISO 9660 tree beside it holds level-1 names (8.3,
# capitals), the only ones a reader without Joliet sees.
#
# The disc's tree is a copy of the kit folder, to which are added, when the
# kit has none in its root:
#   Setup32.exe    the built launcher (build/win32);
#   autorun.inf    [autorun] open=Setup32.exe icon=Setup32.exe,0, so that
#                  inserting the disc starts the launcher in the disc's root.
# kitcheck runs on that tree first; its problems stop the image (--anyway
# goes on, and says so), its notes for the CD are printed. A kit's own
# autorun.inf is kept, and its open= must start a program on the disc.
#
#   --label LABEL  the volume label (default: the kit folder's name, in
#                  capitals, A-Z 0-9 _ only, at most 16 characters)
#   --anyway       write the image despite kitcheck's problems
#   --launcher EXE the Setup32.exe to add (default build/win32/Setup32.exe,
#                  the product; the disc tests on 64-bit Wine put the x86_64
#                  build there)
#
# What it needs, used as it is found: xorriso and python3 (Debian packages),
# the launcher (build/win32/Setup32.exe, or --launcher) and the native
# kitcheck (build/native/kitcheck/kitcheck); SETUP32_BUILD names another
# build folder. Only what is absent is installed (scripts/deps.sh) or built
# (that one target), and the log says so; otherwise it says that nothing was
# installed or built. Its scratch folder (the disc's tree) is made in the
# temporary folder ($TMPDIR, else /tmp) and removed at the end.
#
# The kit folder is only read. Exit status: 0 image written, 1 kitcheck's
# problems (no image), 2 usage or writing error.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")

NAME=make-disc.sh
die() {
    echo "make-disc.sh: $*" >&2
    exit 2
}
. "$ROOT/scripts/need.sh"
LABEL= ANYWAY=0 LAUNCHER=
while [ $# -gt 0 ]; do
    case $1 in
    --label) [ $# -ge 2 ] || die "--label needs a value"; LABEL=$2; shift 2 ;;
    --anyway) ANYWAY=1; shift ;;
    --launcher) [ $# -ge 2 ] || die "--launcher needs a file"; LAUNCHER=$(realpath -m "$2"); shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) die "unknown option $1 (see --help)" ;;
    *) break ;;
    esac
done
[ $# -eq 2 ] || die "usage: scripts/make-disc.sh [--label LABEL] [--anyway] [--launcher EXE] KITFOLDER OUT.iso"
[ -d "$1" ] || die "$1 is not a folder"
KIT=$(cd "$1" && pwd -P)
OUT=$(realpath -m "$2")
case "$OUT" in "$KIT"/*) die "OUT.iso must lie outside the kit folder" ;; esac
started=$(date +%s%N)

if [ -z "$LABEL" ]; then
    LABEL=$(basename "$KIT" | tr 'a-z' 'A-Z' | tr -c 'A-Z0-9_\n' '_' | cut -c1-16)
fi
[[ "$LABEL" =~ ^[A-Z0-9_]{1,32}$ ]] || die "the label must be 1 to 32 characters of A-Z, 0-9 and _"

need_commands xorriso /usr/bin/python3
if [ -z "$LAUNCHER" ]; then
    LAUNCHER=$BUILD/win32/Setup32.exe
    need_built "$LAUNCHER" "$BUILD/win32" Setup32 -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake"
fi
KITCHECK="$BUILD/native/kitcheck/kitcheck"
need_built "$KITCHECK" "$BUILD/native" kitcheck
[ -f "$LAUNCHER" ] || die "no launcher at $LAUNCHER"
[ -x "$KITCHECK" ] || die "no kitcheck at $KITCHECK"
need_summary "xorriso, $LAUNCHER, $KITCHECK"

kit_listing() { (cd "$KIT" && find . -printf '%p %y %s %T@\n' | LC_ALL=C sort | sha256sum); }
before=$(kit_listing)

WORK=$(mktemp -d "${TMPDIR:-/tmp}/make-disc.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
DISC="$WORK/disc"
cp -RL --preserve=timestamps "$KIT/." "$DISC/"  # links become the files they name: a disc holds no links
chmod -R u+w "$DISC"

# A file of the disc's root, in any letter case, as Windows finds it.
in_root() { find "$DISC" -maxdepth 1 -iname "$1" -print -quit; }
if [ -z "$(in_root Setup32.exe)" ]; then
    cp "$LAUNCHER" "$DISC/Setup32.exe"
    echo "Added Setup32.exe (the launcher of $LAUNCHER)"
fi
if [ -z "$(in_root autorun.inf)" ]; then
    printf '[autorun]\r\nopen=Setup32.exe\r\nicon=Setup32.exe,0\r\n' >"$DISC/autorun.inf"
    echo "Added autorun.inf: open=Setup32.exe, icon=Setup32.exe,0"
else
    echo "Kept the kit's $(basename "$(in_root autorun.inf)")"
fi

echo "kitcheck on the disc's tree:"
status=0
"$KITCHECK" --json "$DISC" >"$WORK/kitcheck.json" || status=$?
[ "$status" -le 1 ] || die "kitcheck could not read the kit (status $status)"
# Problems, then notes, one a line; the autorun note stops the image too.
/usr/bin/python3 - "$WORK/kitcheck.json" "$WORK/stop" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
stop = 0
for kind, items in (("problem", report["problems"]), ("note", report["notes"])):
    for item in items:
        where = " ".join(x for x in (item["key"], item["file"]) if x)
        print(f"  {kind} [{item['code']}] {where}: {item['message']}")
        stop += kind == "problem" or item["code"] == "autorun-open-missing"
if not report["problems"] and not report["notes"]:
    print("  no problem, no note")
open(sys.argv[2], "w").write(str(stop))
PY
stop=$(cat "$WORK/stop")
if [ "$stop" -gt 0 ]; then
    if [ "$ANYWAY" = 1 ]; then
        echo "make-disc.sh: kitcheck found $stop problem(s); writing the image anyway (--anyway)" >&2
    else
        echo "make-disc.sh: kitcheck found $stop problem(s): no image written (--anyway writes it all the same)" >&2
        exit 1
    fi
fi

mkdir -p "$(dirname "$OUT")"
rm -f "$OUT"
if ! xorriso -as mkisofs -iso-level 1 -J -V "$LABEL" -o "$OUT" "$DISC" >"$WORK/xorriso.log" 2>&1; then
    tail -n 20 "$WORK/xorriso.log" >&2
    die "xorriso could not write $OUT"
fi

if [ "$(kit_listing)" != "$before" ]; then
    echo "make-disc.sh: error: the kit folder changed while the image was written" >&2
    exit 2
fi
files=$(find "$DISC" -type f | wc -l)
bytes=$(stat -c %s "$OUT")
fits() { [ "$bytes" -le $(($1 * 2048)) ] && echo yes || echo no; }
elapsed=$((($(date +%s%N) - started) / 1000000))
printf 'Wrote %s: label %s, %d files, %d bytes (%d.%01d MB)\n' "$OUT" "$LABEL" "$files" "$bytes" \
    $((bytes / 1048576)) $((bytes % 1048576 * 10 / 1048576))
printf 'Fits a 650 MB disc (333000 sectors): %s; a 700 MB disc (360000 sectors): %s\n' "$(fits 333000)" "$(fits 360000)"
printf 'make-disc.sh took %d.%01d s\n' $((elapsed / 1000)) $((elapsed % 1000 / 100))
