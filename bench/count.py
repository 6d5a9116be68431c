#!/usr/bin/python3
"""Counts the instructions of one load of each test picture with valgrind's
callgrind (bench/count/count_picture.cpp counts the load alone), and the
most heap the load held at once besides its DIB section, and prints what the
instructions mean on a 100 MHz Pentium at one instruction a cycle, a floor
estimate: the era's processors take more than a cycle for most of them. Beside
it, what a 4x CD drive takes to deliver the file (150 ms to find it, then
600 KB/s), as bench/slow_disc.py measures it. Targets are reported, never
enforced.

    count.py <folder> <label>:<count_picture>...

The folder holds pictures/bmp.bmp, rle.bmp, jpg.jpg, jpg420.jpg (the same
JPEG with its colour sampled at half width and height, as most tools write
below quality 90) and gif.gif, all 617 x 564;
the first build is this tree's, any other one is shown beside it.
"""
import os
import re
import subprocess
import sys

PENTIUM_HZ = 100e6
CD_ACCESS_S, CD_BYTES_PER_S = 0.150, 614400
PICTURES = (
    # kind, file, label, instructions: (per what, limit), most KB beside the section
    ("bmp", "bmp.bmp", "24-bit BMP", ("byte", 0.2), 64),
    ("rle", "rle.bmp", "RLE8 BMP", ("pixel", 20), 64),
    ("jpg", "jpg.jpg", "JPEG q90, colour in full", None, None),
    ("jpg420", "jpg420.jpg", "JPEG q90, colour sampled 2x2", None, None),
    ("gif", "gif.gif", "256-colour GIF", ("pixel", 40), None),
)


def count(folder, label, program, path):
    """Instructions of the load, the result's pixels and bytes of pixels, and
    the most heap the load held at once besides them."""
    name = re.sub(r"[^\w.-]", "_", label)
    out = os.path.join(folder, f"callgrind.{name}.{os.path.basename(path)}")
    run = subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", f"--callgrind-out-file={out}",
                          program, path], capture_output=True, text=True)
    words = run.stdout.split()
    if run.returncode != 0 or len(words) != 5:
        return None
    width, height, _, size, heap = (int(w) for w in words)
    with open(out) as f:
        for line in f:
            if line.startswith(("totals:", "summary:")):
                return int(line.split()[1]), width * height, size, heap
    return None


def main():
    folder, builds = sys.argv[1], [b.split(":", 1) for b in sys.argv[2:]]
    rows = []
    for kind, file_name, label, target, memory in PICTURES:
        path = os.path.join(folder, "pictures", file_name)
        size = os.path.getsize(path)
        cd_ms = 1000 * (CD_ACCESS_S + size / CD_BYTES_PER_S)
        for i, (build, program) in enumerate(builds):
            counted = count(folder, build, program, path)
            first = (f"{label}, {size:,} B", f"{cd_ms:,.0f} ms") if i == 0 else (f"  {build}", "")
            if not counted:
                rows.append(first + ("refused or failed", "", "", "", "", "", ""))
                continue
            instructions, pixels, bits_size, heap = counted
            per_pixel, per_byte = instructions / pixels, instructions / bits_size
            goal, result = "(reported)", "-"
            if target and i == 0:
                what, limit = target
                value = per_byte if what == "byte" else per_pixel
                goal = f"< {limit:g} a byte of pixels" if what == "byte" else f"< {limit:g} a pixel"
                ok = value < limit
                if memory is not None:
                    goal += f", <= {memory} KB beside"
                    ok = ok and heap <= memory * 1024
                result = "ok" if ok else "missed"
            elif i:
                goal = "(for comparison)"
            rows.append(first + (f"{instructions:,}", f"{per_pixel:.2f}", f"{per_byte:.3f}",
                                 f"{1000 * instructions / PENTIUM_HZ:,.1f} ms", f"{heap / 1024:,.0f} KB", goal,
                                 result))

    head = ("Picture (617 x 564), file", "4x CD", "Instructions", "A pixel", "A byte of pixels",
            "Pentium 100 MHz", "Memory beside the section", "Target", "Result")
    widths = [max(len(r[i]) for r in rows + [head]) for i in range(len(head))]

    def line(r):
        return "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"

    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))
    print()
    print("Instructions of one load (the system's reads and the DIB section's memory not counted), this tree"
          + (" and " + ", ".join(b for b, _ in builds[1:]) if len(builds) > 1 else "")
          + "; a Pentium at 100 MHz and one instruction a cycle; a 4x drive: 150 ms, then 600 KB/s.")
    print("Memory beside the section: the most the load held at once in blocks of the heap (and a buffer of the"
          " whole file where the launcher read one first), besides the DIB section it fills.")


if __name__ == "__main__":
    main()
