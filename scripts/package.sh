#!/usr/bin/env bash
# scripts/package.sh: the kit author's Debian package,
# build/setup32-kit_VERSION_amd64.deb, made with dpkg-deb.
#
#   /usr/bin/setup32-kit                 the command (tools/setup32-kit)
#   /usr/lib/setup32-kit/kitcheck        kitcheck, built with Debian's hardening flags
#   /usr/lib/setup32-kit/scripts/        make-disc.sh, preview.sh and what they source,
#                                        make-demo-kit.sh (setup32-kit new)
#   /usr/lib/setup32-kit/preview/        sheet.py, the preview page
#   /usr/lib/setup32-kit/fit.py          the fit step (tools/fit)
#   /usr/share/setup32-kit/Setup32.exe   the launcher put on the disc (i686, the product)
#   /usr/share/setup32-kit/stub.exe      the stand-in installer of a new kit (i686)
#   /usr/share/setup32-kit/win32/        kitcheck.exe and preview.exe for 32-bit Wine
#   /usr/share/setup32-kit/win64/        Setup32.exe, kitcheck.exe and preview.exe built
#                                        for x86_64: the preview where 32-bit Wine can't run
#   /usr/share/man/man1/setup32-kit.1.gz and /usr/share/doc/setup32-kit/
#
# Builds what it packs (build/win32, build/win64, build/package-native) and
# then, when lintian is installed, prints its report. VERSION is the
# launcher's (resources/version.h) and the package's revision.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")
REVISION=1
JOBS=$(nproc)

die() {
    echo "package.sh: $*" >&2
    exit 1
}
UPSTREAM=$(sed -n 's/^#define SETUP32_VERSION_STR "\(.*\)"$/\1/p' "$ROOT/resources/version.h")
[ -n "$UPSTREAM" ] || die "no SETUP32_VERSION_STR in resources/version.h"
VERSION="$UPSTREAM-$REVISION"
DEB="$BUILD/setup32-kit_${VERSION}_amd64.deb"

build() {  # DIR TARGET... with the cmake options in CMAKE_OPTIONS
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$BUILD/$dir" -DCMAKE_BUILD_TYPE=Release "${CMAKE_OPTIONS[@]}" >/dev/null
    cmake --build "$BUILD/$dir" -j "$JOBS" --target "$@" -- --no-print-directory >/dev/null
}
echo "Building the Windows programs (build/win32, build/win64) and kitcheck (build/package-native)"
CMAKE_OPTIONS=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake")
build win32 Setup32 stub kitcheck preview
CMAKE_OPTIONS=(-DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake")
build win64 Setup32 kitcheck preview
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CMAKE_OPTIONS=(-DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
               -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
               -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)")
build package-native kitcheck

STAGE="$BUILD/package"
PKG="$STAGE/root"
rm -rf "$STAGE"
mkdir -p "$PKG/DEBIAN"
LIB="$PKG/usr/lib/setup32-kit"
SHARE="$PKG/usr/share/setup32-kit"
DOC="$PKG/usr/share/doc/setup32-kit"
put() {  # MODE SOURCE DESTINATION
    install -D -m "$1" "$2" "$3"
}
put 755 "$ROOT/tools/setup32-kit/setup32-kit" "$PKG/usr/bin/setup32-kit"
put 755 "$BUILD/package-native/kitcheck/kitcheck" "$LIB/kitcheck"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$LIB/kitcheck"
for script in make-disc.sh preview.sh make-demo-kit.sh; do
    put 755 "$ROOT/scripts/$script" "$LIB/scripts/$script"
done
# And the scripts they source, and those these source.
sourced() { sed -n 's|^ *\. "$ROOT/scripts/\([a-z0-9-]*\.sh\)".*|\1|p' "$ROOT/scripts/$1"; }
SOURCED= todo="make-disc.sh preview.sh"
while [ -n "$todo" ]; do
    next=
    for script in $todo; do
        for name in $(sourced "$script"); do
            case " $SOURCED " in *" $name "*) ;; *) SOURCED="$SOURCED $name" next="$next $name" ;; esac
        done
    done
    todo=$next
done
for script in $SOURCED; do
    put 644 "$ROOT/scripts/$script" "$LIB/scripts/$script"
