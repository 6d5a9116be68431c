#!/usr/bin/python3
"""Times slideshow ticks from outside, as the Linux kernel sees the Wine
process of a Windows program: its CPU time from /proc/PID/stat (user and
system time of all its threads, in clock ticks of 10 ms), its ticks as the
opens of the kit's picture files (inotify on the kit folder: the program
opens imageN.ext once per tick), and the memory a tick takes from the
process's peak resident size (VmHWM, reset through /proc/PID/clear_refs
between ticks). Prints one "name value" line per figure, as the driver does.

    ticks.py <job file>

Each line of the job file is one run of one program, its words separated by
tabs, started with the kit folder as its current folder and ended (by its
id) after the run:

    cpu <name> <seconds> <kit folder> <program> [<argument>...]
        <name>.cpu_ms, <name>.wall_ms and <name>.opens over <seconds>, once
        the slideshow runs (or, with no picture opened, once start-up is over)
    mem <name> <ticks> <kit folder> <program> [<argument>...]
        the program started minimised (Wine's start /min), so that a tick is
        the picture's load and nothing is drawn; at each of <ticks> ticks of
        a slow slideshow: the peak resident size during the tick above the
        resident size just before it; <name>.peak_kb (median),
        <name>.peak_max_kb, <name>.between_kb

The kernel keeps the resident size in counters per processor that it adds
up in batches (32 pages each), so that the peak is exact to some 256 KB on
two processors; bench/count.py adds up a load's heap exactly.

CPU per tick is then (CPU at the kit's tempo - CPU with no tick over the
same wall time) / opens (bench/table.py). Lines starting with # are skipped.
"""
import ctypes
import os
import re
import select
import signal
import statistics
import struct
import subprocess
import sys
import time

IN_OPEN = 0x20
PICTURE = re.compile(rb"^image\d+\.(bmp|jpg|gif)$", re.IGNORECASE)
CLOCK_TICK_MS = 1000.0 / os.sysconf("SC_CLK_TCK")
libc = ctypes.CDLL(None, use_errno=True)


