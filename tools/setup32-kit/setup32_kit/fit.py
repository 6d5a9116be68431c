"""fit: a copy of a kit whose pictures a slow CD drive shows in time.

Every tick of the slideshow reads a background picture from the disc and
decodes it on the window's thread, which meanwhile answers nothing. How
long each picture holds the window, and how long it may, is kitcheck's
reckoning (its drive and processor model); fit re-makes the pictures that
hold it too long and asks kitcheck again what each candidate costs.

The pictures of one kind share one extension in setup.ini: the backgrounds
image1..imageN take tipoimg, the page pictures imgini and imgie tipoImgTela.
For each kind that is not within its limits fit tries the formats the
launcher decodes itself on every Windows (an 8-bit bitmap with its own
colour table, a run-length 8-bit bitmap, a baseline JPEG at the lowest
quality that keeps the picture) and takes the one that holds the window
least among those whose every picture keeps 38 dB PSNR against its
original. The size in pixels stays; when the extension changes, the files
are renamed and that one value of the copy's setup.ini is rewritten, every
other byte kept."""
import math
import os
import shutil
import sys
from dataclasses import dataclass, field
from pathlib import Path

from . import programs as installed
from .command import Command
from .failures import DONE, ERROR, PROBLEMS, KitError
from .kit import Kit, cost_pictures, kit_folder, outside
from .output import Scratch, Staged

ROLES = {"background": ("fundos", "Setup32/tipoimg"), "page": ("páginas", "Setup32/tipoImgTela")}
FORMAT_NAMES = {"bmp24": "BMP 24 bits", "bmp8": "BMP 8 bits", "rle8": "BMP RLE8", "bmp-other": "BMP",
                "jpeg-baseline": "JPEG", "jpeg-baseline-2x2": "JPEG 2x2", "jpeg-progressive": "JPEG progressivo",
                "gif": "GIF"}
# The family of extensions a kind of file is written with, and that of an
# extension as the kit author spells it.
KIND_FAMILY = {"bmp24": "bmp", "bmp8": "bmp", "rle8": "bmp", "bmp-other": "bmp", "jpeg-baseline": "jpg",
               "jpeg-baseline-2x2": "jpg", "jpeg-progressive": "jpg", "gif": "gif"}
EXTENSION_FAMILY = {"bmp": "bmp", "dib": "bmp", "jpg": "jpg", "jpe": "jpg", "gif": "gif"}
# What fit makes, in the order tried, and the file each is written as.
MADE = (("bmp8", "bmp"), ("rle8", "bmp"), ("jpeg-baseline", "jpg"))
# kitcheck's problems with an entry that a copy can't hold as it is.
UNCOPIABLE = ("link-outside-kit", "link-loop", "link-broken", "special-file", "unreadable", "name-not-utf8")


@dataclass
class Encoding:
    """A picture file: the original (data None) or a re-made one."""
    kind: str
    cost: dict             # kitcheck's read_ms, decode_ms, hold_ms
    data: bytes = None
    psnr: float = math.inf
    quality: int = 0       # JPEG only

    @property
    def hold(self):
        return self.cost["hold_ms"]

    def describe(self):
        name = FORMAT_NAMES.get(self.kind, self.kind)
        return f"{name} q{self.quality}" if self.quality else name


@dataclass
class Picture:
    file: dict             # kitcheck's entry of the file
    image: object          # its pixels, RGB
    transparent: bool
    original: Encoding
    chosen: Encoding = None
    path_after: str = ""   # its path in the copy

    @property
    def path(self):
        return self.file["path"]

    @property
    def base(self):
        return Path(self.path).name.rsplit(".", 1)[0]

    @property
    def limit(self):
        return self.file["limit_ms"]


@dataclass
class Group:
    """The pictures that share one extension of setup.ini."""
    role: str
    title: str
    key: str
    extension: str             # as the launcher holds it
    span: tuple                # where setup.ini holds the value, or None
    pictures: list = field(default_factory=list)
    made: str = "as is"        # the kind chosen, or "as is"
    extension_after: str = ""
    note: str = ""
    tried: str = ""


def number(value, decimals=0):
    """A figure as Portuguese writes it: 1.044.582 and 43,9."""
    text = f"{value:,.{decimals}f}"
    return text.replace(",", "_").replace(".", ",").replace("_", ".")


