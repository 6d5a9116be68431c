#!/usr/bin/python3
"""The kit author's package on a fresh Debian 12: scripts/package.sh builds
it from debian/ (dpkg-buildpackage) with lintian clean on the .deb and the
source; debootstrap makes a minbase bookworm (cached in the build folder,
its apt sources the host's), the package is installed there with its
Depends alone (--no-install-recommends), and an ordinary user, with /proc
and /dev of the host, runs new -> check -> preview -> fit -> disc --fit from
the manual's example, the disc is read back into a Wine CD-ROM drive of the
host and its launcher started from autorun.inf; then the package is purged
and nothing of it is left outside that user's home: no file, no process.

    package_test.py --build BUILD --arch x86_64 --label "x86_64, wine64" --results REPORT.xml

Needs root (debootstrap, chroot, mount), the Debian mirror and a display for
the disc run (scripts/test.sh gives it a private Xvfb).
"""
import argparse
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
USER = "autora"
HOME = Path("/home") / USER
SOURCES = Path("/etc/apt/sources.list.d/debian.sources")
# What apt, dpkg and the system keep changing on their own: left out of the
# comparison of the system before and after.
CHANGING = ("proc", "dev", "sys", "run", "home", "var/cache", "var/lib/apt", "var/lib/dpkg", "var/log",
            "var/lib/systemd", "etc/ld.so.cache")
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def sh(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def mirror():
    """The host's Debian mirror (the first URIs of its apt sources)."""
    found = re.search(r"^URIs:\s*(\S+)", SOURCES.read_text(), re.M)
    return found.group(1) if found else "http://deb.debian.org/debian"


class FreshSystem:
    """A minbase bookworm: made once into BUILD/package-chroot/base, then a
    copy of it for each run, with /proc, /dev and /dev/shm of the host and
    apt's downloads kept in BUILD/package-chroot/archives."""

    def __init__(self, build):
        self.cache = build / "package-chroot"
        self.base = self.cache / "base"
        self.archives = self.cache / "archives"
        self.root = None
        self.mounts = []

    def make_base(self):
        if (self.base / "etc/debian_version").is_file():
            print(f"debootstrap: {self.base} made before")
            return
        self.cache.mkdir(parents=True, exist_ok=True)
        temporary = Path(tempfile.mkdtemp(prefix="base.", dir=self.cache))
        started = time.monotonic()
        result = sh(["debootstrap", "--variant=minbase", "bookworm", str(temporary), mirror()])
        if result.returncode != 0:
            shutil.rmtree(temporary, ignore_errors=True)
            raise Failure(f"debootstrap: {result.stdout[-2000:]}{result.stderr[-2000:]}")
        os.replace(temporary, self.base)
        print(f"debootstrap --variant=minbase bookworm: {time.monotonic() - started:.0f} s")

    def start(self):
        self.root = Path(tempfile.mkdtemp(prefix="root.", dir=self.cache))
        subprocess.run(["cp", "-a", f"{self.base}/.", str(self.root)], check=True)
        self.root.chmod(0o755)
        (self.root / "etc/apt/sources.list.d").mkdir(parents=True, exist_ok=True)
        shutil.copyfile(SOURCES, self.root / "etc/apt/sources.list.d/debian.sources")
        (self.root / "etc/apt/sources.list").unlink(missing_ok=True)
        shutil.copyfile("/etc/resolv.conf", self.root / "etc/resolv.conf")
        self.archives.mkdir(parents=True, exist_ok=True)
        # /tmp and the X sockets' folder as a booted system has them.
        os.chmod(self.root / "tmp", 0o1777)
        (self.root / "tmp/.X11-unix").mkdir(mode=0o1777, exist_ok=True)
        os.chmod(self.root / "tmp/.X11-unix", 0o1777)
        for source, target, options in (("/proc", "proc", ["--bind"]), ("/dev", "dev", ["--bind"]),
                                         ("tmpfs", "dev/shm", ["-t", "tmpfs"]),
                                         (str(self.archives), "var/cache/apt/archives", ["--bind"])):
            subprocess.run(["mount", *options, source, str(self.root / target)], check=True)
            self.mounts.append(self.root / target)

    def run(self, command, user=False, timeout=1800):
        """A command in the fresh system: as root, or as the user from the
        home folder with a user's environment."""
        if user:
            env = ["env", "-i", f"HOME={HOME}", f"USER={USER}", "LOGNAME=" + USER, "PATH=/usr/bin:/bin",
                   "LANG=C.UTF-8", "SHELL=/bin/sh"]
            return sh(["chroot", f"--userspec={USER}:{USER}", str(self.root), *env, "sh", "-c",
                       f"cd {HOME} && {command}"], timeout=timeout)
        return sh(["chroot", str(self.root), "sh", "-c", command], timeout=timeout,
                  env=dict(os.environ, DEBIAN_FRONTEND="noninteractive", LANG="C.UTF-8"))

    def files(self):
        """Every path of the system but those apt and dpkg keep changing."""
        found = set()
        for base, folders, names in os.walk(self.root):
            relative = os.path.relpath(base, self.root)
            folders[:] = [f for f in folders if os.path.normpath(os.path.join(relative, f)) not in CHANGING]
            found.update(os.path.normpath(os.path.join(relative, n)) for n in folders + names
                         if os.path.normpath(os.path.join(relative, n)) not in CHANGING)
        return found

    def processes(self):
        """The processes whose root is this system."""
        pids = []
        for entry in Path("/proc").iterdir():
            try:
                if entry.name.isdigit() and os.readlink(entry / "root") == str(self.root):
                    pids.append((int(entry.name), (entry / "comm").read_text().strip()))
            except OSError:
                continue
        return pids

    def stop(self):
        for pid, _ in self.processes():
            try:
                os.kill(pid, 9)
            except OSError:
                pass
        for mount in reversed(self.mounts):
            subprocess.run(["umount", "-l", str(mount)], check=False)
        self.mounts = []
        if self.root is not None:
            shutil.rmtree(self.root, ignore_errors=True)


class KitAuthor:
    def __init__(self, args):
        self.args = args
        self.build = args.build
        self.system = FreshSystem(args.build)
        self.deb = None
        self.before = None
        self.package_files = []
        self.times = {}

    def timed(self, name, function):
        started = time.monotonic()
        try:
            return function()
        finally:
            self.times[name] = time.monotonic() - started

    def user(self, command, status=0, timeout=1800):
        started = time.monotonic()
        result = self.system.run(command, user=True, timeout=timeout)
        self.times[command] = time.monotonic() - started
        print(f"$ {command}  ({self.times[command]:.1f} s, status {result.returncode})", flush=True)
        expect(result.returncode == status, f"{command}: status {result.returncode}, expected {status}\n"
               f"{result.stdout[-3000:]}{result.stderr[-3000:]}")
        return result.stdout + result.stderr

    # ---- the cases

    def package(self):
        result = sh([str(ROOT / "scripts/package.sh")], env=dict(os.environ, SETUP32_BUILD=str(self.build)))
        print(result.stdout + result.stderr, end="")
        expect(result.returncode == 0, f"package.sh: status {result.returncode}")
        debs = sorted((self.build / "package").glob("setup32-kit_*_amd64.deb"))
        expect(len(debs) == 1, f"the packages: {debs}")
        self.deb = debs[0]
        files = sh(["dpkg-deb", "-c", str(self.deb)]).stdout
        for path in ("./usr/bin/setup32-kit", "./usr/share/man/man1/setup32-kit.1.gz",
                     "./usr/lib/setup32-kit/kitcheck", "./usr/share/setup32-kit/Setup32.exe",
                     "./usr/share/setup32-kit/win64/preview.exe", "./usr/share/doc/setup32-kit/copyright"):
            expect(f" {path}\n" in files, f"{path} not in the package")
        expect(re.search(r"/usr/lib/python3/dist-packages/setup32_kit/cli\.py\n", files), "no Python package")
        # One program: no shell script, no folder of links.
        expect(not re.search(r"\.sh\n| -> ", files), "a script or a link in the package:\n" + files)
        control = sh(["dpkg-deb", "-f", str(self.deb)]).stdout
        for needed in ("python3", "python3-pil", "wine64", "fonts-wine", "xvfb", "xorriso"):
            expect(re.search(rf"^Depends:.*\b{re.escape(needed)}\b", control, re.M), f"{needed} not in\n{control}")

    def lintian(self):
        expect(self.deb, "no package")
        source = self.deb.parent / self.deb.name.replace("_amd64.deb", ".dsc")
        result = sh(["lintian", "-I", "--pedantic", str(self.deb), str(source)])
        print(result.stdout or "lintian: nothing to say", end="\n" if not result.stdout else "")
        bad = [line for line in result.stdout.splitlines() if line.startswith(("E:", "W:"))]
        expect(not bad, "lintian:\n" + "\n".join(bad))

    def fresh_system(self):
        self.timed("debootstrap (or its cache)", self.system.make_base)
        self.system.start()
        result = self.timed("apt-get update", lambda: self.system.run("apt-get -q update"))
        expect(result.returncode == 0, f"apt-get update: {result.stdout}{result.stderr}")
        result = self.system.run(f"useradd --create-home --shell /bin/sh {USER}")
        expect(result.returncode == 0, f"useradd: {result.stderr}")

    def install(self):
        expect(self.deb, "no package")
        shutil.copyfile(self.deb, self.system.root / "tmp" / self.deb.name)
        result = self.timed("apt-get install", lambda: self.system.run(
            " ".join(APT + ["install", "--no-install-recommends", f"/tmp/{self.deb.name}"])))
        expect(result.returncode == 0, f"apt-get install: {result.stdout[-3000:]}{result.stderr[-3000:]}")
        (self.system.root / "tmp" / self.deb.name).unlink()
        installed = re.search(r"(\d+) newly installed", result.stdout)
        print(f"apt-get install: {installed.group(0) if installed else result.stdout[-300:]}")
        listed = self.system.run(f"dpkg -L {PACKAGE}").stdout.splitlines()
        self.package_files = [p for p in listed if not (self.system.root / p.lstrip("/")).is_dir()]
        self.before = self.system.files()
        version = self.user("setup32-kit --version").strip()
        expect(version == f"setup32-kit {self.deb.name.split('_')[1]}", version)
        expect(any(p.endswith("setup32-kit.1.gz") for p in self.package_files), "no manual page installed")

    def road(self):
        """The manual's example, from the user's home."""
        output = self.user("setup32-kit new meu-kit")
        expect("Kit criado em meu-kit" in output, output)
        output = self.user("setup32-kit check meu-kit")
        expect("slow-on-cd" in output, output)
        output = self.user("setup32-kit preview meu-kit previa")
        expect("Folha: previa/index.html" in output and "(x86_64, wine64, prefixo " in output, output)
        pages = self.system.run(f"ls {HOME}/previa").stdout.split()
        expect(len([p for p in pages if p.startswith("page-")]) == 32, f"the sheet's pictures: {pages}")
        expect(len([p for p in pages if p.startswith("later-144dpi-page-")]) == 12, f"the sheet's pictures: {pages}")
        output = self.user("setup32-kit fit meu-kit meu-kit-rapido")
        expect("Gravado em meu-kit-rapido" in output, output)
        output = self.user("setup32-kit check --json meu-kit-rapido")
        expect('"notes": []' in output.replace("\n", "").replace("  ", ""), output[-2000:])
        output = self.user("setup32-kit disc --fit meu-kit meu-kit.iso")
        expect("rótulo MEU_KIT," in output, output)
        output = self.user("setup32-kit disc meu-kit meu-kit/dentro.iso", status=2)
        expect("dentro da pasta do kit" in output, output)
        # Wine's prefix in the cache, as the manual says, and nothing of
        # Wine's in the menus or the file types of the user's home.
        size = self.system.run(f"du -sm {HOME}/.cache/setup32-kit").stdout.split()
        print(f"~/.cache/setup32-kit after the first preview: {size[0] if size else '?'} MB")
        print("the home's hidden folders: " + ", ".join(self.system.run(
            f"cd {HOME} && du -sk .[!.]*/* 2>/dev/null").stdout.replace("\t", " KB ").splitlines()))
        left = self.system.run(f"cd {HOME} && find .local .config -path '*wine*' 2>/dev/null").stdout.split()
        expect(not left, f"Wine's menus and file types in the home: {left}")

    def disc_run(self):
        """The image on the host's Wine CD-ROM drive: the launcher from
        autorun.inf, the slideshow from the disc, both pages, an installer."""
        home = self.system.root / HOME.relative_to("/")
        image = home / "meu-kit.iso"
        if self.args.arch == "x86_64":
            # 64-bit Wine runs the x86_64 build: the disc of the same kit with
            # that launcher in its root and that stand-in installer.
            self.user("cp -r meu-kit-rapido k64")
            for program in (home / "k64").rglob("*.exe"):
                shutil.copyfile(self.build / "win64/tests/e2e/stub/stub.exe", program)
            shutil.copyfile(self.build / "win64/Setup32.exe", home / "k64/Setup32.exe")
            self.user("setup32-kit disc --label MEU_KIT k64 k64.iso")
            image = home / "k64.iso"
        drive = Drive(self.build, self.args.arch, self.build / f"package-test-{self.args.arch}")
        disc = drive.read_back(image, "disc")
        drive.wine_environment()
        drive.mount(disc)
        drive.start_log("package")
        drive.disc_tests("Disc.TheDriveIsACdRom:Disc.AutorunStartsTheLauncherAndAnInstallerFromTheDisc")
        drive.shell("stop_prefix")

    def purge(self):
        expect(self.before is not None, "not installed")
        result = self.system.run(" ".join(APT + ["purge", PACKAGE]))
        expect(result.returncode == 0, f"apt-get purge: {result.stdout}{result.stderr}")
        left = [p for p in self.package_files if os.path.lexists(self.system.root / p.lstrip("/"))]
        expect(not left, f"the package's files after the purge: {left}")
        new = sorted(self.system.files() - self.before)
        expect(not new, "left outside the home: " + ", ".join(new[:40]))
        processes = self.system.processes()
        expect(not processes, f"processes left: {processes}")
        print(f"after the purge: the package's {len(self.package_files)} files gone, nothing new outside {HOME}, "
              "no process left")


class Drive(disc_test.Discs):
    """The disc suite's CD-ROM drive and disc_tests.exe, with a work folder
    of this suite's own."""

    def __init__(self, build, arch, work):
        self.args = argparse.Namespace(build=build, arch=arch)
        self.build = build
        self.tests = build / (disc_test.WINDOWS_BUILD[arch] + "-tests")
        self.work = work
        if work.exists():
            subprocess.run(["chmod", "-R", "u+w", str(work)], check=False)
            shutil.rmtree(work)
        self.times = {}
        self.signals = work / "signals"
        self.signals.mkdir(parents=True)
        self.env = None


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

    started = time.monotonic()
    try:
        case("PackageBuildsWithDpkgBuildpackage", lambda: author.timed("package.sh", author.package))
        case("LintianHasNoErrorOrWarning", author.lintian, needs_previous=False)
        case("FreshDebianMinbase", author.fresh_system)
        case("InstallsWithItsDependsAlone", author.install)
        case("NewCheckPreviewFitDiscAsAUser", author.road)
        case("TheImageOnACdRomDrive", author.disc_run)
        case("PurgeLeavesNothingOutsideTheHome", author.purge)
    finally:
        author.system.stop()
    for what, seconds in author.times.items():
        print(f"time: {what}: {seconds:.1f} s")
    print(f"time: the package suite: {time.monotonic() - started:.0f} s")
    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
