#!/usr/bin/env bash
# scripts/package.sh: the kit author's Debian package, built from debian/
# with dpkg-buildpackage in a clean copy of the source tree (what git
# tracks and the new files it does not ignore), build/package/src:
#
#   build/package/setup32-kit_VERSION_amd64.deb      the package
#   build/package/setup32-kit_VERSION.dsc, .tar.xz   the source package
#
# VERSION is the launcher's (resources/version.h), which debian/changelog
# must name. Then lintian's report on both (-I --pedantic); its exit status
# is this script's when it finds an error or a warning.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=$(realpath -m "${SETUP32_BUILD:-$ROOT/build}")
OUT="$BUILD/package"

die() {
    echo "package.sh: $*" >&2
    exit 1
}
VERSION=$(sed -n 's/^#define SETUP32_VERSION_STR "\(.*\)"$/\1/p' "$ROOT/resources/version.h")
CHANGELOG=$(dpkg-parsechangelog -l "$ROOT/debian/changelog" -S Version)
[ "$VERSION" = "$CHANGELOG" ] || die "debian/changelog says $CHANGELOG, resources/version.h $VERSION"

rm -rf "$OUT"
mkdir -p "$OUT/src"
(cd "$ROOT" && git ls-files -z --cached --others --exclude-standard | tar --null --ignore-failed-read -T - -cf -) |
    tar -xf - -C "$OUT/src"
echo "Source package (dpkg-source --build)"
(cd "$OUT" && dpkg-source --build src >source.log 2>&1) || { tail -n 20 "$OUT/source.log" >&2; die "dpkg-source failed"; }
echo "Binary package (dpkg-buildpackage -b -us -uc in $OUT/src)"
(cd "$OUT/src" && DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -b -us -uc >"$OUT/build.log" 2>&1) ||
    { tail -n 40 "$OUT/build.log" >&2; die "dpkg-buildpackage failed (log: $OUT/build.log)"; }
DEB="$OUT/setup32-kit_${VERSION}_amd64.deb"
[ -f "$DEB" ] || die "no $DEB"
printf 'Wrote %s (%d bytes; %s KB installed)\nDepends: %s\n' "$DEB" "$(stat -c %s "$DEB")" \
    "$(dpkg-deb -f "$DEB" Installed-Size)" "$(dpkg-deb -f "$DEB" Depends)"

echo "lintian -I --pedantic:"
REPORT=$(lintian -I --pedantic "$DEB" "$OUT/setup32-kit_${VERSION}.dsc" 2>&1) || true
echo "${REPORT:-(nothing)}"
if grep -qE '^[EW]: ' <<<"$REPORT"; then
    die "lintian found errors or warnings"
fi
