"""disc: the CD image of a kit, ISO 9660 with Joliet names.

The disc holds the kit's entries as kitcheck lists them for a disc (a link
inside the kit as the file it names; nothing outside the kit folder, ever)
and, in its root when the kit has none, the launcher and an autorun.inf that
starts it. xorriso writes it straight from the kit's files: Joliet names
from the kit's UTF-8 names, level-1 names beside them for a reader without
Joliet."""
import os
import re
import shutil
import subprocess
import sys
import time
import unicodedata
from pathlib import Path

from . import programs as installed
from .command import Command
from .failures import DONE, ERROR, PROBLEMS, KitError
from .fit import fitted_copy, number
from .kit import Kit, kit_folder, listing, outside
from .output import Scratch, Staged

AUTORUN = b"[autorun]\r\nopen=Setup32.exe\r\nicon=Setup32.exe,0\r\n"
SECTOR = 2048
DISCS = (("650 MB", 333000), ("700 MB", 360000))
LABEL = re.compile(r"[A-Z0-9_]{1,32}")


def default_label(kit_path):
    """The kit folder's name in capitals, accents dropped, A-Z 0-9 _ only, at
    most 16 characters."""
    name = "".join(c for c in unicodedata.normalize("NFKD", kit_path.name) if not unicodedata.combining(c))
    return re.sub(r"[^A-Z0-9_]", "_", name.upper())[:16] or "KIT"


def report(kit):
    """kitcheck's problems and notes, one a line; how many stop the image
    (the problems, and an autorun.inf that starts nothing)."""
    stop = 0
    for kind, items in (("problema", kit.problems), ("nota", kit.notes)):
        for item in items:
            where = " ".join(x for x in (item["key"], item["file"]) if x)
            print(f"  {kind} [{item['code']}] {where}: {item['message']}")
            stop += kind == "problema" or item["code"] == "autorun-open-missing"
    if not kit.problems and not kit.notes:
        print("  nenhum problema, nenhuma nota")
    return stop


def pathspec(target, source):
    """xorriso's target=source, its = and \\ escaped."""
    def escape(path):
        return str(path).replace("\\", "\\\\").replace("=", "\\=")
    return f"/{escape(target)}={escape(source)}"


def pathspecs(kit, launcher, scratch):
    """What the disc holds: kitcheck's entries that a disc holds, and the
    launcher and autorun.inf when the kit has none; the count of files."""
    empty = scratch / "pasta-vazia"
    empty.mkdir()
    inside = os.path.realpath(kit.folder) + "/"
    specs, files = [], 0
    for entry in kit.entries:
        if not entry["copy"]:
            continue
        if entry["type"] == "folder":
            specs.append(pathspec(entry["path"], empty))
            continue
        source = os.path.realpath(kit.path(entry["path"]))
        if not source.startswith(inside):  # a link changed since kitcheck read the kit
            raise KitError(f"{entry['path']} leva para fora da pasta do kit ({source}): nenhuma imagem gravada")
        specs.append(pathspec(entry["path"], source))
        files += 1
    disc = kit.report["disc"]
    if disc["launcher"] is None:
        specs.append(pathspec("Setup32.exe", launcher))
        files += 1
        print(f"Setup32.exe acrescentado: {launcher}")
    if disc["autorun"] is None:
        autorun = scratch / "autorun.inf"
        autorun.write_bytes(AUTORUN)
        specs.append(pathspec("autorun.inf", autorun))
        files += 1
        print("autorun.inf acrescentado: open=Setup32.exe, icon=Setup32.exe,0")
    else:
        print(f"autorun.inf do kit mantido: {disc['autorun']}")
    return specs, files


def xorriso(arguments):
    result = subprocess.run(["xorriso", "-as", "mkisofs", *arguments], capture_output=True, check=False)
    said = result.stderr.decode("utf-8", "replace")
    if result.returncode != 0:
        if "No space left" in said:
            raise OSError(28, "", arguments[arguments.index("-o") + 1] if "-o" in arguments else None)
        last = [line for line in said.splitlines() if line.strip()][-1:] or [""]
        raise KitError(f"o xorriso não gravou a imagem (status {result.returncode}; xorriso: {last[0].strip()})")
    return result.stdout.decode("ascii", "replace")


def write_image(specs, label, target):
    options = ["-iso-level", "1", "-J", "-input-charset", "utf-8", "-V", label]
    blocks = int(xorriso(["-print-size", *options, "-graft-points", *specs]).split()[-1])
    free = os.statvfs(target.parent)
    if blocks * SECTOR > free.f_bavail * free.f_frsize:
        raise KitError(f"{target.parent}: não há espaço livre para a imagem ({number(blocks * SECTOR / 1048576, 1)} MB; "
                       f"há {number(free.f_bavail * free.f_frsize / 1048576, 1)} MB livres): nada foi gravado")
    xorriso([*options, "-o", str(target), "-graft-points", *specs])


def yes(flag):
    return "sim" if flag else "não"


