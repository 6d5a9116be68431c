#!/usr/bin/env bash
# Writes the JPEG corpus the decoder is held to, from photographs of Debian's
# lomiri-wallpapers-16.04 (scripts/deps.sh installs it), each cut to the
# slideshow's 617 x 564 by ImageMagick and encoded in every way a kit's
# pictures may come: sampling factors, progressive, grey, restart intervals
# and arithmetic coding (jpegtran, libjpeg-turbo-progs), CMYK, RGB, odd and
# tiny sizes. Nothing of it is committed; it is made again at every run.
#
#   make_jpeg_corpus.sh FOLDER           # the corpus: PHOTO-ENCODING.jpg
#   make_jpeg_corpus.sh --bench FOLDER   # the benchmark's three photographs:
#       q82-2x2.jpg, q90-1x1.jpg, q82-2x2-progressive.jpg
#   make_jpeg_corpus.sh --seeds FOLDER   # every encoding at 23 x 19: the seeds
#       committed in fuzz/corpus/fuzz_jpeg, made once with this
set -euo pipefail
MODE=corpus
case "${1:-}" in
--bench | --seeds)
    MODE=${1#--}
    shift
    ;;
esac
OUT=${1:?usage: make_jpeg_corpus.sh [--bench | --seeds] FOLDER}
WALLPAPERS=/usr/share/backgrounds
# The benchmark's photograph first; then the others of the whole corpus.
PHOTOS=(aitzgorri_by_Aitzol_Berasategi life_by_Aitzol_Berasategi friends_by_Aitzol_Berasategi
    Picture_1A_by_freespace sunset_by_Aitzol_Berasategi)
for photo in "${PHOTOS[@]}"; do
    [ -f "$WALLPAPERS/$photo.jpg" ] || {
        echo "make_jpeg_corpus.sh: $WALLPAPERS/$photo.jpg is missing: install lomiri-wallpapers-16.04 (scripts/deps.sh)" >&2
        exit 1
    }
done
mkdir -p "$OUT"
work=$(mktemp -d "$OUT/.work.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A photograph at WIDTHxHEIGHT, filling it and cut to it, as a PPM.
scaled() {  # photo, size, out
    convert -define jpeg:size=1300x1200 "$WALLPAPERS/$1.jpg" -resize "$2^" -gravity center -extent "$2" +repage "$3"
}
# A JPEG of a PPM with ImageMagick's options.
encode() {  # ppm, out, options...
    local ppm=$1 out=$2
    shift 2
    convert "$ppm" "$@" "$out"
}

# Every encoding of a PPM, as PREFIX-ENCODING.jpg.
everything() {  # ppm, prefix
    local ppm=$1 p=$2 sf
    encode "$ppm" "$p-q82-2x2.jpg" -quality 82 -sampling-factor 2x2
    encode "$ppm" "$p-q90-1x1.jpg" -quality 90 -sampling-factor 1x1
    encode "$ppm" "$p-q82-2x2-progressive.jpg" -quality 82 -sampling-factor 2x2 -interlace JPEG
    encode "$ppm" "$p-q82-grey.jpg" -quality 82 -colorspace Gray
    # Every sampling factor libjpeg writes (at most 10 blocks an MCU) and
    # stb_image reads (the luma's a multiple of each chroma's).
    for sf in 2x1 1x2 4x1 1x4 4x2 2x4 3x1 1x3 3x2 2x2,2x1,1x1 1x1,2x2,1x1 2x2,1x1,2x2; do
        encode "$ppm" "$p-q82-${sf//,/-}.jpg" -quality 82 -sampling-factor "$sf"
    done
    encode "$ppm" "$p-q90-1x1-progressive.jpg" -quality 90 -sampling-factor 1x1 -interlace JPEG
    encode "$ppm" "$p-q82-grey-progressive.jpg" -quality 82 -colorspace Gray -interlace JPEG
    encode "$ppm" "$p-q82-2x1-progressive.jpg" -quality 82 -sampling-factor 2x1 -interlace JPEG
    encode "$ppm" "$p-q100-1x1.jpg" -quality 100 -sampling-factor 1x1
    encode "$ppm" "$p-q30-2x2.jpg" -quality 30 -sampling-factor 2x2
    encode "$ppm" "$p-q5-2x2.jpg" -quality 5 -sampling-factor 2x2
    encode "$ppm" "$p-q82-2x2-standard-tables.jpg" -quality 82 -sampling-factor 2x2 -define jpeg:optimize-coding=false
    encode "$ppm" "$p-q82-2x2-comment.jpg" -quality 82 -sampling-factor 2x2 -set comment "Foto de ${p##*/}"
    encode "$ppm" "$p-q85-cmyk.jpg" -quality 85 -colorspace CMYK
    cjpeg -rgb -quality 85 "$ppm" >"$p-q85-rgb.jpg"
    # Restart intervals: after every MCU, every 7 MCUs, every MCU row;
    # progressive every two rows; and arithmetic coding, which stb_image
    # never read.
    jpegtran -restart 1b "$p-q82-2x2.jpg" >"$p-q82-2x2-restart1.jpg"
    jpegtran -restart 7b "$p-q90-1x1.jpg" >"$p-q90-1x1-restart7.jpg"
    jpegtran -restart 1 "$p-q82-2x1.jpg" >"$p-q82-2x1-restart-row.jpg"
    jpegtran -restart 3b "$p-q82-grey.jpg" >"$p-q82-grey-restart3.jpg"
    jpegtran -restart 2 -progressive "$p-q82-2x2.jpg" >"$p-q82-2x2-progressive-restart2.jpg"
    jpegtran -arithmetic "$p-q82-2x2.jpg" >"$p-q82-2x2-arithmetic.jpg"
}
if [ "$MODE" = seeds ]; then
    scaled "${PHOTOS[0]}" 23x19 "$work/seed.ppm"
    everything "$work/seed.ppm" "$OUT/seed"
    exit 0
fi
if [ "$MODE" = bench ]; then
    scaled "${PHOTOS[0]}" 617x564 "$work/photo.ppm"
    encode "$work/photo.ppm" "$OUT/q82-2x2.jpg" -quality 82 -sampling-factor 2x2
    encode "$work/photo.ppm" "$OUT/q90-1x1.jpg" -quality 90 -sampling-factor 1x1
    encode "$work/photo.ppm" "$OUT/q82-2x2-progressive.jpg" -quality 82 -sampling-factor 2x2 -interlace JPEG
    exit 0
fi

# Every photograph in the three forms of the benchmark and in grey.
for photo in "${PHOTOS[@]}"; do
    name=${photo%%_*}
    name=${name,,}
    ppm="$work/$name.ppm"
    scaled "$photo" 617x564 "$ppm"
    encode "$ppm" "$OUT/$name-q82-2x2.jpg" -quality 82 -sampling-factor 2x2
    encode "$ppm" "$OUT/$name-q90-1x1.jpg" -quality 90 -sampling-factor 1x1
    encode "$ppm" "$OUT/$name-q82-2x2-progressive.jpg" -quality 82 -sampling-factor 2x2 -interlace JPEG
    encode "$ppm" "$OUT/$name-q82-grey.jpg" -quality 82 -colorspace Gray
done

# The first photograph in every encoding at 617 x 564, and at 61 x 47
# (PHOTO-WxH-ENCODING.jpg), small enough that the tests damage it in
# thousands of ways.
first=${PHOTOS[0]%%_*}
first=${first,,}
everything "$work/$first.ppm" "$OUT/$first"
scaled "${PHOTOS[0]}" 61x47 "$work/small.ppm"
everything "$work/small.ppm" "$OUT/$first-61x47"
# Sizes that are no multiple of 8 or 16, down to a single pixel.
scaled "${PHOTOS[0]}" 601x523 "$work/odd.ppm"
p="$OUT/$first-601x523"
for sf in 2x2 1x1 2x1 1x2 4x2 3x1; do
    encode "$work/odd.ppm" "$p-q82-$sf.jpg" -quality 82 -sampling-factor "$sf"
done
encode "$work/odd.ppm" "$p-q82-2x2-progressive.jpg" -quality 82 -sampling-factor 2x2 -interlace JPEG
encode "$work/odd.ppm" "$p-q82-grey.jpg" -quality 82 -colorspace Gray
jpegtran -restart 1b "$p-q82-2x2.jpg" >"$p-q82-2x2-restart1.jpg"
for size in 1x1 17x9 9x17 33x2; do
    scaled "${PHOTOS[0]}" "$size" "$work/$size.ppm"
    p="$OUT/$first-$size"
    encode "$work/$size.ppm" "$p-q82-2x2.jpg" -quality 82 -sampling-factor 2x2
    encode "$work/$size.ppm" "$p-q82-2x2-progressive.jpg" -quality 82 -sampling-factor 2x2 -interlace JPEG
    encode "$work/$size.ppm" "$p-q82-4x2.jpg" -quality 82 -sampling-factor 4x2
    encode "$work/$size.ppm" "$p-q82-grey.jpg" -quality 82 -colorspace Gray
done
# Line art at quality 100: all of a picture's weight at the highest
# frequencies, where a step of 1 leaves the inverse DCT no rounding to hide
# in (single pixels of black and white, of green and magenta; stripes).
convert -size 64x64 pattern:checkerboard -quality 100 -sampling-factor 1x1 "$OUT/checkerboard-8px-q100-1x1.jpg"
convert -size 61x47 pattern:gray50 -quality 100 -sampling-factor 1x1 "$OUT/pixels-q100-1x1.jpg"
convert -size 61x47 pattern:gray50 -fill '#00FF00' -opaque black -fill '#FF00FF' -opaque white \
    -quality 100 -sampling-factor 1x1 "$OUT/pixels-colour-q100-1x1.jpg"
convert -size 61x47 pattern:vertical2 -quality 100 -sampling-factor 1x1 -interlace JPEG "$OUT/stripes-q100-progressive.jpg"
