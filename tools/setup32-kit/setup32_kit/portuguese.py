"""argparse's own texts in Portuguese: the usage line, the headings of the
help and the messages of a usage error. argparse asks gettext for each
text through its module-level `_`; Python ships no Portuguese catalogue for
it, so the table below stands in for one."""
import argparse

TEXTS = {
    "usage: ": "Uso: ",
    "positional arguments": "argumentos",
    "options": "opções",
    "subcommands": "comandos",
    "show this help message and exit": "mostra esta ajuda e sai",
    "show program's version number and exit": "mostra a versão e sai",
    "argument %(argument_name)s: %(message)s": "argumento %(argument_name)s: %(message)s",
    "unknown parser %(parser_name)r (choices: %(choices)s)": "comando desconhecido: %(parser_name)r (os comandos: %(choices)s)",
    "unrecognized arguments: %s": "argumentos a mais: %s",
    "not allowed with argument %s": "não combina com %s",
    "ignored explicit argument %r": "valor não esperado: %r",
    "the following arguments are required: %s": "faltam os argumentos: %s",
    "one of the arguments %s is required": "falta um dos argumentos %s",
    "expected one argument": "precisa de um valor",
    "expected at most one argument": "aceita no máximo um valor",
    "expected at least one argument": "precisa de pelo menos um valor",
    "expected %s argument": "precisa de %s valor",
    "expected %s arguments": "precisa de %s valores",
    "ambiguous option: %(option)s could match %(matches)s": "opção ambígua: %(option)s pode ser %(matches)s",
    "invalid %(type)s value: %(value)r": "valor inválido: %(value)r",
    "invalid choice: %(value)r (choose from %(choices)s)": "escolha inválida: %(value)r (escolha entre %(choices)s)",
    "%(prog)s: error: %(message)s\n": "%(prog)s: %(message)s\n",
}


def text(message):
    return TEXTS.get(message, message)


def plural(singular, several, count):
    return text(singular if count == 1 else several)


def install():
    argparse._ = text
    argparse.ngettext = plural
