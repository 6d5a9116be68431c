#!/usr/bin/env python3
"""Prints the slideshow's figures from a slow disc, for scripts/bench.sh:
   slow_disc.py ACCESS_US BYTES_PER_S LABEL:READS_LOG:HELD_OUTPUT ...
READS_LOG is bench/slow_disc.c's log of one run (a line per read of a kit
file: microseconds, bytes, path), HELD_OUTPUT held.exe's line of the same run
("held STALLS TOTAL_MS LONGEST_MS SECONDS"). A tick is one picture read whole:
a read of a background picture (image<N>.*) that brought bytes."""
import os
import re
import sys

PICTURE = re.compile(r"^image\d+\.[^.]+$", re.IGNORECASE)


def ticks(log):
    """The background pictures read, each as (name, bytes, reads), in order."""
    read = []
    with open(log) as lines:
        for line in lines:
            parts = line.rstrip("\n").split(" ", 2)
            if len(parts) != 3:
                continue
            name = os.path.basename(parts[2])
            if not PICTURE.match(name):
                continue
            got = max(0, int(parts[1]))
            # A picture is read whole by one read; a read that finds nothing
            # more (the end of the file) belongs to the load before it.
            if got == 0 and read and read[-1][0] == name:
                read[-1][2] += 1
            else:
                read.append([name, got, 1])
    return [(name, size, count) for name, size, count in read]


def main():
    access_us, rate = float(sys.argv[1]), float(sys.argv[2])
    print(f"Slideshow from a {rate / 1024:.0f} KB/s drive with {access_us / 1000:.0f} ms a seek "
          "(every read of the kit's files costs that; a 4x CD drive)")
    print("| Kit | Bytes read per tick | Reads per tick | Drive time per tick (model) "
          "| Window thread held per tick, mean (longest) | Ticks held / seen |")
    print("|---|---|---|---|---|---|")
    for run in sys.argv[3:]:
        label, log, held = run.split(":", 2)
        loads = ticks(log) if os.path.exists(log) else []
        with open(held) as f:
            fields = f.read().split()
        if len(fields) != 5 or fields[0] != "held" or not loads:
            print(f"| {label} | (no figures: the run failed) | | | | |")
            continue
        stalls, total, longest = int(fields[1]), float(fields[2]), float(fields[3])
        size = sum(l[1] for l in loads) / len(loads)
        reads = sum(l[2] for l in loads) / len(loads)
        drive = (reads * access_us + size * 1e6 / rate) / 1000
        mean = total / stalls if stalls else 0
        print(f"| {label} | {size:,.0f} B | {reads:.1f} | {drive:,.0f} ms | {mean:,.0f} ms ({longest:,.0f} ms) "
              f"| {stalls} / {len(loads)} picture reads |")


if __name__ == "__main__":
    main()