def reading(kit):
    """The kit's pictures by kind; refuses a kit fit would copy wrongly."""
    for problem in kit.problems:
        if problem["code"] in ("setup-ini-missing", "setup-ini-bom"):
            raise KitError(f"{problem['message']} O fit não copia um kit cujo setup.ini o Setup32 não lê.")
    uncopiable = [p["message"] for p in kit.problems if p["code"] in UNCOPIABLE]
    if uncopiable or kit.left_off():
        names = uncopiable or [e["path"] for e in kit.left_off()]
        raise KitError("o fit copia o kit inteiro, e isto não se copia: " + " ".join(names))
    groups, missing = [], []
    state = kit.report["state"]
    for role, (title, key) in ROLES.items():
        row = kit.row(key)
        span = tuple(row["bytes"]) if row.get("bytes") else None
        extension = state["tipoImg" if role == "background" else "tipoImgTela"]
        group = Group(role, title, key, extension, span)
        for file in kit.pictures(role):
            if file["verdict"] in ("missing", "folder"):
                missing.append(file["name"])
                continue
            if file["verdict"] != "shown":
                problem = kit.problem_about(file["name"])
                why = problem["message"] if problem else f"{file['name']}: {file['verdict']}"
                raise KitError(f"{why} Conserte ou tire a imagem e rode o fit de novo.")
            from .encoders import pixels
            try:
                image, transparent = pixels(kit.path(file["path"]))
            except Exception as error:  # whatever Pillow says of a file the launcher shows
                raise KitError(f"{file['path']}: o Pillow não lê esta imagem ({error})") from None
            cost = file["picture"]["cost"]
            group.pictures.append(Picture(file, image, transparent, Encoding(file["picture"]["kind"], cost)))
        groups.append(group)
    return groups, missing


def candidates(programs, group, scratch):
    """Each way of re-making the group's pictures, by the kind made: one
    encoding a picture, costed by kitcheck."""
    from . import encoders
    made = {}
    for picture in group.pictures:
        (plain, plain_psnr), (runs, runs_psnr) = encoders.bitmaps(picture.image)
        data, value, quality = encoders.jpeg(picture.image)
        made[picture.path] = {"bmp8": (plain, plain_psnr, 0), "rle8": (runs, runs_psnr, 0),
                              "jpeg-baseline": (data, value, quality)}
    files = {}
    for index, picture in enumerate(group.pictures):
        for kind, extension in MADE:
            path = scratch / f"{group.role}-{index}-{kind}.{extension}"
            path.write_bytes(made[picture.path][kind][0])
            files[(picture.path, kind)] = path
    costs = cost_pictures(programs, sorted(files.values()))
    found = {"as is": [p.original for p in group.pictures]}
    for kind, _ in MADE:
        encodings = []
        for picture in group.pictures:
            data, value, quality = made[picture.path][kind]
            verdict = costs[files[(picture.path, kind)]]
            if verdict["verdict"] != "shown":
                raise KitError(f"o kitcheck recusa a imagem que o fit fez de {picture.path} "
                               f"({FORMAT_NAMES[kind]}: {verdict['verdict']})")
            new = Encoding(kind, verdict["picture"]["cost"], data, value, quality)
            # A picture already of the family keeps its own file when that
            # holds the window no longer.
            if KIND_FAMILY[picture.original.kind] == KIND_FAMILY[kind] and picture.original.hold <= new.hold:
                new = picture.original
            encodings.append(new)
        found[kind] = encodings
    return found


def worst(encodings):
    """How long a set of pictures holds the window: the longest, then the sum."""
    return max(e.hold for e in encodings), sum(e.hold for e in encodings)


