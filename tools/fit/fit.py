#!/usr/bin/python3
"""fit: a copy of a kit whose pictures a slow CD drive shows in time.

    fit.py [--quiet] KIT OUTDIR

Every tick of the slideshow reads a background picture from the disc and
decodes it on the window's thread; meanwhile the window answers nothing.
fit writes a copy of KIT into OUTDIR (absent or empty) in which each picture
holds the window at most 1 s on a 4x drive and at most the slideshow
interval: the read (150 ms of access, then 600 KB/s, the model of kitcheck's
slow-on-cd note) plus the decode on a 100 MHz Pentium (the benchmark's
instruction counts per pixel, one instruction a cycle).

The pictures of one kind share one extension in setup.ini: the backgrounds
image1..image<nroimg> take `tipoimg`, the page pictures imgini and imgie take
`tipoImgTela`. For each kind that is not yet within the limits, fit tries the
formats the launcher decodes itself on every Windows (8-bit bitmap with its
own colour table, run-length 8-bit bitmap, baseline JPEG at the lowest quality
that keeps the picture) and takes the one that holds the window least, among
those whose every picture keeps a PSNR of at least 38 dB against its
original. The size in pixels stays; when the extension changes, the picture
files are renamed and that one value in the copy's setup.ini is rewritten,
every other byte of the file kept. Nothing else changes; KIT is only read. A
kit already within the limits is copied as it is.

Exit status: 0 the copy is within the limits; 1 the copy is written but some
picture still holds the window longer (no format keeps 38 dB within the
limits: the copy holds the best that does, and a line says so); 2 nothing
written: usage, a missing kit or setup.ini, OUTDIR not empty or inside KIT,
a picture the launcher would not show.
"""
import argparse
import io
import math
import os
import re
import shutil
import sys
from dataclasses import dataclass, field

from PIL import Image, ImageChops, ImageStat

# The 4x drive of kitcheck's slow-on-cd note: 150 ms to find the data, then
# four times 150 KB/s.
ACCESS_SECONDS = 0.150
DRIVE_BYTES_PER_SECOND = 4 * 150 * 1024
# What holds the window for longer than this at a tick feels stuck, however
# long the interval.
HELD_TOO_LONG = 1.0
# A 100 MHz Pentium, taken at one instruction a cycle.
INSTRUCTIONS_PER_SECOND = 100e6
# The quality every re-made picture keeps against its original.
MIN_PSNR = 38.0

# Instructions per pixel of the launcher's decoders, from the callgrind counts
# of the benchmark (scripts/bench.sh --count; x86_64, -O2). Update them here
# when it measures anew.
DECODE_INSTRUCTIONS_PER_PIXEL = {
    # Plain bitmaps: the rows are read by the system straight into the
    # section, and the launcher's own share is a few thousand instructions in
    # all. What is counted is the system's copy, at four bytes an instruction.
    "bmp24": 0.75,
    "bmp8": 0.25,
    "rle8": 4.9,     # run-length 8-bit bitmap
    "bmp": 12.0,     # other bitmaps (16, 32 bits, masks, run-length 4): not measured; RLE8 before it was read in place
    # JPEG photographs (the launcher's own decoder): quality 90 in full colour;
    # quality 82 with the colour sampled 2x2, baseline and progressive.
    "jpeg": 92.0,
    "jpeg2x2": 64.0,
    "jpeg-progressive": 102.0,
    "gif": 37.6,     # GIF of 256 colours, kept in 8 bits
}
FORMAT_NAMES = {"bmp24": "BMP 24-bit", "bmp8": "BMP 8-bit", "rle8": "BMP RLE8", "bmp": "BMP",
                "jpeg": "JPEG", "gif": "GIF"}
# The extension a format is written with, and the formats an extension names.
FAMILY = {"bmp24": "bmp", "bmp8": "bmp", "rle8": "bmp", "bmp": "bmp", "jpeg": "jpg", "gif": "gif"}
EXTENSION_FAMILY = {"bmp": "bmp", "dib": "bmp", "jpg": "jpg", "jpe": "jpg", "gif": "gif"}

