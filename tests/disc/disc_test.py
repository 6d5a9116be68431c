#!/usr/bin/python3
"""The disc, as a PC uses it: scripts/make-disc.sh (setup32-kit disc) writes
images of the demo kit and of kits made from it, each image is read back by
xorriso (from the image itself, never from the kit folder) into a read-only
folder, and that folder becomes a Wine CD-ROM drive D: (wine_cdrom in
scripts/wine-env.sh). The Windows side, disc_tests.exe
(tests/e2e/disc_test.cpp), starts the program of autorun.inf's open= with
D:\\ as current directory and walks the pages.

- demo kit, Joliet names: the launcher from autorun.inf, both pages, an
  installer from the disc; kitcheck's slow-on-cd note with its figures.
- the kit with ç, ã, é and blanks in its names: the disc holds them as
  kitcheck said it would (Joliet and ISO 9660 names), the launcher shows the
  page pictures and starts the dialer from the disc.
- a kit with a long name (discador\\installer-fr.exe): kitcheck's Joliet
  note; read with Joliet the dialer starts; read as a reader without Joliet
  sees it (only the ISO 9660 names) exactly the noted file is lost, and the
  dialer's Next starts nothing.
- the disc goes away mid-run: strace, attached to the running launcher,
  makes every open of the disc's files fail with ENOMEDIUM and every read
  with EIO, as a drive without its disc does.
Writes a JUnit report and prints the times of make-disc and of the disc runs.

    DISPLAY=:N disc_test.py --build BUILD --arch x86_64 --label "x86_64, wine64" --results REPORT.xml [--case NAME]
"""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from cases import Cases, Failure, expect  # noqa: E402
from kits import ACCENTED_DIALER, accented_kit  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
WINDOWS_BUILD = {"i686": "win32", "x86_64": "win64"}


