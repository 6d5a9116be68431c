#!/usr/bin/env python3
"""Writes the picture files the decoder tests read, from SOURCE.ppm (the
test's own pattern) into FOLDER: JPEG and GIF by Pillow, bitmaps of the
headers ImageMagick writes (the 12-, 40- and 124-byte ones) by `convert`.

    make_pictures.py FOLDER
"""
import random
import subprocess
import sys

from PIL import Image

folder = sys.argv[1]
source = Image.open(f"{folder}/source.ppm").convert("RGB")
grey = Image.open(f"{folder}/grey.ppm").convert("L")

source.save(f"{folder}/baseline.jpg", quality=95)  # colour at half resolution (4:2:0)
source.save(f"{folder}/full-colour.jpg", quality=95, subsampling=0)  # 4:4:4
source.save(f"{folder}/progressive.jpg", quality=95, progressive=True)
grey.save(f"{folder}/grey.jpg", quality=95)

indexed = source.quantize(colors=16, dither=Image.Dither.NONE)
indexed.save(f"{folder}/plain87a.gif", interlace=False)  # Pillow interlaces unless told
indexed.save(f"{folder}/interlaced.gif", interlace=True)
# Index of the colour at (0, 0) made transparent: those pixels show what is behind.
indexed.save(f"{folder}/transparent.gif", transparency=indexed.getpixel((0, 0)))
# Two frames: only the first is shown.
second = Image.new("RGB", source.size, (255, 255, 255)).quantize(colors=2)
indexed.save(f"{folder}/frames.gif", save_all=True, append_images=[second], duration=100, loop=0)

# Noise in 256 colours: the code table fills to 4096 codes again and again.
random.seed(7)
noise = Image.new("P", (160, 120))
noise.putpalette(bytes(random.randrange(256) for _ in range(768)))
noise.putdata([random.randrange(256) for _ in range(160 * 120)])
noise.save(f"{folder}/noise.gif", interlace=False)
noise.save(f"{folder}/noise-interlaced.gif", interlace=True, transparency=5)

for name, args in {
    "im-core.bmp": ["BMP2:"],
    "im-v3.bmp": ["-type", "TrueColor", "BMP3:"],
    "im-v5.bmp": ["-type", "TrueColor", "BMP:"],
    "im-v5-565.bmp": ["-define", "bmp:subtype=RGB565", "BMP:"],
    "im-v5-argb.bmp": ["-type", "TrueColorAlpha", "-define", "bmp:subtype=ARGB8888", "BMP:"],
    "im-palette.bmp": ["-type", "Palette", "BMP3:"],
    "im-rle8.bmp": ["-type", "Palette", "-compress", "RLE", "BMP3:"],
}.items():
    *options, kind = args
    subprocess.run(["convert", f"{folder}/source.ppm", *options, f"{kind}{folder}/{name}"], check=True)