# What the launcher refuses to show (pictures/picture_format.h).
MAX_FILE_BYTES = 64 * 1024 * 1024
MAX_PIXELS = 4096 * 4096
BITMAP_HEADERS = (12, 40, 52, 56, 108, 124)

JPEG_QUALITIES = range(30, 96)


class KitError(Exception):
    """A kit fit cannot work on: nothing is written."""


# ---------------------------------------------------------------------------
# setup.ini, read as the launcher's GetPrivateProfileStringA reads it
# (kitcheck/ini_reader.h): lines end at LF, CR or CRLF; blanks at the ends are
# dropped; names match in any letter case; the first section of a name and
# the first key in it count; one pair of matching quotes around a value goes.

BLANKS = b" \t\x0b\x0c\x1a"
UTF8_BOM = b"\xef\xbb\xbf"


@dataclass
class IniValue:
    text: str       # the value as the launcher reads it
    start: int      # where the value stands in the file's bytes ...
    end: int        # ... quotes included, blanks excluded


def find_ini_value(data, section, key):
    """The value of section/key in setup.ini's bytes, or None."""
    section, key = section.lower().encode(), key.lower().encode()
    current = None
    seen = set()
    searching = False
    for match in re.finditer(rb"[^\r\n]*", data):
        line = match.group()
        stripped = line.strip(BLANKS)
        if stripped.startswith(b"[") and b"]" in stripped:
            current = stripped[1:stripped.rindex(b"]")].strip(BLANKS).lower()
            # Only the first section of a name is searched.
            searching = current == section and current not in seen
            seen.add(current)
            continue
        if not searching or b"=" not in line:
            continue
        name, _, _ = line.partition(b"=")
        if name.strip(BLANKS).lower() != key:
            continue
        at = match.start() + line.index(b"=") + 1
        value = line[line.index(b"=") + 1:]
        lead = len(value) - len(value.lstrip(BLANKS))
        value = value.strip(BLANKS)
        start = at + lead
        text = value
        if len(text) >= 2 and text[0] == text[-1] and text[:1] in (b'"', b"'"):
            text = text[1:-1]
        return IniValue(text.decode("cp1252", "replace"), start, start + len(value))
    return None


def number(text):
    """The launcher's conversion of a setup.ini number, or None."""
    match = re.fullmatch(r"[ \t]*([+-]?)([0-9]+)[ \t]*", text)
    if not match:
        return None
    return -int(match.group(2)) if match.group(1) == "-" else int(match.group(2))


@dataclass
class Settings:
    ini: bytes                 # setup.ini as it stands, a UTF-8 mark removed
    mark: bytes                # the UTF-8 byte order mark, if the file has one
    pictures: int              # background pictures shown
    interval: int              # the slideshow's interval in ms (0: no slideshow)
    extensions: dict = field(default_factory=dict)   # kind -> (extension, IniValue or None)


KEYS = {"backgrounds": "tipoimg", "pages": "tipoImgTela"}


def read_settings(kit):
    path = os.path.join(kit, "setup.ini")
    found = find_name(kit, "setup.ini")
    if found is None:
        raise KitError(f"{kit} has no setup.ini: is it a kit folder?")
    with open(os.path.join(kit, found), "rb") as file:
        data = file.read()
    mark = b""
    if data.startswith(UTF8_BOM):
        mark, data = UTF8_BOM, data[len(UTF8_BOM):]
    elif data.startswith((b"\xff\xfe", b"\xfe\xff")):
        raise KitError(f"{path} is written in UTF-16: fit rewrites setup.ini only in the ANSI code page "
                       "(cp1252) or UTF-8")

    def read(key, default):
        value = find_ini_value(data, "Setup32", key)
        return (value.text if value else default), value

    nroimg, _ = read("nroimg", "1")
    count = number(nroimg[:3])
    tempo, _ = read("tempo", "500")
    interval = number(tempo[:5]) if tempo else 500
    if interval is None or not 0 <= interval <= 65535:
        interval = 500  # the timer keeps its design's interval
    settings = Settings(data, mark, max(1, count or 0), interval)
    for kind, key in KEYS.items():
        text, line = read(key, "bmp")
        settings.extensions[kind] = (text[:3], line)
    return settings


# ---------------------------------------------------------------------------
# The kit's pictures


