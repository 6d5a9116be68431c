#!/usr/bin/env python3
"""Prints the slideshow's figures from a slow disc, for scripts/bench.sh:
   slow_disc.py ACCESS_US BYTES_PER_S LABEL:READS_LOG:HELD_OUTPUT ...
READS_LOG is bench/slow_disc.c's log of one run (a line per read of a kit
file: microseconds, bytes, seeks, path), HELD_OUTPUT held.exe's line of the
same run ("held STALLS TOTAL_MS LONGEST_MS SECONDS"). A tick is one picture
read: the reads of a background picture (image<N>.*) one after the other,
up to a read of another file."""
import os
import re
import sys

PICTURE = re.compile(r"^image\d+\.[^.]+$", re.IGNORECASE)


def ticks(log):
    """The background pictures read, each as (name, bytes, reads, seeks), in order."""
    read, last = [], None
    with open(log) as lines:
        for line in lines:
            parts = line.rstrip("\n").split(" ", 3)
            if len(parts) != 4:
                continue
            name = os.path.basename(parts[3])
            got, seek = max(0, int(parts[1])), int(parts[2])
            if PICTURE.match(name) and last == name:
                read[-1][1] += got
                read[-1][2] += 1
                read[-1][3] += seek
            elif PICTURE.match(name):
                read.append([name, got, 1, seek])
            last = name
    return [tuple(r) for r in read]


def main():
    access_us, rate = float(sys.argv[1]), float(sys.argv[2])
    print(f"Slideshow from a {rate / 1024:.0f} KB/s drive with {access_us / 1000:.0f} ms a seek "
          "(every read of the kit's files that does not go on from the last one costs that; a 4x CD drive)")
    print("| Kit | Bytes read per tick | Reads (seeks) per tick | Drive time per tick (model) "
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
        seeks = sum(l[3] for l in loads) / len(loads)
        drive = (seeks * access_us + size * 1e6 / rate) / 1000
        mean = total / stalls if stalls else 0
        print(f"| {label} | {size:,.0f} B | {reads:.1f} ({seeks:.1f}) | {drive:,.0f} ms "
              f"| {mean:,.0f} ms ({longest:,.0f} ms) | {stalls} / {len(loads)} picture reads |")


if __name__ == "__main__":
    main()
