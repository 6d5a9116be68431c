"""preview: every page the CD will show, on every Windows and browser, in
one sheet (OUTDIR/index.html with its pictures beside it).

preview.exe drives the real Setup32.exe under Wine and captures what Windows
draws; each entry of SCREENS is one run of it on a display of its own, at
the entry's size and dots per inch. The launcher runs on copies of the files
it opens from the kit's top folder (setup.ini and the pictures, as kitcheck
lists them), never on the kit, and nothing on the browser page is pressed:
no installer starts."""
import json
import os
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

from . import programs as installed
from .command import Command
from .failures import DONE, ERROR, PROBLEMS
from .kit import Kit, kit_folder, listing, outside
from .output import Scratch, Staged
from .sheet import GENERATOR, Sheet
from .wine import Display, held_prefix, wine_path


@dataclass(frozen=True)
class Screen:
    """One run of preview.exe: the display it runs on and its arguments,
    in which {exe} is the launcher, {kit} and {slideshow} the two copies of
    the kit and {out} the folder of the captures."""
    title: str
    width: int
    height: int
    dpi: int
    arguments: tuple


SCREENS = (
    Screen("a janela, a apresentação e a página do navegador em cada Windows e navegador", 1024, 768, 96,
           ("{exe}", "{kit}", "{slideshow}", "{out}")),
    Screen("a janela numa tela de 640 × 480", 640, 480, 96,
           ("--screen", "640x480", "{exe}", "{slideshow}", "{out}")),
    Screen("a janela numa tela de 800 × 600 a 120 dpi (fontes grandes)", 800, 600, 120,
           ("--screen", "800x600-120dpi", "{exe}", "{slideshow}", "{out}")),
    Screen("a página inicial e as do navegador no Windows XP, 7 e 10 a 144 dpi", 1280, 1024, 144,
           ("--later", "144dpi", "{exe}", "{slideshow}", "{out}")),
)
# The files of a sheet, which a later preview into the same folder replaces.
SHEET_FILES = ("index.html", "*.png")


def windows_path(path):
    """A Linux path as Wine's drive Z: shows it."""
    return "Z:" + str(path).replace("/", "\\")


def is_sheet(folder):
    """A folder holding only an earlier sheet: index.html that this command
    wrote, and its pictures."""
    index = folder / "index.html"
    try:
        if GENERATOR not in index.read_text(encoding="utf-8", errors="replace")[:2000]:
            return False
    except OSError:
        return False
    return all(entry.is_file() and any(entry.match(p) for p in SHEET_FILES) for entry in folder.iterdir())


def copy_opened(kit, folder):
    """The files the launcher opens in the kit's top folder, by the names
    kitcheck found for them: setup.ini and the pictures, not the programs."""
    folder.mkdir()
    for file in kit.files:
        if file["role"] != "program" and file.get("path") and "/" not in file["path"]:
            source = kit.path(file["path"])
            if source.is_file():
                shutil.copyfile(source, folder / file["path"])


def capture(prefix, preview_exe, screen, display, values, work):
    """One entry of SCREENS; True when every capture was made."""
    print(f"Capturando {screen.title} ({display.name})", flush=True)
    prefix.set_dpi(screen.dpi, display, work)
    started = time.monotonic()
    result = prefix.run([preview_exe, *(values.get(a, a) for a in screen.arguments)], display)
    prefix.stop()
    if result.returncode not in (0, 1):
        print(f"  o preview.exe terminou com o status {result.returncode}", file=sys.stderr)
    print(f"  {time.monotonic() - started:.1f} s", flush=True)
    return result.returncode == 0


def cell_lines(capture_json, where=""):
    for number, cell in enumerate(capture_json.get("cells", []), 1):
        shown = [o["caption"].rsplit(" ", 1)[-1] for o in cell.get("options", []) if o["visible"]]
        state = (cell.get("error") or ("sem captura" if not cell.get("page") else
                                       "opções " + ", ".join(shown) if shown else "nenhuma opção"))
        browser = "nenhum navegador" if cell["browser"] == "none" else f"IE {cell['browser']}"
        print(f"[{number:2}/{len(capture_json['cells'])}] {cell['windows_name']}{where}, {browser}: {state}")


def read_json(path, fallback):
    try:
        return json.loads(Path(path).read_text(encoding="ascii", errors="replace"))
    except (OSError, ValueError):
        return fallback


