#!/usr/bin/env bash
# Makes the demo kit in KITFOLDER (emptied first): setup.ini, three
# background pictures, the two page pictures and stand-in installers that
# show the command and window style they were started with.
#   scripts/make-demo-kit.sh KITFOLDER STUB_EXE
# STUB_EXE is the stand-in installer (build/win32/tests/e2e/stub/stub.exe).
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 KITFOLDER STUB_EXE" >&2; exit 2; }
KIT=$1
STUB=$2
[ -f "$STUB" ] || { echo "make-demo-kit.sh: no stand-in installer at $STUB" >&2; exit 1; }

rm -rf "$KIT"
mkdir -p "$KIT"
picture() {  # name, size, gradient colours
    convert -size "$2" "gradient:$3" -type TrueColor "BMP3:$KIT/$1"
}
picture image1.bmp 617x564 '#0b3d91-#5fa8ff'
picture image2.bmp 617x564 '#1b5e20-#a5d6a7'
picture image3.bmp 617x564 '#7b1fa2-#f8bbd0'
picture imgini.bmp 122x230 '#ffd54f-#ff6f00'
picture imgie.bmp 122x230 '#4dd0e1-#01579b'
cat > "$KIT/setup.ini" <<'INI'
[Setup32]
nroimg=3
tipoimg=bmp
tipoImgTela=bmp
tempo=2500

[Arquivos]
ie3port=ie302\setup.exe
ie4port=ie401\ie4setup.exe
ie5port=ie5\ie5setup.exe
ie5port2=ie5\ie5setup.exe /Q
ie3ingl=ie302en\setup.exe
ie4ingl=ie401en\ie4setup.exe
ie5ingl=ie5en\ie5setup.exe
ie5ingl2=ie5en\ie5setup.exe /Q
Discador=discador\setup.exe /demo

[OKnoCD]
ie3port=ok
ie4port=ok
ie3ingl=no
ie4ingl=no
INI
sed -i 's/$/\r/' "$KIT/setup.ini"
for installer in ie302/setup.exe ie401/ie4setup.exe ie5/ie5setup.exe ie302en/setup.exe \
                 ie401en/ie4setup.exe ie5en/ie5setup.exe discador/setup.exe; do
    mkdir -p "$KIT/$(dirname "$installer")"
    cp "$STUB" "$KIT/$installer"
done
