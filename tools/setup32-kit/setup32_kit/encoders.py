"""The picture files fit writes, and how far each is from its original.

Pillow decodes and quantizes; the bitmaps, plain and run-length, are
written here so that their layout is exactly the one the launcher's
decoder reads in place (a 40-byte header, the colours used, rows bottom
first). What a file costs the launcher is not judged here: kitcheck says it."""
import io
import math
import re

from PIL import Image, ImageChops, ImageStat

# The quality every re-made picture keeps against its original.
MIN_PSNR = 38.0
JPEG_QUALITIES = range(30, 96)


def psnr(a, b):
    """Peak signal-to-noise ratio of two RGB pictures of one size, in dB over
    red, green and blue together; infinite when they are equal."""
    rms = ImageStat.Stat(ImageChops.difference(a, b)).rms
    mse = sum(r * r for r in rms) / len(rms)
    return math.inf if mse == 0 else 10 * math.log10(255 * 255 / mse)


def bitmap(indexed, runs):
    """An 8-bit Windows bitmap of a palette picture: a 40-byte header, the
    colours used, then the rows bottom first, plain or run-length encoded."""
    width, height = indexed.size
    pixels = indexed.tobytes()
    colors = max(pixels) + 1
    palette = indexed.getpalette()[:3 * colors]
    palette += [0] * (3 * colors - len(palette))
    table = b"".join(bytes((palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0)) for i in range(colors))
    rows = [pixels[y * width:(y + 1) * width] for y in range(height - 1, -1, -1)]
    if runs:
        bits = b"".join(rle8_row(row) + b"\x00\x00" for row in rows[:-1]) + rle8_row(rows[-1]) + b"\x00\x01"
    else:
        pad = b"\x00" * (-width % 4)
        bits = b"".join(row + pad for row in rows)
    offset = 14 + 40 + len(table)
    header = b"BM" + (offset + len(bits)).to_bytes(4, "little") + bytes(4) + offset.to_bytes(4, "little")
    info = b"".join(value.to_bytes(size, "little") for value, size in (
        (40, 4), (width, 4), (height, 4), (1, 2), (8, 2), (1 if runs else 0, 4), (len(bits), 4),
        (2835, 4), (2835, 4), (colors, 4), (0, 4)))  # 72 dpi; every colour important
    return header + info + table + bits


RUN = re.compile(rb"(.)\1*", re.S)


def rle8_row(row):
    """One row in run-length 8 bits, its end of line not included: runs of 3
    or more of a colour as (count, colour), other pixels as absolute runs
    (0, count, the pixels, padded to a word), or as runs of one when fewer
    than 3 stand together (0, 1 and 0, 2 are the escapes of end of picture
    and delta)."""
    out = bytearray()
    literal = bytearray()

    def flush():
        start = 0
        while start < len(literal):
            chunk = literal[start:start + 255]
            start += len(chunk)
            if len(chunk) >= 3:
                out.extend((0, len(chunk)))
                out.extend(chunk)
                if len(chunk) % 2:
                    out.append(0)
            else:
                for value in chunk:
                    out.extend((1, value))
        literal.clear()

    for match in RUN.finditer(row):
        length, value = len(match.group()), match.group()[0]
        if length < 3:
            literal.extend(match.group())
            continue
        flush()
        while length:
            run = min(length, 255)
            out.extend((run, value))
            length -= run
    flush()
    return bytes(out)


def palettes(image):
    """The picture in 256 colours or fewer, in the ways worth trying: its own
    colours when it has no more than 256; else each quantizer at hand, plain
    and with Floyd-Steinberg dithering."""
    if image.getcolors(256) is not None:
        colors = [color for _, color in image.getcolors(256)]
        table = Image.new("P", (1, 1))
        table.putpalette([c for color in colors for c in color] + list(colors[0]) * (256 - len(colors)))
        return [image.quantize(palette=table, dither=Image.Dither.NONE)]
    methods = [Image.Quantize.MEDIANCUT]
    try:
        image.quantize(colors=2, method=Image.Quantize.LIBIMAGEQUANT)
        methods.append(Image.Quantize.LIBIMAGEQUANT)
    except (ValueError, OSError):
        pass  # a Pillow built without libimagequant
    results = []
    for method in methods:
        plain = image.quantize(colors=256, method=method, dither=Image.Dither.NONE)
        results.append(plain)
        results.append(image.quantize(palette=plain, dither=Image.Dither.FLOYDSTEINBERG))
    return results


def bitmaps(image):
    """The picture as a plain and as a run-length 8-bit bitmap, each with its
    PSNR: of the ways to 256 colours, the one of best PSNR for the plain one
    (all are the same size), the smallest that keeps MIN_PSNR for the
    run-length one (else the one of best PSNR)."""
    tries = [(psnr(image, indexed.convert("RGB")), indexed) for indexed in palettes(image)]
    best_psnr, best = max(tries, key=lambda t: t[0])
    plain = (bitmap(best, runs=False), best_psnr)
    runs = [(bitmap(indexed, runs=True), value) for value, indexed in tries]
    keeping = [r for r in runs if r[1] >= MIN_PSNR]
    rle = min(keeping, key=lambda r: len(r[0])) if keeping else max(runs, key=lambda r: r[1])
    return plain, rle


def jpeg(image):
    """The picture as a baseline JPEG at the lowest quality that keeps
    MIN_PSNR (colour at half resolution or full, whichever is smaller), else
    at the highest quality tried: (bytes, PSNR, quality)."""
    def encode(quality, subsampling):
        out = io.BytesIO()
        image.save(out, "JPEG", quality=quality, subsampling=subsampling, optimize=True, progressive=False)
        data = out.getvalue()
        with Image.open(io.BytesIO(data)) as decoded:
            return data, psnr(image, decoded.convert("RGB")), quality

    found = []
    for subsampling in (2, 0):  # 4:2:0, 4:4:4
        low, high = 0, len(JPEG_QUALITIES) - 1
        best = encode(JPEG_QUALITIES[high], subsampling)
        if best[1] < MIN_PSNR:
            found.append(best)
            continue
        while low < high:  # the lowest quality that keeps MIN_PSNR
            middle = (low + high) // 2
            attempt = encode(JPEG_QUALITIES[middle], subsampling)
            if attempt[1] >= MIN_PSNR:
                best, high = attempt, middle
            else:
                low = middle + 1
        found.append(best)
    keeping = [f for f in found if f[1] >= MIN_PSNR]
    return min(keeping, key=lambda f: len(f[0])) if keeping else max(found, key=lambda f: f[1])


def pixels(path):
    """The picture's pixels in RGB, and whether it is a GIF with transparent
    pixels (which show the colour behind it: only GIF can)."""
    with Image.open(path) as image:
        transparent = image.format == "GIF" and "transparency" in image.info
        return image.convert("RGB"), transparent
