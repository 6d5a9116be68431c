"""setup32-kit: the kit author's tools as one command with subcommands."""
import argparse
import os
import sys

from . import check, disc, fit, new, portuguese, preview
from .failures import ERROR, Interrupted, KitError, describe, stop_on_signals

PROGRAM = "setup32-kit"
SUMMARY = "cria, verifica, mostra e grava em CD o kit do Setup32"
DESCRIPTION = """\
O Setup32.exe é o programa de instalação do CD do kit de acesso: lê o
setup.ini da pasta do kit, mostra uma apresentação de imagens e inicia o
instalador do discador ou do navegador escolhido. setup32-kit reúne as
ferramentas de quem monta esse kit, na ordem em que se usam: new, check,
preview, fit e disc. Todas leem o kit do mesmo modo, pelo kitcheck, que roda
o código do próprio Setup32 sobre os arquivos do kit.

Os nomes seguem um único mapa: o setup.ini fala em cp1252, como o Windows o
escreve; no Linux o mesmo nome é UTF-8; no disco, Joliet. Um vínculo
simbólico dentro do kit vale pelo arquivo que ele aponta; um que sai do kit
ou forma um laço é um problema, e nada de fora do kit vai para um disco.

A pasta do kit só é lida. O que um comando grava (o kit novo, a cópia
ajustada, a folha de prévia, a imagem do disco) é feito sob um nome
temporário ao lado do destino e só recebe o nome pedido quando está
completo: um erro, um disco cheio, Ctrl-C ou SIGTERM não deixam nada pela
metade."""

# The manual page's sections beyond the commands: (heading, [(term, text)]).
FILES = (
    ("~/.cache/setup32-kit/wine64-1, wine32-1",
     "O prefixo do Wine da prévia (wine32 quando o Wine de 32 bits roda na máquina), criado pela primeira prévia "
     "e usado pelas seguintes: cerca de 700 MB. Uma segunda prévia ao mesmo tempo cria e usa o wine64-2, e assim "
     "por diante; cada um é reservado por um arquivo .lock enquanto uma prévia o usa. Fora dele, só o cache "
     "de fontes do fontconfig (~/.cache/fontconfig, alguns KB) fica na pasta pessoal: nenhum menu, tipo de "
     "arquivo ou ícone do Wine. Para apagar os prefixos (a próxima prévia os recria): rm -rf ~/.cache/setup32-kit"),
    ("/usr/share/setup32-kit/Setup32.exe",
     "O Setup32 que vai no disco (i686, do Windows 95 em diante)."),
    ("/usr/share/setup32-kit/win32, win64",
     "O preview.exe que captura as páginas no Wine de 32 e de 64 bits, e o Setup32.exe feito para x86_64, "
     "que a prévia roda onde o Wine de 32 bits não roda."),
    ("/usr/lib/setup32-kit/kitcheck",
     "A leitura do kit que todos os comandos usam."),
)
ENVIRONMENT = (
    ("SETUP32_WINE64=1",
     "A prévia usa o Wine de 64 bits e a versão x86_64 do Setup32.exe, como acontece sozinho onde o Wine de "
     "32 bits (pacote wine32) não está instalado ou a máquina não executa código i386."),
    ("XDG_CACHE_HOME",
     "A pasta dos prefixos do Wine da prévia, em vez de ~/.cache."),
    ("TMPDIR",
     "Onde ficam as pastas de rascunho (as capturas da prévia, a cópia ajustada de disc --fit), apagadas no "
     "fim de cada comando, mesmo interrompido."),
)

COMMANDS = (new.COMMAND, check.COMMAND, preview.COMMAND, fit.COMMAND, disc.COMMAND)


def version():
    try:
        from importlib.metadata import PackageNotFoundError, version as installed
        try:
            return installed(PROGRAM)
        except PackageNotFoundError:
            pass
    except ImportError:
        pass
    # Run from the source tree: the launcher's version.
    header = os.path.join(os.path.dirname(__file__), "..", "..", "..", "resources", "version.h")
    with open(header, encoding="utf-8", errors="replace") as file:
        for line in file:
            if line.startswith("#define SETUP32_VERSION_STR"):
                return line.split('"')[1]
    return "?"


class Formatter(argparse.RawDescriptionHelpFormatter):
    def __init__(self, prog):
        super().__init__(prog, max_help_position=30, width=80)


def parser():
    """The whole command line; the manual page is made from it too."""
    portuguese.install()
    top = argparse.ArgumentParser(
        prog=PROGRAM, formatter_class=Formatter, description=f"{PROGRAM}: {SUMMARY}.\n\n{DESCRIPTION}",
        epilog="Cada comando tem a sua ajuda: setup32-kit COMANDO --help, ou man setup32-kit.")
    top.add_argument("--version", action="version", version=f"{PROGRAM} {version()}", help="mostra a versão e sai")
    commands = top.add_subparsers(title="comandos", dest="command", metavar="COMANDO")
    for command in COMMANDS:
        sub = commands.add_parser(command.name, help=command.summary, formatter_class=Formatter,
                                  description=command.description, epilog=command.epilog())
        command.arguments(sub)
        sub.set_defaults(run=command.run, command_name=command.name)
    helper = commands.add_parser("help", help="esta ajuda, ou a de um comando", formatter_class=Formatter,
                                 description="Mostra a ajuda geral, ou a de um comando (o mesmo que COMANDO --help).")
    helper.add_argument("topic", nargs="?", metavar="COMANDO", choices=[c.name for c in COMMANDS],
                        help="o comando")
    helper.set_defaults(run=None, command_name="help")
    return top


def main(argv=None):
    stop_on_signals()
    top = parser()
    args = top.parse_args(argv)
    if args.command is None:
        top.print_usage(sys.stderr)
        print(f"{PROGRAM}: falta o comando (veja {PROGRAM} help)", file=sys.stderr)
        return ERROR
    if args.command == "help":
        if args.topic:
            top.parse_args([args.topic, "--help"])
        top.print_help()
        return 0
    name = f"{PROGRAM} {args.command_name}"
    try:
        return args.run(args)
    except KitError as error:
        print(f"{name}: {error}", file=sys.stderr)
        return error.status
    except OSError as error:
        print(f"{name}: {describe(error)}: nada foi gravado", file=sys.stderr)
        return ERROR
    except Interrupted as interruption:
        print(f"{name}: {interruption.message}", file=sys.stderr)
        return interruption.status
