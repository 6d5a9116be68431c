#!/usr/bin/python3
"""Prints the benchmark's table from the "name value" lines of the driver and
of bench/ticks.py and the built Setup32.exe: each figure beside its target,
with "ok" or "missed".
Targets are reported, never enforced: the exit code is 0 either way.

    table.py <driver results> <Setup32.exe> <ticks> <tempo ms> <nsis wizard.exe>
"""
import os
import sys

import pefile

# DLLs every Windows the launcher runs on has, Windows 95 without any runtime
# included; any other import would have to travel beside the exe.
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL"}
SIZE_TARGET = 64 * 1024
START_RATIO_TARGET = 1.3
FLOOR_RATIO_TARGET = 1.2


def read_results(path):
    values, text = {}, {}
    with open(path) as f:
        for line in f:
            name, _, value = line.strip().partition(" ")
            if not name:
                continue
            try:
                values[name] = float(value)
            except ValueError:
                text[name] = value
    if "error" in text:
        sys.exit(f"bench: the driver stopped: {text['error']}")
    return values, text


def mb(n):
    return f"{n / 1048576:.2f} MB"


def verdict(ok):
    return "ok" if ok else "missed"


def main():
    results, exe, ticks, tempo, nsis = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
    v, text = read_results(results)
    rows = []  # measure, Setup32, the program compared with, target, result

    s, m = v["startup.setup32.median_ms"], v["startup.minimal.median_ms"]
    ratio = s / m
    runs = int(v["startup.runs"])
    rows.append((f"Start-up to start page visible, median of {runs}", f"{s:.0f} ms", f"{m:.0f} ms",
                 f"<= {START_RATIO_TARGET}x minimal (is {ratio:.2f}x)", verdict(ratio <= START_RATIO_TARGET)))
    rows.append(("  (fastest .. slowest)",
                 f"{v['startup.setup32.min_ms']:.0f} .. {v['startup.setup32.max_ms']:.0f} ms",
                 f"{v['startup.minimal.min_ms']:.0f} .. {v['startup.minimal.max_ms']:.0f} ms", "", ""))
    sc, mc = v["startup.setup32.cpu_median_ms"], v["startup.minimal.cpu_median_ms"]
    rows.append(("  CPU time of the process until then, median", f"{sc:.0f} ms", f"{mc:.0f} ms",
                 f"(is {sc / mc:.2f}x)" if mc else "", "-"))
    if "startup.nsis.median_ms" in v:  # not on a host that can't execute i386 code
        n = v["startup.nsis.median_ms"]
        rows.append(("  NSIS two-page wizard, to its first page, median", "", f"{n:.0f} ms ({n / m:.2f}x)",
                     f"(Setup32 is {s / n:.2f}x)", "-"))
    d = v["startup.minimal_dlls.median_ms"]
    rows.append(("  minimal loading comctl32, ole32, oleaut32 at start", "",
                 f"{d:.0f} ms ({d / m:.2f}x)", "(the launcher: comctl32 when needed, OLE never)", "-"))

    # CPU per tick, from outside (bench/ticks.py): the CPU over the run less
    # the program's rate with no tick over the same time, per picture opened.
    def per_tick(program, fmt):
        run = f"{program}.{fmt}"
        if f"{run}.cpu_ms" not in v or f"{program}.idle.cpu_ms" not in v or not v.get(f"{run}.opens"):
            return None
        idle_rate = v[f"{program}.idle.cpu_ms"] / v[f"{program}.idle.wall_ms"]
        return (v[f"{run}.cpu_ms"] - idle_rate * v[f"{run}.wall_ms"]) / v[f"{run}.opens"]

    previous_rev = text.get("previous.rev", "BENCH_PREVIOUS")
    floor = per_tick("floor", "bmp")
    for fmt, label in (("bmp", "24-bit BMP"), ("jpg", "JPEG"), ("gif", "GIF")):
        tick, before = per_tick("setup32", fmt), per_tick("previous", fmt)
        n = int(v.get(f"setup32.{fmt}.opens", 0))
        if fmt == "bmp" and floor:
            ratio = tick / floor
            rows.append((f"CPU per slideshow tick, 617x564 {label} ({n} ticks of {tempo} ms)", f"{tick:.2f} ms",
                         f"{floor:.2f} ms (floor program)", f"<= {FLOOR_RATIO_TARGET}x the floor (is {ratio:.2f}x)",
                         verdict(ratio <= FLOOR_RATIO_TARGET)))
        else:
            rows.append((f"CPU per slideshow tick, 617x564 {label} ({n} ticks of {tempo} ms)", f"{tick:.2f} ms", "-",
                         "(reported)", "-"))
        if before is not None:
            also = f" ({before / floor:.2f}x the floor)" if fmt == "bmp" and floor else ""
            rows.append((f"  the previous build ({previous_rev}), same run", f"{before:.2f} ms{also}", "-",
                         "(for comparison)", "-"))

    # The memory of a load: the peak resident size during a tick above the
    # resident size just before it, the window minimised so that nothing is
    # drawn; median of the ticks measured. The floor program reads a bitmap
    # of the same depth straight into its DIB section: a bitmap's target is
    # the floor's and 64 KB.
    for fmt, label, depth in (("bmp", "24-bit BMP", "bmp"), ("rle", "RLE8 BMP", "bmp8"),
                              ("jpg", "JPEG q90", "bmp"), ("gif", "256-colour GIF", "bmp8")):
        key = f"setup32.mem.{fmt}"
        if f"{key}.peak_kb" not in v:
            continue
        peak = v[f"{key}.peak_kb"]
        samples = int(v[f"{key}.samples"])
        floor_peak = v.get(f"floor.mem.{depth}.peak_kb")
        bits = "24" if depth == "bmp" else "8"
        reference, target, result = "-", "(reported)", "-"
        if floor_peak is not None:
            reference = f"{floor_peak:,.0f} KB (floor, {bits}-bit BMP)"
            if fmt in ("bmp", "rle"):
                target = f"<= the floor + 64 KB (is {peak - floor_peak:+,.0f} KB)"
                result = verdict(peak <= floor_peak + 64)
            else:
                target = f"(is {peak - floor_peak:+,.0f} KB)"
        rows.append((f"Memory of a load above between ticks, {label} (median of {samples})",
                     f"{peak:,.0f} KB (most {v[f'{key}.peak_max_kb']:,.0f} KB)", reference, target, result))
        if f"previous.mem.{fmt}.peak_kb" in v:
            rows.append((f"  the previous build ({previous_rev}), same run",
                         f"{v[f'previous.mem.{fmt}.peak_kb']:,.0f} KB (most {v[f'previous.mem.{fmt}.peak_max_kb']:,.0f} KB)",
                         "-", "(for comparison)", "-"))

    gdi_src, user_src = text.get("source.gdi", "?"), text.get("source.user", "?")
    for key, label, fmt_value in (("private_bytes", "Private bytes", mb),
                                  ("gdi_objects", f"GDI objects ({gdi_src})", lambda n: f"{n:.0f}"),
                                  ("user_objects", f"USER objects ({user_src})", lambda n: f"{n:.0f}")):
        rows.append((f"{label} after start-up", fmt_value(v[f"setup32.startup.{key}"]),
                     fmt_value(v[f"minimal.startup.{key}"]), "(reported)", "-"))
        for fmt, name in (("bmp", "BMP"), ("jpg", "JPEG"), ("gif", "GIF")):
            before, after = v[f"tick.{fmt}.before.{key}"], v[f"tick.{fmt}.after.{key}"]
            if key == "private_bytes":
                # Flat: within 1% or 64 KB, whichever is larger.
                flat = abs(after - before) <= max(0.01 * before, 65536)
            else:
                flat = after == before
            rows.append((f"  across {ticks} {name} ticks", f"{fmt_value(before)} -> {fmt_value(after)}", "",
                         "flat", verdict(flat)))

    size = os.path.getsize(exe)
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    dlls = sorted(e.dll.decode().upper() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    beside = sorted(d for d in dlls if d not in SYSTEM_DLLS)
    rows.append(("Setup32.exe size (i686)", f"{size:,} B ({size / 1024:.1f} KB)", "", "<= 64 KB",
                 verdict(size <= SIZE_TARGET)))
    nsis_size = os.path.getsize(nsis)
    rows.append(("  NSIS two-page wizard size", "", f"{nsis_size:,} B ({nsis_size / 1024:.1f} KB)", "", "-"))
    rows.append(("DLLs imported", ", ".join(d.lower() for d in dlls), "", "system DLLs only",
                 verdict(not beside)))

    head = ("Measure", "Setup32", "Reference", "Target", "Result")
    widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(5)]

    def line(r):
        return "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"

    print(line(head))
    print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
    for r in rows:
        print(line(r))


if __name__ == "__main__":
    main()