done
put 644 "$ROOT/preview/sheet.py" "$LIB/preview/sheet.py"
[ -f "$ROOT/tools/fit/fit.py" ] || die "no tools/fit/fit.py"
put 755 "$ROOT/tools/fit/fit.py" "$LIB/fit.py"
# Windows programs are data to Linux: read by Wine, copied onto the disc.
put 644 "$BUILD/win32/Setup32.exe" "$SHARE/Setup32.exe"
put 644 "$BUILD/win32/tests/e2e/stub/stub.exe" "$SHARE/stub.exe"
for arch in win32 win64; do
    put 644 "$BUILD/$arch/kitcheck/kitcheck.exe" "$SHARE/$arch/kitcheck.exe"
    put 644 "$BUILD/$arch/preview/preview.exe" "$SHARE/$arch/preview.exe"
done
put 644 "$BUILD/win64/Setup32.exe" "$SHARE/win64/Setup32.exe"
echo "$VERSION" >"$SHARE/version"

mkdir -p "$PKG/usr/share/man/man1" "$DOC"
sed "s/@VERSION@/$VERSION/" "$ROOT/tools/setup32-kit/setup32-kit.1" | gzip -9n >"$PKG/usr/share/man/man1/setup32-kit.1.gz"
DATE=$(git -C "$ROOT" log -1 --format=%aD 2>/dev/null || date -R)
sed "s/@VERSION@/$VERSION/; s/@DATE@/$DATE/" "$ROOT/tools/setup32-kit/debian/changelog" |
    gzip -9n >"$DOC/changelog.Debian.gz"
put 644 "$ROOT/tools/setup32-kit/debian/copyright" "$DOC/copyright"
put 644 "$ROOT/tools/setup32-kit/debian/lintian-overrides" "$PKG/usr/share/lintian/overrides/setup32-kit"
find "$PKG" -type d -exec chmod 755 {} +
find "$PKG/usr/share" -type f -exec chmod 644 {} +

# The run-time packages: the libraries kitcheck links, and what the command
# and the scripts run. 32-bit Wine is recommended: without it the preview
# takes the 64-bit path.
SHLIBS=$(cd "$STAGE" && mkdir -p debian && printf 'Source: setup32-kit\n\nPackage: setup32-kit\nArchitecture: amd64\n' >debian/control &&
         dpkg-shlibdeps -O -e"$LIB/kitcheck" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$SHLIBS" ] || die "dpkg-shlibdeps found no libraries for kitcheck"
rm -rf "$STAGE/debian"
# python3: the command, make-disc's report, the sheet and fit; python3-pil:
# fit's pictures; wine64 and fonts-wine: the preview's launchers; xvfb:
# their display; imagemagick: the pictures of a new kit and the sheet's
# PNGs; xorriso: the disc image.
DEPENDS="$SHLIBS, python3, python3-pil, wine64, fonts-wine, xvfb, imagemagick, xorriso"
cat >"$PKG/DEBIAN/control" <<CONTROL
Package: setup32-kit
Version: $VERSION
Architecture: amd64
Maintainer: Setup32 maintainers <maintainers@users.noreply.c-seed-dc807a8a.example>
Installed-Size: $(du -sk --exclude=DEBIAN "$PKG" | cut -f1)
Depends: $DEPENDS
Recommends: wine32
Section: utils
Priority: optional
Description: make, check, preview and write the Setup32 kit CD
 Setup32.exe is the setup launcher of an internet provider's access kit CD
 for Windows 95, 98 and NT. setup32-kit holds the kit author's tools in one
 command: "new" makes a starting kit, "check" lists what the launcher would
 meet without saying so (kitcheck), "preview" shows every page on every
 Windows and browser under Wine, "fit" remakes pictures that a slow CD-ROM
 drive would show too slowly, and "disc" writes the ISO 9660 image with
 Joliet names, the launcher and its autorun.inf.
CONTROL
(cd "$PKG" && find usr -type f -exec md5sum {} + | LC_ALL=C sort -k2) >"$PKG/DEBIAN/md5sums"
chmod 644 "$PKG/DEBIAN/control" "$PKG/DEBIAN/md5sums"

rm -f "$DEB"
dpkg-deb --root-owner-group -Zxz --build "$PKG" "$DEB" >/dev/null
printf 'Wrote %s (%d bytes; %d KB installed)\nDepends: %s\n' "$DEB" "$(stat -c %s "$DEB")" \
    "$(du -sk --exclude=DEBIAN "$PKG" | cut -f1)" "$DEPENDS"
if command -v lintian >/dev/null; then
    echo "lintian:"
    lintian --info --display-info "$DEB" || true
fi
