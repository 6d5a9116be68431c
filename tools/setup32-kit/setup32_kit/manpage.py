"""The manual page, setup32-kit.1, made from the command line's own texts:
python3 -m setup32_kit.manpage > setup32-kit.1 (the package's build runs it)."""
import datetime
import os
import sys

from . import cli


def roff(text):
    """Text for roff: its backslashes, minus signs and lines that begin
    with a dot or a quote escaped."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\n".join("\\&" + line if line.startswith((".", "'")) else line for line in text.splitlines())


def paragraphs(text):
    return "\n.PP\n".join(roff(" ".join(p.split())) for p in text.split("\n\n"))


def options(parser):
    lines = []
    for action in parser._actions:
        if action.help is None or "-h" in action.option_strings:
            continue
        name = ", ".join(action.option_strings) or action.metavar
        if action.option_strings and action.metavar:
            name += " " + action.metavar
        lines += [".TP", f".B {roff(name)}", roff(action.help)]
    return lines


def page():
    parser = cli.parser()
    subparsers = next(a for a in parser._actions if a.dest == "command").choices
    when = datetime.datetime.fromtimestamp(int(os.environ.get("SOURCE_DATE_EPOCH", "0")) or
                                           datetime.datetime.now().timestamp(), datetime.timezone.utc)
    out = [f'.TH SETUP32\\-KIT 1 "{when:%Y-%m-%d}" "setup32\\-kit {roff(cli.version())}" '
           '"Ferramentas do kit do Setup32"',
           ".SH NOME", f"setup32\\-kit \\- {roff(cli.SUMMARY)}",
           ".SH SINOPSE"]
    for command in cli.COMMANDS:
        usage = subparsers[command.name].format_usage().split(command.name, 1)[1]
        out += [f".B setup32\\-kit {command.name}", roff(" ".join(usage.split())), ".br"]
    out += [".B setup32\\-kit help", "[COMANDO]", ".br", ".B setup32\\-kit \\-\\-version",
            ".SH DESCRIÇÃO", paragraphs(cli.DESCRIPTION), ".SH COMANDOS"]
    for command in cli.COMMANDS:
        sub = subparsers[command.name]
        usage = " ".join(sub.format_usage().split(command.name, 1)[1].split())
        out += [f'.SS "setup32\\-kit {command.name} {roff(usage)}"', paragraphs(command.description)]
        out += [".PP", "Argumentos e opções:"] + options(sub)
        out += [".PP", "Saída:"]
        for status, meaning in command.all_exits():
            out += [".TP", f".B {status}", roff(meaning)]
        if command.examples:
            out += [".PP", "Exemplo:", ".PP", ".nf"] + [roff(e) for e in command.examples] + [".fi"]
    for heading, items in (("ARQUIVOS", cli.FILES), ("AMBIENTE", cli.ENVIRONMENT)):
        out.append(f".SH {heading}")
        for term, text in items:
            out += [".TP", f".I {roff(term)}" if heading == "ARQUIVOS" else f".B {roff(term)}", roff(text)]
    out += [".SH EXEMPLO", ".nf"]
    out += [roff(line) for line in ("setup32-kit new meu-kit", "setup32-kit check meu-kit",
                                    "setup32-kit preview meu-kit previa", "setup32-kit disc --fit meu-kit meu-kit.iso")]
    out += [".fi", ".SH VEJA TAMBÉM", ".BR wine (1),", ".BR xorriso (1),", ".BR Xvfb (1)"]
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    sys.stdout.write(page())