def find_name(folder, name):
    """The entry of folder called name in any letter case, as Windows finds it."""
    if os.path.isfile(os.path.join(folder, name)):
        return name
    for entry in sorted(os.listdir(folder)):
        if entry.lower() == name.lower() and os.path.isfile(os.path.join(folder, entry)):
            return entry
    return None


def file_format(data):
    """The format of a picture file as the launcher sees it, or None when it
    would refuse it without decoding."""
    if data[:2] == b"BM" and len(data) >= 30:
        header = int.from_bytes(data[14:18], "little")
        if header not in BITMAP_HEADERS:
            return None
        if header == 12:
            bits, compression = int.from_bytes(data[24:26], "little"), 0
        else:
            if len(data) < 34:
                return None
            bits, compression = int.from_bytes(data[28:30], "little"), int.from_bytes(data[30:34], "little")
        if bits == 24 and compression == 0:
            return "bmp24"
        if bits == 8:
            return {0: "bmp8", 1: "rle8"}.get(compression, "bmp")
        return "bmp"
    if data[:2] == b"\xff\xd8":
        return "jpeg"
    if data[:4] in (b"GIF8",):
        return "gif"
    return None


# Seconds a picture holds the window: its read at 4x, then its decode.
def read_seconds(size):
    return ACCESS_SECONDS + size / DRIVE_BYTES_PER_SECOND


