#!/usr/bin/python3
"""The kit author's package as a kit author meets it: scripts/package.sh
builds build/setup32-kit_VERSION_amd64.deb, lintian reports no error on it,
apt-get installs it (so its Depends are real), and from an empty folder
outside the checkout, with a home of its own, the installed setup32-kit
makes a kit (new), checks it, makes its preview sheet, fits it, writes the
disc of the fitted copy (disc --fit), and fit leaves an already fitted kit
as it is. Then the disc suite's run: the image read back into a Wine CD-ROM
drive, the launcher started from autorun.inf, the slideshow from the disc
and an installer started. The package is removed at the end, whatever
happened. Only the installed command is used, never the tree's scripts.

    DISPLAY=:N package_test.py --build BUILD --arch i686 --label "i686, wine" --results REPORT.xml

Needs root (apt-get) and a display (scripts/test.sh gives it a private Xvfb).
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "disc"))
sys.path.insert(0, str(ROOT / "tests"))
from cases import Cases, Failure, expect  # noqa: E402
import disc_test  # noqa: E402  the disc suite's CD-ROM drive and its Windows side

PACKAGE = "setup32-kit"
COMMAND = Path("/usr/bin/setup32-kit")
# Every key the launcher reads, by section.
KEYS = {"Setup32": ["nroimg", "tipoimg", "tipoImgTela", "tempo"],
        "Arquivos": ["ie3port", "ie4port", "ie5port", "ie5port2", "ie3ingl", "ie4ingl", "ie5ingl", "ie5ingl2",
                     "Discador"],
        "OKnoCD": ["ie3port", "ie4port", "ie3ingl", "ie4ingl"]}
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def listing(folder, times=True):
    """Every entry of a folder: name, kind, size, digest of its bytes and,
    with times, its modification time."""
    entries = []
    for path in sorted(folder.rglob("*")):
        stat = path.lstat()
        digest = hashlib.sha256(path.read_bytes()).hexdigest() if path.is_file() else ""
        entries.append((str(path.relative_to(folder)), stat.st_mode, stat.st_size, digest) +
                       ((stat.st_mtime_ns,) if times else ()))
    return entries


def installed():
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", PACKAGE], capture_output=True, text=True)
    return result.stdout == "install ok installed"


class Drive(disc_test.Discs):
    """The disc suite's CD-ROM drive and disc_tests.exe, with a work folder
    of this suite's own."""

    def __init__(self, build, arch, work):
        self.args = argparse.Namespace(build=build, arch=arch)
        self.build = build
        self.tests = build / (disc_test.WINDOWS_BUILD[arch] + "-tests")
        self.work = work
        self.times = {}
        self.signals = work / "signals"
        self.signals.mkdir(parents=True)
        self.env = None