def run(args):
    started = time.monotonic()
    kit_path = kit_folder(args.kit)
    outside(kit_path, args.out)
    programs = installed.find()
    wine = wine_path()
    exe, preview_exe = (programs.need(p) for p in programs.windows[wine.arch])
    before = listing(kit_path)
    kit = Kit.read(programs, kit_path)
    text = text_report(programs, kit_path)
    status = DONE
    with Staged(args.out, folder=True, replaceable=is_sheet) as staged, Scratch("setup32-kit-preview.") as work:
        copy_opened(kit, work / "kit")
        copy_opened(kit, work / "slideshow")
        shots = work / "shots"
        shots.mkdir()
        values = {"{exe}": windows_path(exe), "{kit}": windows_path(work / "kit"),
                  "{slideshow}": windows_path(work / "slideshow"), "{out}": windows_path(shots)}
        with held_prefix(wine) as prefix:
            print(f"Prévia de {kit_path} ({wine.label}, prefixo {prefix.folder})", flush=True)
            for screen in SCREENS:
                with Display(screen.width, screen.height, screen.dpi) as display:
                    if not capture(prefix, preview_exe, screen, display, values, work):
                        status = PROBLEMS
        from PIL import Image
        for bitmap in sorted(shots.glob("*.bmp")):
            with Image.open(bitmap) as picture:
                picture.save(staged.path / (bitmap.stem + ".png"))
        capture_json = read_json(shots / "capture.json", {})
        cell_lines(capture_json)
        screens, later = ([s for s in (read_json(p, None) for p in sorted(shots.glob(f"{kind}-*.json"))) if s]
                          for kind in ("screen", "later"))
        for pcs in later:
            cell_lines(pcs, f" a {pcs.get('dpi')} dpi")
        warnings = Sheet(staged.path, capture_json, kit.report, text, str(args.kit), wine.label, screens,
                         later).write()
        for warning in warnings:
            print(f"aviso: {warning}", file=sys.stderr)
        if warnings or not capture_json:
            status = PROBLEMS
        if listing(kit_path) != before:
            print("setup32-kit preview: a pasta do kit mudou enquanto a folha era feita", file=sys.stderr)
            status = PROBLEMS
        staged.commit()
    print(f"Folha: {os.path.join(args.out, 'index.html')} ({time.monotonic() - started:.1f} s)")
    return status


def text_report(programs, kit_path):
    """kitcheck's report as it prints it, for the end of the sheet."""
    result = subprocess.run([str(programs.kitcheck), str(kit_path)], capture_output=True, check=False)
    return result.stdout.decode("utf-8", "replace")


def arguments(parser):
    parser.add_argument("kit", metavar="KIT", help="a pasta do kit (só é lida)")
    parser.add_argument("out", metavar="SAIDA", help="a pasta da folha: nova, vazia, ou a de uma prévia anterior")


COMMAND = Command(
    name="preview",
    summary="a folha de prévia: cada página em cada Windows e navegador",
    description="""\
Escreve SAIDA/index.html, a folha de prévia, com as imagens ao lado (sem
script, nada da rede). O Setup32.exe roda no Wine para o Windows 95, 98,
Me, NT 4.0 e 2000 e cada navegador instalado (nenhum, IE 3, 4, 5); cada
página do navegador é capturada como o Windows a desenha, com as opções que
mostra e o comando que o Avançar inicia com cada uma (a matriz do
kitcheck). A janela, a página inicial e cada imagem de fundo são
capturadas uma vez, e a janela de novo numa tela de 640 × 480 e numa de
800 × 600 a 120 dpi. Os problemas e as notas do kitcheck ficam no alto, o
relatório inteiro no fim. Nenhum instalador é iniciado; o Setup32 roda
sobre uma cópia do setup.ini e das imagens, e a pasta do kit só é lida.

Cada prévia tem a sua própria tela virtual (Xvfb) e o seu próprio prefixo
do Wine: ~/.cache/setup32-kit/wine64-1 (wine32-1 quando o Wine de 32 bits
roda nesta máquina), e wine64-2 para uma segunda prévia ao mesmo tempo. A
primeira prévia o cria (de 20 s a 3 minutos); ele ocupa cerca de 700 MB e
fica para as próximas. Para apagá-lo: rm -rf ~/.cache/setup32-kit

SAIDA é gravada com um nome temporário ao lado e só vira SAIDA no fim;
uma folha anterior em SAIDA é trocada pela nova.""",
    exits=((DONE, "folha gravada"),
           (PROBLEMS, "folha gravada, mas alguma captura falhou ou o kit mudou durante a prévia (a folha e as "
                      "mensagens dizem qual)"),
           (ERROR, "nada foi gravado: erro de uso, de leitura ou de escrita, ou falta o Wine ou o Xvfb")),
    arguments=arguments,
    run=run,
    examples=("setup32-kit preview meu-kit previa",),
)