def choose(programs, group, scratch):
    """Sets each picture's chosen encoding and what the group became."""
    for picture in group.pictures:
        picture.chosen = picture.original
    group.extension_after = group.extension
    if all(p.original.hold <= p.limit for p in group.pictures):
        return
    transparent = [p.path for p in group.pictures if p.transparent]
    if transparent:
        group.note = (f"{', '.join(transparent)}: GIF com pixels transparentes, que só o GIF mostra: "
                      "as imagens deste tipo ficam como estão")
        return
    found = candidates(programs, group, scratch)
    if group.span is None:
        # fit adds no line to setup.ini: only what keeps the extension.
        family = EXTENSION_FAMILY.get(group.extension.lower())
        found = {k: e for k, e in found.items() if k == "as is" or KIND_FAMILY[k] == family}
        group.note = (f"o setup.ini não tem a linha {group.key.split('/')[1]}= em [Setup32]: só foram "
                      f"tentados formatos gravados como .{group.extension}")
    keeping = {k: e for k, e in found.items() if all(x.psnr >= 38.0 for x in e)}
    group.made = min(keeping, key=lambda k: worst(keeping[k]))
    group.tried = ", ".join(
        f"{FORMAT_NAMES[k]} {number(worst(e)[0])} ms a {number(min(x.psnr for x in e), 1)} dB"
        for k, e in found.items() if k != "as is")
    for picture, encoding in zip(group.pictures, keeping[group.made]):
        picture.chosen = encoding
    if group.made != "as is" and KIND_FAMILY[group.made] != EXTENSION_FAMILY.get(group.extension.lower()):
        group.extension_after = KIND_FAMILY[group.made]


def write_copy(kit, groups, destination):
    """The kit into destination (an empty folder): every entry a disc would
    hold, the re-made pictures in place of theirs, setup.ini with the
    changed extensions."""
    replaced = {}
    for group in groups:
        renamed = group.extension_after != group.extension
        for picture in group.pictures:
            folder = os.path.dirname(picture.path)
            picture.path_after = (os.path.join(folder, f"{picture.base}.{group.extension_after}") if renamed
                                  else picture.path)
            if picture.chosen is not picture.original or renamed:
                replaced[picture.path] = picture
    ini = kit.report["setup_ini"]["path"]
    changes = sorted(((g.span, g.extension_after) for g in groups if g.extension_after != g.extension),
                     key=lambda change: -change[0][0])
    for entry in kit.entries:
        target = destination / entry["path"]
        if entry["type"] == "folder":
            target.mkdir(exist_ok=True)
        elif entry["path"] in replaced:
            picture = replaced[entry["path"]]
            data = picture.chosen.data
            if data is None:
                shutil.copy2(kit.path(entry["path"]), destination / picture.path_after)
            else:
                (destination / picture.path_after).write_bytes(data)
        elif entry["path"] == ini and changes:
            data = bytearray(kit.path(ini).read_bytes())
            for (start, end), extension in changes:  # from the end, so that earlier offsets hold
                data[start:end] = extension.encode("ascii")
            target.write_bytes(bytes(data))
        else:
            shutil.copy2(kit.path(entry["path"]), target)


def print_table(groups, missing, out):
    rows = [("imagem", "formato antes -> depois", "bytes antes", "depois", "leitura 4x antes", "depois",
             "decodificação antes", "depois", "PSNR")]
    for group in groups:
        for p in group.pictures:
            same = p.chosen is p.original
            rows.append((
                p.path if p.path_after == p.path else f"{p.path} -> {p.path_after}",
                p.original.describe() if same else f"{p.original.describe()} -> {p.chosen.describe()}",
                number(p.file["picture"]["bytes"]), number(len(p.chosen.data) if p.chosen.data else p.file["picture"]["bytes"]),
                f"{number(p.original.cost['read_ms'])} ms", f"{number(p.chosen.cost['read_ms'])} ms",
                f"{number(p.original.cost['decode_ms'])} ms", f"{number(p.chosen.cost['decode_ms'])} ms",
                "=" if math.isinf(p.chosen.psnr) else f"{number(p.chosen.psnr, 1)} dB"))
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for row in rows:
        cells = [cell.ljust(w) if i < 2 else cell.rjust(w) for i, (cell, w) in enumerate(zip(row, widths))]
        print("  ".join(cells).rstrip(), file=out)
    for name in missing:
        print(f"{name}: não está no kit (o Setup32 a pula)", file=out)
    for group in groups:
        what = "mantidas como estão" if group.made == "as is" else FORMAT_NAMES[group.made]
        change = (f"; setup.ini: {group.key.split('/')[1]}={group.extension_after} (era {group.extension})"
                  if group.extension_after != group.extension else "")
        if group.pictures:
            most = max(p.chosen.hold for p in group.pictures)
            limit = min(p.limit for p in group.pictures)
            print(f"{group.title}: {what}{change}; maior espera {number(most)} ms (limite {number(limit)} ms)",
                  file=out)
        if group.tried:
            print(f"{group.title}: tentados (maior espera, menor PSNR): {group.tried}", file=out)
        if group.note:
            print(f"{group.title}: {group.note}", file=out)


