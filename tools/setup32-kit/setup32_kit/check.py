"""check: kitcheck's report of the kit."""
import subprocess

from . import programs as installed
from .command import Command
from .failures import DONE, ERROR, PROBLEMS


def run(args):
    programs = installed.find()
    command = [str(programs.need(programs.kitcheck))] + (["--json"] if args.json else []) + [args.kit]
    return subprocess.run(command, check=False).returncode


def arguments(parser):
    parser.add_argument("--json", action="store_true", help="o mesmo relatório em JSON")
    parser.add_argument("kit", metavar="KIT", help="a pasta do kit (só é lida)")


COMMAND = Command(
    name="check",
    summary="o que o Setup32 encontraria no kit sem avisar (kitcheck)",
    description="""\
Roda o kitcheck: o código do próprio Setup32 sobre os arquivos do kit.
Lista os problemas que o Setup32 encontraria sem avisar: bipes, valores
cortados em 49 caracteres, imagens ausentes, quebradas ou grandes demais,
instaladores ausentes, um setup.ini que falta ou que não está em ANSI
(o Windows 95/98 lê o setup.ini como ANSI), nomes que não passam do Linux
ao disco e ao Setup32 (cp1252, UTF-8, Joliet), vínculos que saem do kit ou
formam um laço. Depois, as notas: um vínculo dentro do kit, uma
apresentação lenta num CD-ROM (slow-on-cd), nomes que só um disco Joliet
guarda (name-needs-joliet), um autorun.inf que não inicia nada
(autorun-open-missing) e instaladores que nenhum caminho inicia
(never-started). Por fim, para cada navegador instalado, as opções da
página do navegador e o comando que o Avançar inicia.

Com --json, o mesmo relatório em JSON: a leitura do kit que os outros
comandos usam.""",
    exits=((DONE, "kit sem problemas (com ou sem notas)"),
           (PROBLEMS, "problemas encontrados"),
           (ERROR, "erro de uso, KIT não é uma pasta, ou o setup.ini não pode ser lido")),
    arguments=arguments,
    run=run,
    examples=("setup32-kit check meu-kit", "setup32-kit check --json meu-kit"),
)
