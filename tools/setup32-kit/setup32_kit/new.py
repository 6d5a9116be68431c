"""new: a starting kit, the demo kit with a comment above each setting."""
import shutil

from . import programs as installed
from .command import Command
from .failures import DONE, ERROR
from .output import Staged

# Every key the launcher reads, with the demo kit's value and the line of
# comment put above it.
SETTINGS = (
    ("Setup32", (
        ("nroimg", "3", "Quantas imagens de fundo a apresentação mostra: image1 .. imageN."),
        ("tipoimg", "bmp", "Extensão das imagens de fundo, 3 letras: bmp, jpg ou gif."),
        ("tipoImgTela", "bmp", "Extensão das imagens das páginas imgini e imgie, 3 letras: bmp, jpg ou gif."),
        ("tempo", "2500", "Intervalo da apresentação em milissegundos, até 65535 (0 a deixa parada)."),
    )),
    ("Arquivos", (
        ("ie3port", r"ie302\setup.exe", "Instalador do Internet Explorer 3 em português (cada comando: até 49 caracteres)."),
        ("ie4port", r"ie401\ie4setup.exe", "Instalador do Internet Explorer 4 em português."),
        ("ie5port", r"ie5\ie5setup.exe", "Instalador do Internet Explorer 5 em português; também o do Avançar sem escolha."),
        ("ie5port2", r"ie5\ie5setup.exe /Q", "Segundo comando do IE 5 em português: o Setup32 lê esta chave, mas não a usa."),
        ("ie3ingl", r"ie302en\setup.exe", "Instalador do IE 3 em inglês (o Setup32 sempre escolhe português: não é iniciado)."),
        ("ie4ingl", r"ie401en\ie4setup.exe", "Instalador do IE 4 em inglês (não é iniciado, como o ie3ingl)."),
        ("ie5ingl", r"ie5en\ie5setup.exe", "Instalador do IE 5 em inglês (não é iniciado, como o ie3ingl)."),
        ("ie5ingl2", r"ie5en\ie5setup.exe /Q", "Segundo comando do IE 5 em inglês: lido, mas não usado."),
        ("Discador", r"discador\setup.exe /demo", "Instalador do discador do provedor, a primeira opção da página inicial."),
    )),
    ("OKnoCD", (
        ("ie3port", "ok", "ok quando o IE 3 em português está no CD: a página do navegador pode oferecê-lo."),
        ("ie4port", "ok", "ok quando o IE 4 em português está no CD: a página do navegador pode oferecê-lo."),
        ("ie3ingl", "no", "ok quando o IE 3 em inglês está no CD."),
        ("ie4ingl", "no", "ok quando o IE 4 em inglês está no CD."),
    )),
)

HEADER = """\
; setup.ini do kit, lido pelo Setup32 ao iniciar. Cada chave que falta ou
; está vazia custa um bipe. Comentários só em linhas próprias, começando com
; ";": depois de um valor, ";" faz parte do valor."""

# The pictures: name, size in pixels, colours at the top and at the bottom.
PICTURES = (
    ("image1.bmp", (617, 564), (0x0b, 0x3d, 0x91), (0x5f, 0xa8, 0xff)),
    ("image2.bmp", (617, 564), (0x1b, 0x5e, 0x20), (0xa5, 0xd6, 0xa7)),
    ("image3.bmp", (617, 564), (0x7b, 0x1f, 0xa2), (0xf8, 0xbb, 0xd0)),
    ("imgini.bmp", (122, 230), (0xff, 0xd5, 0x4f), (0xff, 0x6f, 0x00)),
    ("imgie.bmp", (122, 230), (0x4d, 0xd0, 0xe1), (0x01, 0x57, 0x9b)),
)


def setup_ini():
    """setup.ini as Windows writes it: cp1252, CR LF."""
    lines = HEADER.splitlines()
    for section, keys in SETTINGS:
        lines += ["", f"[{section}]"]
        for key, value, comment in keys:
            lines += [f"; {comment}", f"{key}={value}"]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def gradient(size, top, bottom):
    """A 24-bit picture whose colour goes from top to bottom."""
    from PIL import Image
    ramp = Image.linear_gradient("L").resize(size)
    channels = [ramp.point([round(a + (b - a) * i / 255) for i in range(256)]) for a, b in zip(top, bottom)]
    return Image.merge("RGB", channels)


def programs_named():
    """The programs the commands of [Arquivos] start, as paths in the kit."""
    return sorted({value.split(" ")[0].replace("\\", "/") for _, value, _ in SETTINGS[1][1]})


def run(args):
    stub = installed.find()
    stub = stub.need(stub.stub)
    with Staged(args.folder, folder=True) as staged:
        kit = staged.path
        (kit / "setup.ini").write_bytes(setup_ini())
        for name, size, top, bottom in PICTURES:
            gradient(size, top, bottom).save(kit / name, "BMP")
        for program in programs_named():
            (kit / program).parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(stub, kit / program)
        files = sorted(str(p.relative_to(kit)) for p in kit.rglob("*") if p.is_file())
        staged.commit()
    print(f"Kit criado em {args.folder}: {len(files)} arquivos")
    for name in files:
        print("  " + name)
    print(f"Próximo passo: setup32-kit check {args.folder}")
    return DONE


def arguments(parser):
    parser.add_argument("folder", metavar="PASTA", help="onde criar o kit: uma pasta que não existe, ou vazia")


COMMAND = Command(
    name="new",
    summary="cria um kit inicial em PASTA (nova ou vazia)",
    description="""\
Cria em PASTA um kit inicial como o de demonstração: o setup.ini com todas
as chaves que o Setup32 lê e uma linha de comentário sobre cada uma (em
cp1252, com CR LF, como o Windows o lê), três imagens de fundo (image1.bmp
a image3.bmp), as duas imagens das páginas (imgini.bmp e imgie.bmp) e um
instalador de demonstração em cada lugar que o [Arquivos] indica (ele
mostra o comando com que foi iniciado). Troque as imagens e os
instaladores pelos do provedor e rode setup32-kit check PASTA.""",
    exits=((DONE, "kit criado"),
           (ERROR, "nada foi criado: PASTA existe e não está vazia, ou erro de escrita")),
    arguments=arguments,
    run=run,
    examples=("setup32-kit new meu-kit",),
)