class Discs:
    def __init__(self, args):
        self.args = args
        self.build = args.build
        self.win = self.build / WINDOWS_BUILD[args.arch]
        self.tests = self.build / (WINDOWS_BUILD[args.arch] + "-tests")
        self.kitcheck = self.build / "native" / "kitcheck" / "kitcheck"
        self.work = self.build / f"disc-test-{args.arch}"
        self.times = {}
        if self.work.exists():
            subprocess.run(["chmod", "-R", "u+w", str(self.work)], check=False)
            shutil.rmtree(self.work)
        self.work.mkdir(parents=True)
        self.signals = self.work / "signals"
        self.signals.mkdir()
        self.env = None

    # ---- the shell side: wine-env.sh's prefix, display and drive

    def shell(self, script, **extra):
        command = (f'ROOT="{ROOT}"; BUILD="{self.build}"; . "$ROOT/scripts/wine-env.sh"; '
                   f'use_wine {self.args.arch}; {script}')
        env = dict(os.environ, **extra)
        return subprocess.run(["bash", "-c", command], env=env, capture_output=True, text=True)

    def wine_environment(self):
        if self.env is None:
            result = self.shell('wine_prefix >&2; env -0')
            expect(result.returncode == 0, f"no Wine prefix: {result.stderr}")
            self.env = dict(line.split("=", 1) for line in result.stdout.split("\0") if "=" in line)
        return self.env

    def mount(self, folder):
        self.wine_environment()  # the prefix first, as wine_prefix makes it: the drive is made in it
        result = self.shell(f'wine_cdrom d "{folder}"')
        expect(result.returncode == 0, f"wine_cdrom: {result.stderr}")

    def winpath(self, path):
        return "Z:" + str(path).replace("/", "\\")

    def disc_tests(self, test_filter, dialer="started", background=False):
        env = dict(self.wine_environment())
        env.update(SETUP32_DISC="D:\\", SETUP32_DISC_LOG=self.winpath(self.log),
                   SETUP32_DISC_DIALER=dialer, SETUP32_DISC_SIGNALS=self.winpath(self.signals))
        command = [env["WINELOADER"], str(self.tests / "tests/e2e/disc_tests.exe"), "--gtest_brief=1",
                   f"--gtest_filter={test_filter}"]
        if background:
            return subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=300)
        expect(result.returncode == 0, f"disc_tests {test_filter}:\n{result.stdout}{result.stderr}")
        return result.stdout

    # ---- kits, images and the folders read back from them

    def demo_kit(self, name, tempo=None, dialer=None):
        kit = self.work / name
        subprocess.run([str(ROOT / "scripts/make-demo-kit.sh"), str(kit), str(self.win / "tests/e2e/stub/stub.exe")],
                       check=True, capture_output=True)
        ini = (kit / "setup.ini").read_bytes()
        if tempo is not None:
            ini = ini.replace(b"tempo=2500", f"tempo={tempo}".encode())
        if dialer is not None:
            (kit / "discador" / "setup.exe").rename(kit / dialer.replace("\\", "/"))
            ini = ini.replace(b"Discador=discador\\setup.exe", b"Discador=" + dialer.encode())
        (kit / "setup.ini").write_bytes(ini)
        return kit

    def make_disc(self, kit):
        image = self.work / (kit.name + ".iso")
        started = time.monotonic()
        result = subprocess.run([str(ROOT / "scripts/make-disc.sh"), "--launcher", str(self.win / "Setup32.exe"),
                                 str(kit), str(image)], capture_output=True, text=True)
        self.times[f"make-disc {kit.name}"] = time.monotonic() - started
        print(result.stdout + result.stderr, end="")
        expect(result.returncode == 0, f"make-disc.sh {kit.name}: {result.returncode}")
        expect(image.is_file(), "no image written")
        return image, result.stdout + result.stderr

    def read_back(self, image, name, joliet=True):
        folder = self.work / name
        command = ["xorriso"] + ([] if joliet else ["-read_fs", "ecma119"]) + [
            "-osirrox", "on", "-indev", str(image), "-extract", "/", str(folder)]
        result = subprocess.run(command, capture_output=True, text=True)
        expect(result.returncode == 0, f"xorriso could not read {image}: {result.stderr}")
        subprocess.run(["chmod", "-R", "a-w", str(folder)], check=True)  # a disc is read-only
        return folder

    def check(self, folder):
        result = subprocess.run([str(self.kitcheck), "--json", str(folder)], capture_output=True, text=True)
        expect(result.returncode in (0, 1), f"kitcheck {folder}: {result.returncode} {result.stderr}")
        return json.loads(result.stdout)

    def start_log(self, name):
        self.log = self.work / f"{name}-started.log"
        self.log.unlink(missing_ok=True)

    # ---- the cases

    def demo(self):
        kit = self.demo_kit("demo")
        image, output = self.make_disc(kit)
        expect("Setup32.exe acrescentado" in output and "autorun.inf acrescentado" in output, output)
        expect("Cabe num disco de 650 MB (333000 setores): sim" in output, output)
        notes = self.check(kit)["notes"]
        slow = [n for n in notes if n["code"] == "slow-on-cd"]
        expect(len(slow) == 1, f"the demo kit's notes: {notes}")
        message = slow[0]["message"]
        print("demo kit: " + message)
        # The largest of the three pictures, read after 150 ms at 600 and 1200 KB/s.
        largest = max((kit / f"image{i}.bmp").stat().st_size for i in (1, 2, 3))
        figures = [f"{0.150 + largest / (speed * 150 * 1024):.1f}".replace(".", ",") for speed in (4, 8)]
        expect(f"{figures[0]} s num CD-ROM 4x e {figures[1]} s num 8x" in message, f"{figures}: {message}")
        disc = self.read_back(image, "demo-disc")
        listing = sorted(p.name for p in disc.iterdir())
        expect("Setup32.exe" in listing and "autorun.inf" in listing and "setup.ini" in listing,
               f"the disc's root: {listing}")
        self.mount(disc)
        self.start_log("demo")
        started = time.monotonic()
        self.disc_tests("Disc.TheDriveIsACdRom:Disc.AutorunStartsTheLauncherAndAnInstallerFromTheDisc")
        self.times["disc run, demo kit (Joliet)"] = time.monotonic() - started

    def long_name(self):
        kit = self.demo_kit("longname", dialer="discador\\installer-fr.exe")
        report = self.check(kit)
        noted = {n["file"] for n in report["notes"] if n["code"] == "name-needs-joliet"}
        expect(noted == {"discador\\installer-fr.exe"}, f"Joliet notes: {noted}")
        expect(report["status"] == 0, "notes only: status 0")
        image, _ = self.make_disc(kit)

        disc = self.read_back(image, "longname-joliet")
        self.mount(disc)
        self.start_log("longname-joliet")
        started = time.monotonic()
        self.disc_tests("Disc.TheDialerFromTheDisc", "started")
        self.times["disc run, long name (Joliet)"] = time.monotonic() - started

        plain = self.read_back(image, "longname-iso9660", joliet=False)
        names = sorted(str(p.relative_to(plain)) for p in plain.rglob("*") if p.is_file())
        print("read without Joliet: " + ", ".join(names))
        missed = {p["file"] for p in self.check(plain)["problems"] if p["code"] == "program-missing"}
        print(f"kitcheck's Joliet notes: {sorted(noted)}; missed without Joliet: {sorted(missed)}")
        expect(missed == noted, f"missed without Joliet {missed}, noted {noted}")
        self.mount(plain)
        self.start_log("longname-iso9660")
        started = time.monotonic()
        self.disc_tests("Disc.TheDialerFromTheDisc", "missing")
        self.times["disc run, long name (ISO 9660 only)"] = time.monotonic() - started

    def make_disc_stops(self):
        """make-disc.sh stops on kitcheck's problems and on an autorun.inf
        that starts nothing, --anyway writes all the same, and the kit folder
        is left as it was."""
        kit = self.demo_kit("stops")
        (kit / "autorun.inf").write_bytes(b"[autorun]\r\nopen=bin\\launch.exe\r\n")

        def listing():
            return sorted((str(p.relative_to(kit)), p.stat().st_size, p.stat().st_mtime_ns) for p in kit.rglob("*"))

        before = listing()
        image = self.work / "stops.iso"
        run = [str(ROOT / "scripts/make-disc.sh"), str(kit), str(image)]
        env = dict(os.environ)
        result = subprocess.run(run, env=env, capture_output=True, text=True)
        expect(result.returncode == 1 and not image.exists(), f"autorun.inf opens a missing program: {result}")
        expect("autorun-open-missing" in result.stdout, result.stdout)
        result = subprocess.run(run[:1] + ["--anyway", "--label", "MY_KIT"] + run[1:], env=env,
                                capture_output=True, text=True)
        expect(result.returncode == 0 and image.is_file(), f"--anyway: {result}")
        expect("--anyway" in result.stderr and "rótulo MY_KIT" in result.stdout, result.stdout + result.stderr)
        expect(listing() == before, "make-disc.sh changed the kit folder")
        image.unlink()
        (kit / "autorun.inf").unlink()
        (kit / "image2.bmp").unlink()
        before = listing()
        result = subprocess.run(run, env=env, capture_output=True, text=True)
        expect(result.returncode == 1 and not image.exists(), f"a missing picture: {result}")
        expect("problema [picture-missing] image2.bmp" in result.stdout, result.stdout)
        expect(listing() == before, "make-disc.sh changed the kit folder")

    def unoffered_builds(self):
        """The demo kit without the builds it never starts (IE 3.02, since
        OKnoCD/ie3port is no, and the English builds): kitcheck's notes say
        why each is never started, no problem, and the disc is written."""
        kit = self.demo_kit("unoffered")
        for folder in ("ie302", "ie302en", "ie5en"):
            shutil.rmtree(kit / folder)
        ini = (kit / "setup.ini").read_bytes()
        (kit / "setup.ini").write_bytes(ini.replace(b"[OKnoCD]\r\nie3port=ok", b"[OKnoCD]\r\nie3port=no"))
        report = self.check(kit)
        expect(report["status"] == 0 and not report["problems"], f"problems: {report['problems']}")
        never = {n["key"]: n["message"] for n in report["notes"] if n["code"] == "never-started"}
        expect(sorted(never) == ["Arquivos/ie3ingl", "Arquivos/ie3port", "Arquivos/ie5ingl", "Arquivos/ie5ingl2"],
               f"never-started notes: {sorted(never)}")
        expect("OKnoCD/ie3port=ok" in never["Arquivos/ie3port"], never["Arquivos/ie3port"])
        expect("idioma Ingl" in never["Arquivos/ie5ingl"], never["Arquivos/ie5ingl"])
        expect("lê esta chave mas não a usa" in never["Arquivos/ie5ingl2"], never["Arquivos/ie5ingl2"])
        image, output = self.make_disc(kit)
        expect("nota [never-started] Arquivos/ie3port" in output, output)

    def second_run(self):
        """On a built tree make-disc.sh installs and builds nothing and says
        so; xorriso writes the image beside it from the kit's own files,
        the launcher and an autorun.inf of a scratch folder in the temporary
        folder, which is empty again at the end. cmake, apt-get, dpkg-query
        and xorriso are watched by stand-ins on the PATH that log each call,
        an argument a line."""
        kit = self.demo_kit("again")
        shims = self.work / "shims"
        shims.mkdir(exist_ok=True)
        calls = self.work / "calls.log"
        for name in ("cmake", "apt-get", "dpkg-query", "xorriso"):
            real = shutil.which(name)
            expect(real, f"no {name} on the PATH")
            (shims / name).write_text(f'#!/bin/sh\n{{ echo "== {name}"; printf \'%s\\n\' "$@"; }} >>"{calls}"\n'
                                      f'exec "{real}" "$@"\n')
            (shims / name).chmod(0o755)
        temporary = self.work / "tmp"
        temporary.mkdir(exist_ok=True)
        env = dict(os.environ, PATH=f"{shims}:{os.environ['PATH']}", TMPDIR=str(temporary),
                   SETUP32_BUILD=str(self.build))
        launcher = self.build / "win32" / "Setup32.exe"
        built = [launcher, self.kitcheck]
        image = self.work / "again.iso"
        run = [str(ROOT / "scripts/make-disc.sh"), str(kit), str(image)]
        for attempt in ("first", "second"):
            calls.unlink(missing_ok=True)
            stamps = [p.stat().st_mtime_ns for p in built]
            top = sorted(p.name for p in self.build.iterdir())
            result = subprocess.run(run, env=env, capture_output=True, text=True)
            log = result.stdout + result.stderr
            expect(result.returncode == 0 and image.is_file(), f"{attempt} run: {result.returncode}\n{log}")
        print(log, end="")
        logged = [call.splitlines() for call in calls.read_text().split("== ")[1:]] if calls.exists() else []
        expect("make-disc.sh: nothing installed, nothing built" in log, log)
        expect(not any(w in log for w in ("building", "installing")), log)
        expect([call[0] for call in logged] == ["xorriso", "xorriso"], f"called: {[c[0] for c in logged]}")
        expect([p.stat().st_mtime_ns for p in built] == stamps, "a built program changed")
        expect(sorted(p.name for p in self.build.iterdir()) == top, "the build folder got a new entry")
        written = logged[-1]
        target = Path(written[written.index("-o") + 1])
        expect(target.parent == image.parent and target.name.startswith(".again.iso."), f"written to {target}")
        sources = [Path(arg.split("=", 1)[1]) for arg in written[written.index("-graft-points") + 1:]]
        scratch = [p for p in sources if not p.is_relative_to(kit) and p != launcher]
        expect(sources and all(p.is_relative_to(temporary) for p in scratch), f"the disc's sources: {sources}")
        expect(not any(temporary.iterdir()), f"left in the temporary folder: {list(temporary.iterdir())}")

    def accented(self):
        """The kit with ç, ã, é and blanks in its names (cp1252 in setup.ini,
        UTF-8 on the file system): no problem; the disc holds each name as
        kitcheck says it will; read with Joliet, the launcher starts from
        autorun.inf, its slideshow runs from the disc, and it starts the
        dialer from the disc."""
        demo = self.demo_kit("accented-demo")
        kit = accented_kit(demo, self.work / "kit ação é")
        report = self.check(kit)
        expect(report["status"] == 0, f"problems: {report['problems']}")
        image, output = self.make_disc(kit)
        expect("rótulo KIT_ACAO_E," in output, output)

        def names(*read):
            listing = subprocess.run(["xorriso", *read, "-indev", str(image), "-find", "/"], capture_output=True,
                                     text=True, env=dict(os.environ, LANG="C.UTF-8")).stdout
            return {line.strip("'").lstrip("/").split(";")[0] for line in listing.splitlines()} - {""}
        for kind, read in (("joliet", ()), ("iso9660", ("-read_fs", "ecma119"))):
            said = {e[kind].replace("\\", "/") for e in report["disc"]["entries"] if e["copy"]}
            found = names(*read) - {"Setup32.exe", "autorun.inf", "SETUP32.EXE", "AUTORUN.INF"}
            expect(found == said, f"{kind}: on the disc {sorted(found - said)}, said {sorted(said - found)}")
        disc = self.read_back(image, "accented-disc")
        expect((disc / ACCENTED_DIALER.replace("\\", "/")).is_file(), f"no {ACCENTED_DIALER} on the disc")
        self.mount(disc)
        self.start_log("accented-dialer")
        self.disc_tests("Disc.TheDialerFromTheDisc")
        started = self.log.read_bytes().decode("cp1252")
        expect(started.replace('"', "").startswith(ACCENTED_DIALER + " /demo|"), f"started: {started}")
        self.start_log("accented")
        self.disc_tests("Disc.AutorunStartsTheLauncherAndAnInstallerFromTheDisc")

    def pids(self, name):
        """The running processes of this run's Wine prefix whose command line
        holds name: the launcher ("setup32.exe") and the Wine server (Wine
        passes the Windows environment apart, not as the Linux process's own,
        which holds WINEPREFIX)."""
        marker = f"WINEPREFIX={self.wine_environment()['WINEPREFIX']}".encode()
        pids = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                if name in (entry / "cmdline").read_bytes().lower() and \
                        marker in (entry / "environ").read_bytes().split(b"\0"):
                    pids.append(int(entry.name))
            except OSError:
                continue
        return pids

    def disc_goes_away(self):
        kit = self.demo_kit("removed", tempo=500)
        image, _ = self.make_disc(kit)
        disc = self.read_back(image, "removed-disc")
        self.mount(disc)
        self.start_log("removed")
        prefix = Path(self.wine_environment()["WINEPREFIX"])
        started = time.monotonic()
        run = self.disc_tests("Disc.TheDiscGoesAway", background=True)
        for name in ("remove", "removed", "ended", "back"):
            (self.signals / name).unlink(missing_ok=True)
        strace = None
        try:
            deadline = time.monotonic() + 120
            while not (self.signals / "remove").exists():
                expect(run.poll() is None and time.monotonic() < deadline,
                       "the test never asked to take the disc away:\n" + (run.stdout.read() if run.poll() is not None else ""))
                time.sleep(0.1)
            pids = self.pids(b"setup32.exe")
            expect(len(pids) == 1, f"the launcher's process: {pids}")
            # The Wine server opens files and reads a program's headers for
            # its clients: it is traced too (the launcher's threads and it).
            servers = self.pids(b"wineserver")
            expect(len(servers) == 1, f"the Wine server's process: {servers}")
            # Every name the launcher can reach the disc's files by: the
            # folder read back and the drive's link.
            paths = []
            for path in [disc] + sorted(disc.rglob("*")):
                relative = path.relative_to(disc)
                paths += [str(path), str(prefix / "dosdevices" / "d:" / relative)]
            tids = [int(t) for t in os.listdir(f"/proc/{pids[0]}/task")]
            command = ["strace", "-f", "-qq", "-o", str(self.work / "strace.log"),
                       "-e", "trace=open,openat,read,pread64,readv,preadv",
                       "-e", "inject=open,openat:error=ENOMEDIUM",
                       "-e", "inject=read,pread64,readv,preadv:error=EIO"]
            for path in paths:
                command += ["-P", path]
            for tid in tids + servers:
                command += ["-p", str(tid)]
            strace = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            time.sleep(2)  # attached to every thread
            if strace.poll() is not None:
                raise Failure(f"strace could not attach: {strace.stderr.read()}")
            (self.signals / "removed").touch()
            print(f"the disc was taken away {time.monotonic() - started:.1f} s into the run", flush=True)
            while not (self.signals / "ended").exists() and run.poll() is None and time.monotonic() < deadline + 60:
                time.sleep(0.1)
            strace.send_signal(signal.SIGINT)  # detaches: the disc is back
            strace.wait(timeout=30)
            (self.signals / "back").touch()
            output, _ = run.communicate(timeout=120)
        finally:
            if run.poll() is None:
                run.kill()
            if strace is not None and strace.poll() is None:
                strace.send_signal(signal.SIGINT)
                strace.wait(timeout=30)
        self.times["disc run, the disc goes away"] = time.monotonic() - started
        failed = self.work / "strace.log"
        injected = [line for line in failed.read_text(errors="replace").splitlines() if "(INJECTED)" in line] \
            if failed.exists() else []
        print(f"the disc went away: {len(injected)} opens and reads of its files failed, e.g.")
        for line in injected[:4]:
            print("    " + line)
        expect(run.returncode == 0, f"Disc.TheDiscGoesAway:\n{output}")
        expect(injected, "no open or read of the disc's files failed: the launcher never met the missing disc")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--label", required=True)
    parser.add_argument("--results", type=Path, required=True)
    parser.add_argument("--case", action="append", help="run only these cases (names as printed)")
    args = parser.parse_args()
    args.build = args.build.resolve()
    if not os.environ.get("DISPLAY"):
        print("disc_test.py: needs a display (scripts/test.sh gives it a private Xvfb)", file=sys.stderr)
        return 2
    return run_cases(args)


def run_cases(args):
    discs = Discs(args)

    cases = Cases(f"disc ({args.label})", "Disc")

    def case(name, check):
        if not args.case or name in args.case:
            cases.run(name, check)

    case("MakeDiscStopsOnProblems", discs.make_disc_stops)
    case("BuildsNeverStartedLeftOut", discs.unoffered_builds)
    case("SecondRunInstallsAndBuildsNothing", discs.second_run)
    case("DemoKitFromAutorunOnACdRomDrive", discs.demo)
    case("AccentedNamesOnACdRomDrive", discs.accented)
    case("LongNameNeedsJoliet", discs.long_name)
    case("TheDiscGoesAwayMidRun", discs.disc_goes_away)
    discs.shell("stop_prefix")
    for what, seconds in discs.times.items():
        print(f"time: {what}: {seconds:.1f} s")

    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
