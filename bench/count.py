#!/usr/bin/python3
"""Counts the instructions of one load of each test picture with valgrind's
callgrind (bench/count/count_picture.cpp counts the load alone), and the
most heap the load held at once besides its DIB section, and prints what the
instructions mean on a 100 MHz Pentium at one instruction a cycle, a floor
estimate: the era's processors take more than a cycle for most of them. Beside
it, what a 4x CD drive takes to deliver the file (150 ms to find it, then
600 KB/s), as bench/slow_disc.py measures it. For the JPEG photographs also
the decoders the launcher's is compared with (bench/count/count_reference.cpp:
stb_image 2.27 without SIMD, libjpeg-turbo with its SIMD turned off), the
multiplications executed (mul and imul of the x86_64 build: callgrind's
count of each instruction, named by objdump) and the PSNR against
libjpeg-turbo's accurate decode. Targets are reported, never enforced.

    count.py FOLDER --build LABEL COUNT_PICTURE [--build ...]
                    [--reference LABEL COUNT_REFERENCE DECODER ...]

FOLDER holds pictures/: bmp.bmp, rle.bmp and gif.gif, and the three JPEG
photographs of pictures/tests/make_jpeg_corpus.sh --bench, all 617 x 564.
The first build is this tree's, any other one is shown beside it.
"""
import argparse
import math
import os
import re
import subprocess

PENTIUM_HZ = 100e6
CD_ACCESS_S, CD_BYTES_PER_S = 0.150, 614400
LEAST_PSNR = 42.0
# kind, file, label, instructions (per what, how compared, limit), most KB
# beside the section ("coefficients": those of a progressive JPEG and 64 KB)
PICTURES = (
    ("bmp", "bmp.bmp", "24-bit BMP", ("byte", "<", 0.2), 64),
    ("rle", "rle.bmp", "RLE8 BMP", ("pixel", "<", 20), 64),
    ("jpg", "q82-2x2.jpg", "JPEG photograph, q82, colour sampled 2x2", ("pixel", "<=", 65), 64),
    ("jpg", "q90-1x1.jpg", "JPEG photograph, q90, colour in full", ("pixel", "<=", 110), 64),
    ("jpg", "q82-2x2-progressive.jpg", "JPEG photograph, q82, 2x2, progressive", ("pixel", "<=", 100), "coefficients"),
    ("gif", "gif.gif", "256-colour GIF", ("pixel", "<", 40), None),
)
MULTIPLY = re.compile(r"^i?mul[bwlq]?$")
VECTOR_MULTIPLY = re.compile(r"^v?(pmul|pmadd|mulp|muls)")
PREFIXES = {"rep", "repz", "repe", "repnz", "repne", "lock", "data16", "addr32", "notrack", "bnd", "cs", "ds"}


def coefficients(path):
    """Bytes of a JPEG's coefficients, every component's blocks to whole MCUs."""
    d = open(path, "rb").read()
    i = 2
    while i + 4 <= len(d) and d[i] == 0xFF:
        marker, length = d[i + 1], d[i + 2] << 8 | d[i + 3]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width, n = d[i + 5] << 8 | d[i + 6], d[i + 7] << 8 | d[i + 8], d[i + 9]
            factors = [(d[i + 11 + 3 * c] >> 4, d[i + 11 + 3 * c] & 15) for c in range(n)]
            hmax, vmax = max(h for h, _ in factors), max(v for _, v in factors)
            mcus = math.ceil(width / (8 * hmax)) * math.ceil(height / (8 * vmax))
            return sum(mcus * h * v for h, v in factors) * 64 * 2
        i += 2 + length
    return 0


_mnemonics = {}


def mnemonics(obj):
    """Each instruction's address in an object file and its mnemonic."""
    if obj not in _mnemonics:
        table = {}
        if os.path.exists(obj):
            dump = subprocess.run(["objdump", "-d", "--no-show-raw-insn", obj], capture_output=True, text=True).stdout
            for line in dump.splitlines():
                parts = line.split("\t")
                if len(parts) < 2 or not parts[0].strip().endswith(":"):
                    continue
                words = [w for w in parts[1].split() if w not in PREFIXES]
                if words:
                    table[int(parts[0].strip()[:-1], 16)] = words[0]
        _mnemonics[obj] = table
    return _mnemonics[obj]


def multiplications(out):
    """The scalar and the vector multiplications a callgrind file counted
    (--dump-instr=yes --dump-line=no --compress-pos=no --compress-strings=no:
    each cost line an object's address and the instructions executed there)."""
    scalar = vector = 0
    obj, skip = None, False
    with open(out) as f:
        for line in f:
            if line.startswith("ob="):
                obj = line[3:].strip()
            elif line.startswith("calls="):
                skip = True  # the next line is the call's inclusive cost
            elif line.startswith("0x"):
                if skip:
                    skip = False
                    continue
                address, cost = line.split()[:2]
                name = mnemonics(obj).get(int(address, 16), "")
                if MULTIPLY.match(name):
                    scalar += int(cost)
                elif VECTOR_MULTIPLY.match(name):
                    vector += int(cost)
    return scalar, vector


