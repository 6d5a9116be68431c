#!/usr/bin/python3
"""setup32-kit on bad kits and on faults of the machine, from one table:
each row says what is done to a copy of the demo kit or to the machine, the
command, the exit status expected and a line the command must print. For
every row, whatever the status: no traceback or Python list, the kit folder
as it was, and nothing half-made (no output where a failed or interrupted
command was to write it, no temporary beside it, nothing in the temporary
folder). A command that fails says so in one line.

    faults_test.py --build BUILD --work DIR --results REPORT.xml [NAME...]

Rows that mount a small file system or run as an ordinary user need root.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path
from typing import Callable

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from cases import Cases, expect  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
NOBODY = 65534


# ---- what is done to the kit or the machine

def utf16(kit, work):
    ini = kit / "setup.ini"
    ini.write_bytes(ini.read_bytes().decode("cp1252").encode("utf-16"))


def utf8_bom(kit, work):
    ini = kit / "setup.ini"
    ini.write_bytes(b"\xef\xbb\xbf" + ini.read_bytes())


def no_setup_ini(kit, work):
    (kit / "setup.ini").unlink()


def huge_picture(kit, work):
    from PIL import Image
    Image.new("RGB", (8000, 8000), (10, 20, 30)).save(kit / "image3.bmp")


def link_outside(kit, work):
    (kit / "image2.bmp").unlink()
    (kit / "image2.bmp").symlink_to("/etc/passwd")


def link_loop(kit, work):
    (kit / "laco-a").symlink_to("laco-b")
    (kit / "laco-b").symlink_to("laco-a")


def link_inside(kit, work):
    (kit / "fotos").mkdir()
    (kit / "image2.bmp").rename(kit / "fotos/praia.bmp")
    (kit / "image2.bmp").symlink_to("fotos/praia.bmp")


def cp1252_name(kit, work):
    os.rename(kit / "discador/setup.exe", os.fsencode(kit / "discador") + b"/instala\xe7\xe3o.exe")
    ini = kit / "setup.ini"
    ini.write_bytes(ini.read_bytes().replace(b"discador\\setup.exe", "discador\\instalação.exe".encode("cp1252")))


def small_file_system(size):
    def mount(kit, work):
        (work / "small").mkdir()
        subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(work / "small")], check=True)
        (work / "small").chmod(0o777)
    return mount


def read_only_file_system(kit, work):
    (work / "small").mkdir()
    subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=1m", "tmpfs", str(work / "small")], check=True)


def read_only_folder(kit, work):
    (work / "out").mkdir(mode=0o555)
    (work / "out").chmod(0o555)


def read_only_parent(kit, work):
    (work / "ro").mkdir()
    (work / "ro").chmod(0o555)


def large_file(kit, work):
    """A 300 MB installer: the image and the copy take a while to write."""
    with open(kit / "ie5" / "ie5.cab", "wb") as file:
        file.truncate(300 * 1024 * 1024)
        file.seek(0)
        file.write(os.urandom(1024 * 1024))


def signal_when(name, signum):
    """Sends the signal to the command's process group (as a terminal's
    Ctrl-C does) once its temporary output beside work/NAME has bytes."""
    def during(process, work):
        deadline = time.monotonic() + 120
        while process.poll() is None and time.monotonic() < deadline:
            partial = [p for p in work.glob(f".{name}.*.parcial")]
            if partial and (partial[0].is_file() and partial[0].stat().st_size > 1 << 20 or
                            partial[0].is_dir() and any(partial[0].rglob("*.cab"))):
                os.killpg(process.pid, signum)
                return
            time.sleep(0.02)
    return during


# ---- the table

@dataclass(frozen=True)
class Fault:
    name: str
    done: Callable               # done(kit, work) before the command
    arguments: tuple             # setup32-kit's, with KIT and WORK/...
    status: int
    line: str
    during: Callable = None      # during(process, work) while it runs
    user: bool = False           # run as an ordinary user
    output: str = ""             # what must exist afterwards (else nothing new)


FAULTS = (
    Fault("Utf16SetupIniCheck", utf16, ("check", "KIT"), 1, "o Windows 95/98 lê o setup.ini como ANSI"),
    Fault("Utf16SetupIniFit", utf16, ("fit", "KIT", "WORK/out"), 2, "o Windows 95/98 lê o setup.ini como ANSI"),
    Fault("Utf16SetupIniDisc", utf16, ("disc", "KIT", "WORK/k.iso"), 1, "o Windows 95/98 lê o setup.ini como ANSI"),
    Fault("Utf8BomSetupIniDisc", utf8_bom, ("disc", "KIT", "WORK/k.iso"), 1, "lê o setup.ini como ANSI"),
    Fault("NoSetupIni", no_setup_ini, ("check", "KIT"), 1, "setup.ini não existe na pasta do kit"),
    Fault("PictureOver64Mb", huge_picture, ("check", "KIT"), 1, "não mostra imagem de mais de 64 MB"),
    Fault("LinkToPasswdAnyway", link_outside, ("disc", "--anyway", "KIT", "WORK/k.iso"), 0,
          "fora da pasta do kit: o disco não o leva", output="k.iso"),
    Fault("LoopingLinkDisc", link_loop, ("disc", "KIT", "WORK/k.iso"), 1, "é um link que volta a si mesmo"),
    Fault("LoopingLinkFit", link_loop, ("fit", "KIT", "WORK/out"), 2, "é um link que volta a si mesmo"),
    Fault("LinkInsideTheKit", link_inside, ("disc", "KIT", "WORK/k.iso"), 0, "[link-in-kit]", output="k.iso"),
    Fault("Cp1252FileName", cp1252_name, ("check", "KIT"), 1, "não está em UTF-8"),
    Fault("FullFileSystemFit", small_file_system("64k"), ("fit", "KIT", "WORK/small/out"), 2,
          "não há espaço livre: nada foi gravado"),
    Fault("FullFileSystemDisc", small_file_system("1m"), ("disc", "KIT", "WORK/small/k.iso"), 2,
          "não há espaço livre para a imagem"),
    Fault("ReadOnlyFileSystemDisc", read_only_file_system, ("disc", "KIT", "WORK/small/k.iso"), 2,
          "o sistema de arquivos é só de leitura"),
    Fault("ReadOnlyOutputFolderFit", read_only_folder, ("fit", "KIT", "WORK/out"), 2,
          "sem permissão de escrita: nada foi gravado", user=True),
    Fault("ReadOnlyParentNew", read_only_parent, ("new", "WORK/ro/kit"), 2,
          "sem permissão de escrita: nada foi gravado", user=True),
    Fault("CtrlCWhileDiscWrites", large_file, ("disc", "KIT", "WORK/k.iso"), 130,
          "interrompido (Ctrl-C): nada foi gravado", during=signal_when("k.iso", signal.SIGINT)),
    Fault("CtrlCWhileFitCopies", large_file, ("fit", "KIT", "WORK/out"), 130,
          "interrompido (Ctrl-C): nada foi gravado", during=signal_when("out", signal.SIGINT)),
    Fault("SigtermWhileFitCopies", large_file, ("fit", "KIT", "WORK/out"), 143,
          "encerrado pelo sinal SIGTERM: nada foi gravado", during=signal_when("out", signal.SIGTERM)),
)


def entries(folder):
    """Every entry below folder with its kind, size and time."""
    found = []
    for base, folders, files in os.walk(folder):
        for name in folders + files:
            stat = os.lstat(os.path.join(base, name))
            found.append((os.path.relpath(os.path.join(base, name), folder), stat.st_mode, stat.st_size,
                          stat.st_mtime_ns))
    return sorted(found)


class Runner:
    def __init__(self, args):
        self.args = args
        self.demo = args.work / "demo"
        subprocess.run([str(ROOT / "scripts/make-demo-kit.sh"), str(self.demo),
                        str(args.build / "win32/tests/e2e/stub/stub.exe")], check=True, capture_output=True)

    def run(self, fault):
        work = self.args.work / fault.name
        kit = work / "kit"
        temporary = work / "tmp"
        temporary.mkdir(parents=True)
        shutil.copytree(self.demo, kit, symlinks=True)
        fault.done(kit, work)
        for path in (work, temporary):  # the ordinary user writes there
            path.chmod(0o777)
        before_kit, before_work = entries(kit), set(os.listdir(work))
        arguments = [a.replace("KIT", str(kit)).replace("WORK", str(work)) for a in fault.arguments]
        env = dict(os.environ, SETUP32_BUILD=str(self.args.build), PYTHONPATH=str(ROOT / "tools/setup32-kit"),
                   TMPDIR=str(temporary), LANG="C.UTF-8")
        user = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"] if fault.user else []
        started = time.monotonic()
        process = subprocess.Popen([*user, "/usr/bin/python3", "-m", "setup32_kit", *arguments], env=env,
                                   cwd=work, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                   start_new_session=True)
        if fault.during:
            fault.during(process, work)
        stdout, stderr = process.communicate(timeout=900)
        try:
            print(f"{fault.name}: setup32-kit {' '.join(fault.arguments)}: status {process.returncode} "
                  f"({time.monotonic() - started:.1f} s)\n" + "".join(f"    {line}\n" for line in
                                                                    stderr.splitlines()[-3:]), end="")
            said = stdout + stderr
            expect(process.returncode == fault.status,
                   f"status {process.returncode}, expected {fault.status}\n{said[-3000:]}")
            expect(fault.line in said, f"no line with {fault.line!r}:\n{said[-3000:]}")
            expect("Traceback" not in said and "[('" not in said, f"a traceback or a Python list:\n{said[-3000:]}")
            if fault.status >= 2:
                expect(len(stderr.strip().splitlines()) == 1, f"more than one line:\n{stderr}")
            expect(entries(kit) == before_kit, "the kit folder changed")
            expect(not any(temporary.iterdir()), f"left in the temporary folder: {os.listdir(temporary)}")
            new = set(os.listdir(work)) - before_work - {fault.output}
            expect(not new, f"left beside the output: {sorted(new)}")
            for folder in (work / "small", work / "out", work / "ro"):
                if folder.is_dir():
                    expect(not os.listdir(folder), f"left in {folder.name}: {os.listdir(folder)}")
            if fault.name == "ReadOnlyOutputFolderFit":
                expect((work / "out").stat().st_mode & 0o777 == 0o555, "the output folder's mode changed")
            if fault.output:
                expect((work / fault.output).is_file(), f"no {fault.output}")
            if fault.name == "LinkToPasswdAnyway":
                listing = subprocess.run(["xorriso", "-indev", str(work / "k.iso"), "-find", "/"],
                                         capture_output=True, text=True).stdout
                expect("image2.bmp" not in listing, "the link's target went onto the disc")
        finally:
            if (work / "small").is_dir():
                subprocess.run(["umount", str(work / "small")], check=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--results", type=Path, required=True)
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    args.build, args.work = args.build.resolve(), args.work.resolve()
    if args.work.exists():
        shutil.rmtree(args.work)
    args.work.mkdir(parents=True)
    args.work.chmod(0o755)
    runner = Runner(args)
    cases = Cases("setup32-kit faults", "Fault")
    for fault in FAULTS:
        if args.names and fault.name not in args.names:
            continue
        if os.geteuid() != 0:
            print(f"{fault.name}: needs root (a small file system, an ordinary user): not run")
            continue
        cases.run(fault.name, lambda fault=fault: runner.run(fault))
    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