def jpeg_cost(data):
    """The decode cost's key of a JPEG: progressive, colour sampled 2x2 (the
    luma's factors 2x2, the chroma's 1x1), or any other."""
    i = 2
    while i + 4 <= len(data) and data[i] == 0xFF:
        marker, length = data[i + 1], int.from_bytes(data[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            if marker == 0xC2:
                return "jpeg-progressive"
            count = data[i + 9] if i + 9 < len(data) else 0
            factors = list(data[i + 11:i + 11 + 3 * count:3])
            return "jpeg2x2" if factors[:1] == [0x22] and factors[1:] == [0x11, 0x11] else "jpeg"
        i += 2 + length
    return "jpeg"


def decode_seconds(pixels, format, data=b""):
    key = jpeg_cost(data) if format == "jpeg" else format
    return pixels * DECODE_INSTRUCTIONS_PER_PIXEL[key] / INSTRUCTIONS_PER_SECOND


@dataclass
class Encoding:
    """A picture file: the original or a re-made one."""
    format: str
    data: bytes
    pixels: int
    psnr: float = math.inf
    quality: int = 0   # JPEG only

    @property
    def read(self):
        return read_seconds(len(self.data))

    @property
    def decode(self):
        return decode_seconds(self.pixels, self.format, self.data)

    @property
    def seconds(self):
        return self.read + self.decode

    def describe(self):
        name = FORMAT_NAMES[self.format]
        return f"{name} q{self.quality}" if self.quality else name


@dataclass
class Picture:
    name: str              # the file's name in the kit
    kind: str              # "backgrounds" or "pages"
    base: str              # "image1", "imgini", ...
    original: Encoding
    image: Image.Image     # its pixels, RGB
    transparent: bool      # a GIF with transparent pixels
    chosen: Encoding = None
    name_after: str = ""   # its name in the copy


def load_picture(kit, name, kind, base):
    path = os.path.join(kit, name)
    size = os.path.getsize(path)
    if size > MAX_FILE_BYTES:
        raise KitError(f"{name} has {size} bytes: the launcher shows no picture over 64 MB")
    with open(path, "rb") as file:
        data = file.read()
    format = file_format(data)
    if format is None:
        raise KitError(f"{name} is not a BMP, JPEG or GIF picture the launcher shows (kitcheck: "
                       "picture-broken): mend or remove it, then fit again")
    try:
        with Image.open(io.BytesIO(data)) as image:
            if image.width * image.height > MAX_PIXELS:
                raise KitError(f"{name} has {image.width} x {image.height} pixels: the launcher shows no "
                               "picture over 4096 x 4096")
            # A bitmap's alpha is ignored by the launcher as here. A GIF's
            # transparent pixels show the colour behind the picture, which no
            # other format can: such a GIF is kept as it is.
            transparent = format == "gif" and "transparency" in image.info
            rgb = image.convert("RGB")
    except KitError:
        raise
    except Exception as error:  # whatever Pillow says of a damaged file
        raise KitError(f"{name} cannot be read ({error}): mend or remove it, then fit again") from None
    return Picture(name, kind, base, Encoding(format, data, rgb.width * rgb.height), rgb, transparent)


def kit_pictures(kit, settings):
    """The pictures the launcher loads, by kind; missing ones are left out."""
    names = {"backgrounds": [f"image{n}" for n in range(1, settings.pictures + 1)],
             "pages": ["imgini", "imgie"]}
    pictures, missing = {}, []
    for kind, bases in names.items():
        extension = settings.extensions[kind][0]
        pictures[kind] = []
        for base in bases:
            found = find_name(kit, f"{base}.{extension}")
            if found is None:
                missing.append(f"{base}.{extension}")
            else:
                pictures[kind].append(load_picture(kit, found, kind, base))
    return pictures, missing


# ---------------------------------------------------------------------------
# The formats fit writes


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


def make_bitmaps(picture):
    """The picture as a plain and as a run-length 8-bit bitmap: of the ways to
    256 colours, the one of best PSNR for the plain one (all are the same
    size), the smallest that keeps 38 dB for the run-length one (else the one
    of best PSNR)."""
    tries = [(psnr(picture.image, indexed.convert("RGB")), indexed) for indexed in palettes(picture.image)]
    pixels = picture.original.pixels
    best_psnr, best = max(tries, key=lambda t: t[0])
    plain = Encoding("bmp8", bitmap(best, runs=False), pixels, best_psnr)
    runs = [Encoding("rle8", bitmap(indexed, runs=True), pixels, quality) for quality, indexed in tries]
    keeping = [e for e in runs if e.psnr >= MIN_PSNR]
    rle = min(keeping, key=lambda e: len(e.data)) if keeping else max(runs, key=lambda e: e.psnr)
    return plain, rle


def make_jpeg(picture):
    """The picture as a baseline JPEG at the lowest quality that keeps 38 dB
    (colour at half resolution or full, whichever is smaller), else at the
    highest quality tried."""
    def encode(quality, subsampling):
        out = io.BytesIO()
        picture.image.save(out, "JPEG", quality=quality, subsampling=subsampling, optimize=True,
                           progressive=False)
        data = out.getvalue()
        with Image.open(io.BytesIO(data)) as decoded:
            value = psnr(picture.image, decoded.convert("RGB"))
        return Encoding("jpeg", data, picture.original.pixels, value, quality)

    found = []
    for subsampling in (2, 0):  # 4:2:0, 4:4:4
        low, high = 0, len(JPEG_QUALITIES) - 1
        best = encode(JPEG_QUALITIES[high], subsampling)
        if best.psnr < MIN_PSNR:
            found.append(best)
            continue
        while low < high:  # the lowest quality that keeps 38 dB
            middle = (low + high) // 2
            attempt = encode(JPEG_QUALITIES[middle], subsampling)
            if attempt.psnr >= MIN_PSNR:
                best, high = attempt, middle
            else:
                low = middle + 1
        found.append(best)
    keeping = [e for e in found if e.psnr >= MIN_PSNR]
    return min(keeping, key=lambda e: len(e.data)) if keeping else max(found, key=lambda e: e.psnr)


# ---------------------------------------------------------------------------
# The choice for each kind


def limit(kind, settings):
    """The longest a picture of the kind may hold the window."""
    if kind == "backgrounds" and settings.interval > 0:
        return min(HELD_TOO_LONG, settings.interval / 1000)
    return HELD_TOO_LONG


def worst(encodings):
    """How long a set of pictures holds the window: the longest, then the sum."""
    return max(e.seconds for e in encodings), sum(e.seconds for e in encodings)


@dataclass
class Choice:
    kind: str
    family: str         # "as is", "bmp8", "rle8" or "jpeg"
    extension: str      # the kind's new extension
    note: str = ""
    tried: str = ""     # each format tried: its longest hold and its lowest PSNR


def choose(kind, pictures, settings):
    """Sets each picture's `chosen` encoding and tells what the kind became."""
    extension, line = settings.extensions[kind]
    for picture in pictures:
        picture.chosen = picture.original
    most = limit(kind, settings)
    if all(p.original.seconds <= most for p in pictures):
        return Choice(kind, "as is", extension)
    if any(p.transparent for p in pictures):
        names = ", ".join(p.name for p in pictures if p.transparent)
        return Choice(kind, "as is", extension, f"{names}: a GIF with transparent pixels, which only GIF "
                      "shows: the pictures of this kind are kept as they are")

    candidates = {"as is": [p.original for p in pictures]}
    made = {p.name: make_bitmaps(p) + (make_jpeg(p),) for p in pictures}
    for index, format in enumerate(("bmp8", "rle8", "jpeg")):
        encodings = []
        for p in pictures:
            new = made[p.name][index]
            # A picture already in the extension's family keeps its own file
            # when that holds the window no longer.
            if FAMILY[p.original.format] == FAMILY[format] and p.original.seconds <= new.seconds:
                new = p.original
            encodings.append(new)
        candidates[format] = encodings

    # Without the extension's line in setup.ini only formats that keep the
    # extension are possible: fit adds no line.
    note = ""
    if line is None:
        family = EXTENSION_FAMILY.get(extension.lower())
        candidates = {f: e for f, e in candidates.items() if f == "as is" or FAMILY[f] == family}
        note = (f"setup.ini has no {KEYS[kind]}= line in [Setup32]: only formats written as "
                f".{extension} were tried")
    keeping = {f: e for f, e in candidates.items() if all(x.psnr >= MIN_PSNR for x in e)}
    family = min(keeping, key=lambda f: worst(keeping[f]))
    tried = ", ".join(
        f"{FORMAT_NAMES[f]} {milliseconds(worst(e)[0])} ms at {min(x.psnr for x in e):.1f} dB"
        for f, e in candidates.items() if f != "as is")
    for picture, encoding in zip(pictures, keeping[family]):
        picture.chosen = encoding
    if family == "as is":
        new_extension = extension
    elif FAMILY[family] == EXTENSION_FAMILY.get(extension.lower()):
        new_extension = extension  # already the right family: keep the author's spelling
    else:
        new_extension = FAMILY[family]
    return Choice(kind, family, new_extension, note, tried)


# ---------------------------------------------------------------------------
# The copy


def check_folders(kit, outdir):
    if not os.path.isdir(kit):
        raise KitError(f"{kit} is not a folder")
    real_kit, real_out = os.path.realpath(kit), os.path.realpath(outdir)
    if real_out == real_kit or real_out.startswith(real_kit + os.sep):
        raise KitError(f"{outdir} is inside the kit folder {kit}: fit never writes into the kit")
    if os.path.lexists(outdir) and not (os.path.isdir(outdir) and not os.listdir(outdir)):
        raise KitError(f"{outdir} exists and is not an empty folder")


def write_copy(kit, outdir, settings, pictures, choices):
    shutil.copytree(kit, outdir, symlinks=True, dirs_exist_ok=True)
    ini = bytearray(settings.ini)
    # Rewrite the values from the end of the file so that earlier offsets hold.
    changes = []
    for kind, choice in choices.items():
        extension, line = settings.extensions[kind]
        if choice.extension != extension:
            changes.append((line, choice.extension))
    for line, extension in sorted(changes, key=lambda c: -c[0].start):
        ini[line.start:line.end] = extension.encode("ascii")
    if changes:
        with open(os.path.join(outdir, find_name(kit, "setup.ini")), "wb") as file:
            file.write(settings.mark + bytes(ini))
    for kind, choice in choices.items():
        renamed = choice.extension != settings.extensions[kind][0]
        for picture in pictures[kind]:
            picture.name_after = f"{picture.base}.{choice.extension}" if renamed else picture.name
            if picture.chosen is picture.original and not renamed:
                continue
            os.remove(os.path.join(outdir, picture.name))
            with open(os.path.join(outdir, picture.name_after), "wb") as file:
                file.write(picture.chosen.data)


def milliseconds(seconds):
    return f"{seconds * 1000:,.0f}"


def print_table(pictures, missing, settings, choices, out):
    rows = [("picture", "format before -> after", "bytes before", "after", "4x read before", "after",
             "decode before", "after", "PSNR")]
    for kind in ("backgrounds", "pages"):
        for p in pictures[kind]:
            after = p.name_after
            same = p.chosen is p.original
            rows.append((
                p.name if after == p.name else f"{p.name} -> {after}",
                p.original.describe() if same else f"{p.original.describe()} -> {p.chosen.describe()}",
                f"{len(p.original.data):,}", f"{len(p.chosen.data):,}",
                f"{milliseconds(p.original.read)} ms", f"{milliseconds(p.chosen.read)} ms",
                f"{milliseconds(p.original.decode)} ms", f"{milliseconds(p.chosen.decode)} ms",
                "=" if math.isinf(p.chosen.psnr) else f"{p.chosen.psnr:.1f} dB"))
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for row in rows:
        cells = [cell.ljust(w) if i < 2 else cell.rjust(w) for i, (cell, w) in enumerate(zip(row, widths))]
        print("  ".join(cells).rstrip(), file=out)
    for name in missing:
        print(f"{name}: not in the kit (the launcher skips it)", file=out)
    for kind, choice in choices.items():
        extension = settings.extensions[kind][0]
        what = "kept as they are" if choice.family == "as is" else FORMAT_NAMES[choice.family]
        change = (f"; setup.ini: {KEYS[kind]}={choice.extension} (was {extension})"
                  if choice.extension != extension else "")
        if pictures[kind]:
            most = max(p.chosen.seconds for p in pictures[kind])
            print(f"{kind}: {what}{change}; longest hold {milliseconds(most)} ms "
                  f"(limit {milliseconds(limit(kind, settings))} ms)", file=out)
        if choice.tried:
            print(f"{kind}: tried (longest hold, lowest PSNR): {choice.tried}", file=out)
        if choice.note:
            print(f"{kind}: {choice.note}", file=out)


def fit(kit, outdir, quiet=False):
    check_folders(kit, outdir)
    settings = read_settings(kit)
    pictures, missing = kit_pictures(kit, settings)
    choices = {kind: choose(kind, pictures[kind], settings) for kind in pictures}
    write_copy(kit, outdir, settings, pictures, choices)
    if not quiet:
        print_table(pictures, missing, settings, choices, sys.stdout)
    status = 0
    for kind in pictures:
        most = limit(kind, settings)
        for p in pictures[kind]:
            if p.chosen.seconds > most:
                status = 1
                why = choices[kind].note or (f"no format tried keeps {MIN_PSNR:.0f} dB PSNR in less; the copy "
                                             f"has the quickest that does ({p.chosen.describe()})")
                print(f"fit: {p.name_after} still holds the window {milliseconds(p.chosen.seconds)} ms on a "
                      f"4x drive, more than {milliseconds(most)} ms: {why}", file=sys.stderr)
    if not quiet:
        changed = sum(1 for kind in pictures for p in pictures[kind] if p.chosen is not p.original)
        print(f"Wrote {outdir}: {changed} picture(s) re-made" if changed else
              f"Wrote {outdir}: the kit as it is, no picture re-made")
    return status


def main(argv=None):
    parser = argparse.ArgumentParser(
        prog="fit", description="Writes a copy of KIT into OUTDIR whose pictures hold the window at most 1 s "
        "per slideshow tick on a 4x CD-ROM drive, and at most the slideshow interval.",
        epilog="Exit status: 0 within the limits; 1 copy written but a picture still holds the window longer; "
        "2 nothing written (bad kit, OUTDIR not empty).")
    parser.add_argument("--quiet", action="store_true", help="print only warnings and errors")
    parser.add_argument("kit", metavar="KIT", help="the kit folder (only read)")
    parser.add_argument("outdir", metavar="OUTDIR", help="where the copy goes: absent or an empty folder")
    args = parser.parse_args(argv)
    try:
        return fit(args.kit, args.outdir, args.quiet)
    except KitError as error:
        print(f"fit: {error}", file=sys.stderr)
        return 2
    except OSError as error:  # a folder that cannot be read or written
        print(f"fit: {error.filename or ''}: {error.strerror or error}", file=sys.stderr)
        return 2


if __name__ == "__main__":
    sys.exit(main())