class KitAuthor:
    def __init__(self, args):
        self.args = args
        self.build = args.build
        self.deb = None
        # An empty folder outside the checkout, and a home of its own: the
        # command's cache (the preview's Wine prefix) starts empty.
        self.home = Path(tempfile.mkdtemp(prefix="setup32-kit-test."))
        self.folder = self.home / "work"
        self.folder.mkdir()
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("SETUP32_", "WINE"))}
        self.env.update(HOME=str(self.home), XDG_CACHE_HOME=str(self.home / ".cache"))
        if args.arch == "x86_64":
            self.env["SETUP32_WINE64"] = "1"
        self.kit_before = None

    def run(self, *arguments, status=0):
        started = time.monotonic()
        result = subprocess.run(["setup32-kit", *arguments], cwd=self.folder, env=self.env,
                                capture_output=True, text=True, timeout=900)
        print(f"$ setup32-kit {' '.join(arguments)}  ({time.monotonic() - started:.1f} s, status {result.returncode})")
        expect(result.returncode == status,
               f"setup32-kit {' '.join(arguments)}: status {result.returncode}, expected {status}\n"
               f"{result.stdout}{result.stderr}")
        return result.stdout + result.stderr

    def check_json(self, kit):
        result = subprocess.run(["setup32-kit", "check", "--json", kit], cwd=self.folder, env=self.env,
                                capture_output=True, text=True)
        expect(result.returncode in (0, 1), f"setup32-kit check --json {kit}: {result.returncode} {result.stderr}")
        return json.loads(result.stdout)

    # ---- the package

    def package(self):
        result = subprocess.run([str(ROOT / "scripts/package.sh")], env=dict(os.environ, SETUP32_BUILD=str(self.build)),
                                capture_output=True, text=True)
        print(result.stdout + result.stderr, end="")
        expect(result.returncode == 0, f"package.sh: status {result.returncode}")
        debs = sorted(self.build.glob("setup32-kit_*_amd64.deb"))
        expect(len(debs) == 1, f"the packages in {self.build}: {debs}")
        self.deb = debs[0]
        control = subprocess.run(["dpkg-deb", "-f", str(self.deb)], capture_output=True, text=True).stdout
        upstream = re.search(r'SETUP32_VERSION_STR "([^"]+)"', (ROOT / "resources/version.h").read_text()).group(1)
        expect(re.search(rf"^Version: {re.escape(upstream)}-\d+$", control, re.M), control)
        for needed in ("python3", "wine64", "xvfb", "xorriso", "imagemagick", "fonts-wine", "python3-pil"):
            expect(re.search(rf"^Depends:.*\b{re.escape(needed)}\b", control, re.M), f"{needed} not in\n{control}")
        files = subprocess.run(["dpkg-deb", "-c", str(self.deb)], capture_output=True, text=True).stdout
        for path in ("./usr/bin/setup32-kit", "./usr/share/man/man1/setup32-kit.1.gz",
                     "./usr/share/doc/setup32-kit/copyright", "./usr/share/doc/setup32-kit/changelog.Debian.gz"):
            expect(f" {path}\n" in files + "\n", f"{path} not in the package")
        # The launcher on the disc is the product itself, the i686 build.
        extracted = self.home / "deb"
        subprocess.run(["dpkg-deb", "-x", str(self.deb), str(extracted)], check=True)
        expect((extracted / "usr/share/setup32-kit/Setup32.exe").read_bytes() ==
               (self.build / "win32/Setup32.exe").read_bytes(), "the package's Setup32.exe is not build/win32's")
        shutil.rmtree(extracted)
        print(f"{self.deb.name}: {self.deb.stat().st_size} bytes")
        print(re.search(r"^Depends:.*$", control, re.M).group(0))

    def lintian(self):
        expect(shutil.which("lintian"), "lintian is not installed (scripts/deps.sh installs it)")
        result = subprocess.run(["lintian", "--info", str(self.deb)], capture_output=True, text=True)
        print(result.stdout, end="")
        errors = [line for line in result.stdout.splitlines() if line.startswith("E:")]
        expect(not errors, "lintian's errors:\n" + "\n".join(errors))
        expect(result.returncode == 0, f"lintian: status {result.returncode}\n{result.stderr}")

    def install(self):
        expect(self.deb, "no package")
        if installed():  # from a run that could not remove it: the same version would not be put again
            subprocess.run(APT + ["purge", PACKAGE], capture_output=True, check=True)
        result = subprocess.run(APT + ["install", "--no-install-recommends", str(self.deb)],
                                env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), capture_output=True, text=True)
        expect(result.returncode == 0 and installed(), f"apt-get install: {result.stdout}{result.stderr}")
        expect(shutil.which("setup32-kit", path=self.env["PATH"]) == str(COMMAND), "setup32-kit is not on the PATH")
        version = self.run("--version").strip()
        expect(version == f"setup32-kit {self.deb.name.split('_')[1]}", version)
        page = subprocess.run(["man", "-w", "setup32-kit"], capture_output=True, text=True).stdout.strip()
        expect(page == "/usr/share/man/man1/setup32-kit.1.gz", f"man -w setup32-kit: {page}")
        text = subprocess.run(["man", "setup32-kit"], env=dict(self.env, MANPAGER="cat", MANWIDTH="80"),
                              capture_output=True, text=True).stdout
        expect("setup32-kit disc" in text and "--fit" in text, "man setup32-kit:\n" + text)

    # ---- the kit author's road

    def new_kit(self):
        self.run("new", "k")
        kit = self.folder / "k"
        ini = (kit / "setup.ini").read_bytes().decode("cp1252")
        expect("\r\n" in ini, "setup.ini has no Windows line ends")
        lines = ini.splitlines()
        section = None
        present = set()
        for number, line in enumerate(lines):
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line and not line.startswith(";"):
                key, value = line.split("=", 1)
                expect(section in KEYS and key in KEYS[section], f"setup.ini line {number + 1}: {line}")
                above = lines[number - 1]
                expect(above.startswith("; ") and len(above) > 10, f"no comment above {section}/{key}: {above!r}")
                present.add((section, key))
                if section == "Arquivos":  # a stand-in installer where the command names it
                    program = kit / value.split(" ")[0].replace("\\", "/")
                    expect(program.is_file() and program.read_bytes()[:2] == b"MZ", f"no program at {program}")
        expected = {(section, key) for section, keys in KEYS.items() for key in keys}
        expect(present == expected, f"keys missing: {sorted(expected - present)}")
        for picture in ("image1.bmp", "image2.bmp", "image3.bmp", "imgini.bmp", "imgie.bmp"):
            expect((kit / picture).stat().st_size > 1000, f"{picture} missing or empty")
        # A second new on the same folder refuses and leaves it as it is.
        before = listing(kit)
        output = self.run("new", "k", status=2)
        expect(listing(kit) == before, "new changed an existing kit")
        print(output, end="")
        self.kit_before = listing(kit)

    def check(self):
        output = self.run("check", "k")
        expect("kit sem problemas" in output, output)
        report = self.check_json("k")
        expect(not report["problems"], report["problems"])
        expect([n["code"] for n in report["notes"]] == ["slow-on-cd"], report["notes"])
        self.run("check", "missing-kit", status=2)
        shutil.copytree(self.folder / "k", self.folder / "broken")
        (self.folder / "broken/image2.bmp").unlink()
        self.run("check", "broken", status=1)

    def preview(self):
        output = self.run("preview", "k", "sheet")
        print("".join(line + "\n" for line in output.splitlines() if line.startswith(("Preview of", "Sheet:"))), end="")
        # The Wine path of the host: the product under 32-bit Wine where it runs.
        expect(f"({self.args.label}, display" in output, f"not the {self.args.label} path:\n{output}")
        sheet = self.folder / "sheet"
        pages = sorted(p.name for p in sheet.glob("page-*.png"))
        expect(len(pages) == 20, f"the sheet's pages: {pages}")
        text = (sheet / "index.html").read_text()
        expect("slow-on-cd" in text, "the sheet does not list kitcheck's note")
        self.run("preview", "k", "k/sheet", status=2)

    def fit(self):
        output = self.run("fit", "k", "fitted")
        print(output, end="")
        report = self.check_json("fitted")
        expect(report["status"] == 0 and not report["notes"], f"kitcheck on the fitted copy: {report['notes']}")
        # An already fitted kit is copied as it is.
        self.run("fit", "fitted", "fitted-again")
        expect(listing(self.folder / "fitted-again", times=False) == listing(self.folder / "fitted", times=False),
               "fit changed a kit already within the limits")
        self.run("fit", "k", "k/out", status=2)

    def disc(self):
        output = self.run("disc", "--fit", "k", "k.iso")
        print(output, end="")
        expect((self.folder / "k.iso").is_file(), "no image")
        expect("label K," in output, output)
        self.run("disc", "k", "k/k.iso", status=2)
        self.run("disc", "broken", "broken.iso", status=1)
        expect(not (self.folder / "broken.iso").exists(), "an image of a kit with problems")
        # A slideshow faster than any read from a 4x drive: fit can't bring
        # the pictures within the interval, and the disc stops unless forced.
        shutil.copytree(self.folder / "k", self.folder / "fast")
        ini = self.folder / "fast/setup.ini"
        ini.write_bytes(ini.read_bytes().replace(b"tempo=2500", b"tempo=100"))
        output = self.run("disc", "--fit", "fast", "fast.iso", status=1)
        expect(not (self.folder / "fast.iso").exists() and "--anyway" in output, output)
        self.run("disc", "--fit", "--anyway", "fast", "fast.iso")
        expect((self.folder / "fast.iso").is_file(), "--anyway wrote no image")
        expect(listing(self.folder / "k") == self.kit_before, "the kit folder changed")

    def disc_run(self):
        """The disc suite's run of the image: read back from the image into a
        read-only folder, Wine's drive D: of type cdrom, the launcher from
        autorun.inf, the slideshow changing, both pages and an installer."""
        drive = Drive(self.build, self.args.arch, self.home / "drive")
        image = self.folder / "k.iso"
        if self.args.arch == "x86_64":
            # 64-bit Wine runs the x86_64 build: the disc of the same fitted
            # kit with that launcher in its root, as the disc suite makes it.
            self.run("fit", "k", "k64")
            shutil.copy(self.build / "win64/Setup32.exe", self.folder / "k64/Setup32.exe")
            self.run("disc", "--label", "K", "k64", "k64.iso")
            image = self.folder / "k64.iso"
        disc = drive.read_back(image, "disc")
        if self.args.arch == "i686":
            expect((disc / "Setup32.exe").read_bytes() == (self.build / "win32/Setup32.exe").read_bytes(),
                   "the disc's launcher is not the product")
        report = self.check_json(str(disc))
        expect(report["status"] == 0 and not report["notes"], f"kitcheck on the disc: {report['notes']}")
        drive.wine_environment()  # the prefix first: the drive is made in it
        drive.mount(disc)
        drive.start_log("package")
        drive.disc_tests("Disc.TheDriveIsACdRom:Disc.AutorunStartsTheLauncherAndAnInstallerFromTheDisc")
        drive.shell("stop_prefix")

    def remove(self):
        result = subprocess.run(APT + ["purge", PACKAGE], env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"),
                                capture_output=True, text=True)
        expect(result.returncode == 0, f"apt-get purge: {result.stdout}{result.stderr}")
        expect(not installed() and not COMMAND.exists(), "the package is still installed")

    def cleanup(self):
        subprocess.run(["chmod", "-R", "u+w", str(self.home)], check=False)
        shutil.rmtree(self.home, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--label", required=True)
    parser.add_argument("--results", type=Path, required=True)
    args = parser.parse_args()
    args.build = args.build.resolve()
    if not os.environ.get("DISPLAY") or os.geteuid() != 0:
        print("package_test.py: needs root and a display (scripts/test.sh gives it a private Xvfb)", file=sys.stderr)
        return 2

    author = KitAuthor(args)
    cases = Cases(f"package ({args.label})", "Package")
    broken = False  # a case the next ones need failed: they are not run

    def case(name, check, needs_previous=True):
        nonlocal broken

        def guarded():
            if broken and needs_previous:
                raise Failure("not run: an earlier step failed")
            check()
        if not cases.run(name, guarded):
            broken = broken or needs_previous

    try:
        case("PackageScriptBuildsTheDeb", author.package)
        case("LintianReportsNoError", author.lintian, needs_previous=False)
        case("AptGetInstallsIt", author.install)
        case("NewMakesAStartingKit", author.new_kit)
        case("CheckIsKitcheck", author.check)
        case("PreviewMakesTheSheet", author.preview)
        case("FitMakesACopyThatAFourTimesDriveShowsInTime", author.fit)
        case("DiscWithFitWritesTheImage", author.disc)
        case("TheImageOnACdRomDrive", author.disc_run)
    finally:
        broken = False
        case("RemovedAtTheEnd", author.remove, needs_previous=False)
        author.cleanup()

    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
