"""Kits the Python suites share beside the demo kit (scripts/make-demo-kit.sh)."""
import shutil

# The dialer of the accented kit, as setup.ini names it.
ACCENTED_DIALER = "discador\\ação é\\instalação do discador.exe"


def accented_kit(demo, target):
    """A copy of the demo kit with ç, ã, é and blanks in its names: the kit
    folder's own (target's), the dialer's folder and program (its command
    unquoted, as CreateProcess tries it at each blank in turn) and the page
    pictures' extension (tipoImgTela=bmé: imgini.bmé). setup.ini says them
    in cp1252, as Windows writes it; the files are named in UTF-8, as every
    Linux tool names them."""
    shutil.copytree(demo, target)
    dialer = target / ACCENTED_DIALER.replace("\\", "/")
    dialer.parent.mkdir()
    (target / "discador" / "setup.exe").rename(dialer)
    for page in ("imgini", "imgie"):
        (target / f"{page}.bmp").rename(target / f"{page}.bmé")
    ini = target / "setup.ini"
    text = ini.read_bytes().decode("cp1252")
    text = text.replace("Discador=discador\\setup.exe", "Discador=" + ACCENTED_DIALER)
    ini.write_bytes(text.replace("tipoImgTela=bmp", "tipoImgTela=bmé").encode("cp1252"))
    return target