class Opens:
    """The opens of a folder's picture files, counted as inotify reports them."""

    def __init__(self, folder):
        self.fd = libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0 or libc.inotify_add_watch(self.fd, os.fsencode(folder), IN_OPEN) < 0:
            sys.exit(f"ticks: cannot watch {folder}: {os.strerror(ctypes.get_errno())}")
        self.count = 0

    def wait(self, seconds):
        """Counts the opens that come within `seconds`; returns how many came."""
        came, end = 0, time.monotonic() + seconds
        while True:
            left = end - time.monotonic()
            if left <= 0:
                return came
            if not select.select([self.fd], [], [], left)[0]:
                continue
            data = os.read(self.fd, 65536)
            at = 0
            while at < len(data):
                _, mask, _, length = struct.unpack_from("iIII", data, at)
                name = data[at + 16:at + 16 + length].rstrip(b"\0")
                at += 16 + length
                if mask & IN_OPEN and PICTURE.match(name):
                    came += 1
                    self.count += 1

    def next(self, timeout):
        """Waits for the next open; False when none came within `timeout`."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.wait(min(0.005, end - time.monotonic())):
                return True
        return False

    def close(self):
        os.close(self.fd)


def cpu_ms(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rpartition(")")[2].split()
    return (int(fields[11]) + int(fields[12])) * CLOCK_TICK_MS  # utime + stime


def status_kb(pid, *names):
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in names:
                values[key] = int(rest.split()[0])
    return [values[n] for n in names]


def reset_peak(pid):
    with open(f"/proc/{pid}/clear_refs", "w") as f:
        f.write("5")  # the peak resident size becomes the present one


def processes():
    return {int(entry) for entry in os.listdir("/proc") if entry.isdigit()}


def program_process(started, exe, before):
    """The Linux process of the Windows program: a process that was not there
    before the start, named after the exe, whose command line names it (as
    Z:\\path\\to\\exe when start.exe started it)."""
    name = os.path.basename(exe)[:15]
    path = os.path.abspath(exe).lower()
    end = time.monotonic() + 30
    while time.monotonic() < end:
        for pid in sorted(processes() - before):
            try:
                with open(f"/proc/{pid}/comm") as f:
                    if f.read().strip() != name:
                        continue
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    line = f.read().decode(errors="replace").replace("\\", "/").lower()
            except OSError:
                continue
            if path in line or pid == started.pid:
                return pid
        if started.poll() is not None and started.returncode != 0:
            break
        time.sleep(0.05)
    sys.exit(f"ticks: {exe} did not start")


def settle(pid, opens):
    """Waits until start-up is over: two ticks came after the first picture
    and a second more passed, or, with no tick, the CPU time has not moved
    for 0.6 s."""
    start = time.monotonic()
    seen = 0
    last, quiet = cpu_ms(pid), 0
    while time.monotonic() < start + 30:
        seen += opens.wait(0.3)
        if seen >= 3:
            opens.wait(1.0)
            return
        now = cpu_ms(pid)
        quiet = quiet + 1 if now - last <= CLOCK_TICK_MS else 0
        last = now
        if quiet >= 2 and time.monotonic() > start + 2:
            return
    sys.exit("ticks: the program did not settle")


def run(kind, name, amount, kit, command):
    exe = command[1]
    if kind == "mem":
        # Minimised, so that a tick is the load alone: no part of the window
        # is drawn again.
        folder = "Z:" + os.path.abspath(kit).replace("/", "\\")  # Wine's drive of the root folder
        command = [command[0], "start", "/min", "/wait", "/d", folder, "/unix"] + command[1:]
    opens = Opens(kit)
    before = processes()
    started = subprocess.Popen(command, cwd=kit, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pid = None
    try:
        pid = program_process(started, exe, before)
        settle(pid, opens)
        if kind == "cpu":
            opens.count = 0
            c0, t0 = cpu_ms(pid), time.monotonic()
            opens.wait(float(amount))
            c1, t1 = cpu_ms(pid), time.monotonic()
            print(f"{name}.cpu_ms {c1 - c0:.3f}")
            print(f"{name}.wall_ms {1000 * (t1 - t0):.3f}")
            print(f"{name}.opens {opens.count}")
        else:
            # Half an interval after a tick's open its load and drawing are
            # over; the next tick's peak is read half an interval after its
            # open, against the resident size just before it.
            interval = _interval(opens)
            peaks, between = [], []
            if not opens.next(10):
                sys.exit(f"ticks: {name}: no tick")
            opens.wait(interval / 2)
            base = status_kb(pid, "VmRSS")[0]
            reset_peak(pid)
            for _ in range(int(amount)):
                if not opens.next(10):
                    sys.exit(f"ticks: {name}: no tick")
                opens.wait(interval / 2)
                peak, now = status_kb(pid, "VmHWM", "VmRSS")
                peaks.append(peak - base)
                between.append(base)
                base = now
                reset_peak(pid)
            print(f"{name}.peak_kb {statistics.median(peaks):.0f}")
            print(f"{name}.peak_max_kb {max(peaks):.0f}")
            print(f"{name}.between_kb {statistics.median(between):.0f}")
            print(f"{name}.samples {len(peaks)}")
        sys.stdout.flush()
    finally:
        opens.close()
        if pid is not None and pid != started.pid:
            os.kill(pid, signal.SIGTERM)  # the program, started by start.exe
        if started.poll() is None:
            started.send_signal(signal.SIGTERM)
            try:
                started.wait(5)
            except subprocess.TimeoutExpired:
                started.kill()
                started.wait()


def _interval(opens):
    """The slideshow's interval, from two opens in a row (seconds)."""
    opens.next(10)
    t0 = time.monotonic()
    opens.next(10)
    return max(0.05, time.monotonic() - t0)


def main():
    with open(sys.argv[1]) as f:
        for line in f:
            words = [w for w in line.rstrip("\n").split("\t") if w]
            if not words or words[0].startswith("#"):
                continue
            kind, name, amount, kit, *command = words
            if kind not in ("cpu", "mem") or not command:
                sys.exit(f"ticks: a job line reads: {line.strip()}")
            run(kind, name, amount, kit, command)


if __name__ == "__main__":
    main()