def fitted_copy(programs, kit, destination, quiet=False):
    """Writes the fitted copy of kit into destination, an empty folder;
    the exit status: DONE within the limits, PROBLEMS a picture still too slow."""
    groups, missing = reading(kit)
    with Scratch("setup32-kit-fit.") as scratch:
        for group in groups:
            choose(programs, group, scratch)
    write_copy(kit, groups, destination)
    if not quiet:
        print_table(groups, missing, sys.stdout)
    status = DONE
    for group in groups:
        for p in group.pictures:
            if p.chosen.hold > p.limit:
                status = PROBLEMS
                why = group.note or ("nenhum formato tentado mantém 38 dB de PSNR em menos tempo; a cópia tem o "
                                     f"mais rápido que mantém ({p.chosen.describe()})")
                print(f"setup32-kit fit: {p.path_after} ainda prende a janela {number(p.chosen.hold)} ms num "
                      f"CD-ROM 4x, mais que {number(p.limit)} ms: {why}", file=sys.stderr)
    return status, sum(1 for g in groups for p in g.pictures if p.chosen is not p.original)


def run(args):
    kit_path = kit_folder(args.kit)
    outside(kit_path, args.out)
    programs = installed.find()
    with Staged(args.out, folder=True) as staged:
        kit = Kit.read(programs, kit_path)
        status, changed = fitted_copy(programs, kit, staged.path, args.quiet)
        staged.commit()
    if not args.quiet:
        print(f"Gravado em {args.out}: " + (f"{changed} imagem(ns) refeita(s)" if changed
                                            else "o kit como está, nenhuma imagem refeita"))
    return status


def arguments(parser):
    parser.add_argument("--quiet", action="store_true", help="mostra só os avisos e os erros")
    parser.add_argument("kit", metavar="KIT", help="a pasta do kit (só é lida)")
    parser.add_argument("out", metavar="SAIDA", help="onde vai a cópia: uma pasta que não existe, ou vazia")


COMMAND = Command(
    name="fit",
    summary="uma cópia do kit cujas imagens um CD-ROM 4x mostra a tempo",
    description="""\
Escreve em SAIDA uma cópia do kit cujas imagens prendem a janela no máximo
1 s por troca num CD-ROM 4x (150 ms de acesso, 600 KB/s, e a decodificação
num Pentium de 100 MHz) e, as de fundo, no máximo o intervalo da
apresentação: a conta é a do kitcheck. Para cada tipo de imagem fora dos
limites (as de fundo dividem o tipoimg; as das páginas, o tipoImgTela), o
fit tenta um BMP de 8 bits com a sua própria paleta, um BMP RLE8 e um JPEG
na menor qualidade que mantém a imagem, e fica com o que menos prende a
janela entre os que mantêm 38 dB de PSNR em cada imagem. O tamanho em
pixels fica; quando a extensão muda, as imagens mudam de nome e só aquele
valor do setup.ini da cópia é reescrito. Um GIF com pixels transparentes
fica como está (só o GIF os mostra). Um kit dentro dos limites é copiado
como está.

Mostra uma tabela: cada imagem, o formato, os bytes, a leitura no 4x e a
decodificação antes e depois, e o PSNR. A cópia é gravada ao lado de SAIDA
com um nome temporário e só vira SAIDA quando está completa. O fit recusa
um kit sem setup.ini, com um setup.ini que o Windows 95/98 não lê como
ANSI, com uma imagem que o Setup32 não mostra ou com um vínculo que sai do
kit ou forma um laço.""",
    exits=((DONE, "cópia gravada, dentro dos limites"),
           (PROBLEMS, "cópia gravada, mas alguma imagem ainda prende a janela mais que o limite (nenhum formato "
                      "mantém 38 dB em menos tempo; uma linha diz qual)"),
           (ERROR, "nada foi gravado: erro de uso, de leitura ou de escrita, ou um kit que o fit não copia "
                   "(a mensagem diz por quê)")),
    arguments=arguments,
    run=run,
    examples=("setup32-kit fit meu-kit meu-kit-rapido",),
)