def count(folder, label, command, path):
    """Instructions of the load, multiplications, the result's pixels and bytes
    of pixels, the most heap the load held at once besides them, and its PSNR."""
    name = re.sub(r"[^\w.-]", "_", label)
    out = os.path.join(folder, f"callgrind.{name}.{os.path.basename(path)}")
    run = subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--dump-instr=yes", "--dump-line=no",
                          "--compress-pos=no", "--compress-strings=no", f"--callgrind-out-file={out}", *command, path],
                         capture_output=True, text=True, env=dict(os.environ, JSIMD_FORCENONE="1"))
    words = run.stdout.split()
    if run.returncode != 0 or len(words) != 6:
        return None
    width, height, _, size, heap = (int(w) for w in words[:5])
    psnr = None if words[5] == "-" else float(words[5])
    with open(out) as f:
        for line in f:
            if line.startswith(("totals:", "summary:")):
                return int(line.split()[1]), multiplications(out), width * height, size, heap, psnr
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("folder")
    parser.add_argument("--build", nargs=2, action="append", metavar=("LABEL", "PROGRAM"), required=True)
    parser.add_argument("--reference", nargs=3, action="append", default=[], metavar=("LABEL", "PROGRAM", "DECODER"))
    args = parser.parse_args()
    rows = []
    for kind, file_name, label, target, memory in PICTURES:
        path = os.path.join(args.folder, "pictures", file_name)
        size = os.path.getsize(path)
        cd_ms = 1000 * (CD_ACCESS_S + size / CD_BYTES_PER_S)
        runs = [(b, [p]) for b, p in args.build]
        if kind == "jpg":
            runs += [(r, [p, d]) for r, p, d in args.reference]
        for i, (build, command) in enumerate(runs):
            counted = count(args.folder, build, command, path)
            first = (f"{label}, {size:,} B", f"{cd_ms:,.0f} ms") if i == 0 else (f"  {build}", "")
            if not counted:
                rows.append(first + ("refused or failed",) + ("",) * 8)
                continue
            instructions, (muls, vector_muls), pixels, bits_size, heap, psnr = counted
            per_pixel, per_byte = instructions / pixels, instructions / bits_size
            goal, result = "(reported)", "-"
            if i == 0 and target:
                what, compare, limit = target
                value = per_byte if what == "byte" else per_pixel
                goal = f"{compare} {limit:g} a {'byte of pixels' if what == 'byte' else 'pixel'}"
                missed = [] if (value < limit if compare == "<" else value <= limit) else ["instructions"]
                if memory is not None:
                    most = 64 * 1024 + (coefficients(path) if memory == "coefficients" else 0)
                    goal += f", <= {most / 1024:,.0f} KB beside" + (" (the coefficients + 64 KB)" if memory == "coefficients" else "")
                    missed += [] if heap <= most else ["memory"]
                if psnr is not None:
                    goal += f", >= {LEAST_PSNR:g} dB"
                    missed += [] if psnr >= LEAST_PSNR else ["PSNR"]
                result = "ok" if not missed else "missed: " + ", ".join(missed)
            elif i:
                goal = "(for comparison)"
            mul_text = f"{muls / pixels:.2f}" + (f" (+{vector_muls / pixels:.2f} vector)" if vector_muls else "")
            psnr_text = "-" if psnr is None else "equal" if math.isinf(psnr) else f"{psnr:.1f} dB"
            rows.append(first + (f"{instructions:,}", f"{per_pixel:.2f}", f"{per_byte:.3f}",
                                 f"{1000 * instructions / PENTIUM_HZ:,.1f} ms", mul_text, f"{heap / 1024:,.0f} KB",
                                 psnr_text, goal, result))

    head = ("Picture (617 x 564), file", "4x CD", "Instructions", "A pixel", "A byte of pixels", "Pentium 100 MHz",
            "Multiplications a pixel", "Memory beside the section", "PSNR", "Target", "Result")
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(len(head))]

    def line(r):
        return "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"

    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    print()
    print("Instructions of one load (the system's reads and the DIB section's memory not counted), this tree"
          + (" and " + ", ".join(b for b, _ in args.build[1:]) if len(args.build) > 1 else "")
          + "; a Pentium at 100 MHz and one instruction a cycle; a 4x drive: 150 ms, then 600 KB/s.")
    print("Multiplications: the mul and imul instructions executed by the x86_64 build (not the i686 product's),"
          " a pixel; vector multiplications apart.")
    print("Memory beside the section: the most the load held at once in blocks of the heap (and a buffer of the"
          " whole file where the launcher read one first), besides the DIB section it fills.")
    print("PSNR: the picture against libjpeg-turbo's accurate decode (JDCT_ISLOW, smooth upsampling) of the same file.")


if __name__ == "__main__":
    main()