def run(args):
    started = time.monotonic()
    kit_path = kit_folder(args.kit)
    out = outside(kit_path, args.out)
    label = args.label or default_label(kit_path)
    if not LABEL.fullmatch(label):
        raise KitError("o rótulo deve ter de 1 a 32 caracteres de A-Z, 0-9 e _")
    programs = installed.find()
    launcher = Path(args.launcher) if args.launcher else programs.need(programs.launcher)
    if not launcher.is_file():
        raise KitError(f"{launcher}: não existe")
    if not shutil.which("xorriso"):
        raise KitError("o xorriso não está instalado (pacote xorriso)")
    before = listing(kit_path)
    with Staged(args.out, folder=False, replaceable=True) as staged, Scratch("setup32-kit-disc.") as scratch:
        source = kit_path
        if args.fit:
            kit = Kit.read(programs, kit_path)
            if kit.problems:
                print("kitcheck no kit:")
                report(kit)
                if not args.anyway:
                    print(f"setup32-kit disc: o kit tem {len(kit.problems)} problema(s): nenhuma imagem gravada "
                          "(--anyway grava assim mesmo)", file=sys.stderr)
                    return PROBLEMS
            source = scratch / "kit"
            source.mkdir()
            print("fit:")
            status, _ = fitted_copy(programs, kit, source)
            if status == PROBLEMS and not args.anyway:
                print("setup32-kit disc: o fit não trouxe todas as imagens para dentro dos limites: nenhuma "
                      "imagem gravada (--anyway grava assim mesmo)", file=sys.stderr)
                return PROBLEMS
        kit = Kit.read(programs, source)
        specs, files = pathspecs(kit, launcher, scratch)
        print("kitcheck na árvore do disco:")
        stop = report(kit)
        if stop:
            if not args.anyway:
                print(f"setup32-kit disc: o kitcheck achou {stop} problema(s): nenhuma imagem gravada "
                      "(--anyway grava assim mesmo)", file=sys.stderr)
                return PROBLEMS
            print(f"setup32-kit disc: o kitcheck achou {stop} problema(s); a imagem é gravada assim mesmo "
                  "(--anyway)", file=sys.stderr)
        write_image(specs, label, staged.path)
        if listing(kit_path) != before:
            raise KitError("a pasta do kit mudou enquanto a imagem era gravada: nenhuma imagem gravada")
        staged.commit()
    size = out.stat().st_size
    print(f"Gravado {args.out}: rótulo {label}, {files} arquivos, {size} bytes ({number(size / 1048576, 1)} MB)")
    print("; ".join(f"Cabe num disco de {name} ({sectors} setores): {yes(size <= sectors * SECTOR)}"
                    for name, sectors in DISCS))
    print(f"O disc levou {number(time.monotonic() - started, 1)} s")
    return DONE


def arguments(parser):
    parser.add_argument("--fit", action="store_true",
                        help="grava o disco de uma cópia ajustada (setup32-kit fit), feita numa pasta temporária")
    parser.add_argument("--label", metavar="RÓTULO",
                        help="o rótulo do volume (padrão: o nome da pasta do kit, em maiúsculas, sem acentos, "
                             "A-Z 0-9 _, até 16 caracteres)")
    parser.add_argument("--anyway", action="store_true", help="grava a imagem mesmo com problemas (e avisa)")
    parser.add_argument("--launcher", metavar="EXE",
                        help="o Setup32.exe que vai na raiz quando o kit não tem um (padrão: o do pacote)")
    parser.add_argument("kit", metavar="KIT", help="a pasta do kit (só é lida)")
    parser.add_argument("out", metavar="SAIDA.iso", help="a imagem; uma anterior com o mesmo nome é trocada")


COMMAND = Command(
    name="disc",
    summary="a imagem do CD (ISO 9660 com nomes Joliet)",
    description="""\
Grava a imagem do CD: ISO 9660 com nomes Joliet, que guardam os nomes do
kit como são (o Windows 95 e o NT 4 os leem), e ao lado os nomes 8.3 em
maiúsculas que um leitor sem Joliet vê. Na raiz vão o Setup32.exe e um
autorun.inf (open=Setup32.exe, icon=Setup32.exe,0) quando o kit não os
tem; um autorun.inf do kit é mantido. O kitcheck roda antes: um problema,
ou um open= do autorun.inf que não inicia nada, impede a imagem (--anyway
grava assim mesmo). Um vínculo dentro do kit entra como o arquivo que ele
aponta; nada de fora da pasta do kit vai para o disco, nem com --anyway.

A imagem é gravada ao lado de SAIDA.iso com um nome temporário e só recebe
o nome pedido quando está completa; antes, o disc confere se há espaço
livre para ela.""",
    exits=((DONE, "imagem gravada"),
           (PROBLEMS, "problemas no kit (ou imagens que o fit não trouxe para dentro dos limites): nenhuma imagem"),
           (ERROR, "nenhuma imagem: erro de uso, de leitura ou de escrita, ou falta de espaço")),
    arguments=arguments,
    run=run,
    examples=("setup32-kit disc meu-kit meu-kit.iso", "setup32-kit disc --fit meu-kit meu-kit.iso"),
)
