"""What each command module describes of itself: its --help, its section
of the manual page and the function that runs it come from here alone."""
import textwrap
from dataclasses import dataclass
from typing import Callable

from .failures import COMMON_EXITS


@dataclass(frozen=True)
class Command:
    name: str
    summary: str                   # one line in the list of commands
    description: str               # paragraphs, each on lines of its own
    exits: tuple                   # (status, meaning) of this command, before the common ones
    arguments: Callable            # adds the command's arguments to its parser
    run: Callable                  # run(args) -> exit status
    examples: tuple = ()

    def all_exits(self):
        """The command's exit statuses, then the common ones it does not say
        otherwise."""
        own = {status for status, _ in self.exits}
        return tuple(self.exits) + tuple(e for e in COMMON_EXITS if e[0] not in own)

    def epilog(self):
        lines = ["Saída:"]
        for status, meaning in self.all_exits():
            lines += textwrap.wrap(meaning, 80, initial_indent=f"  {status:>3}  ", subsequent_indent=" " * 7)
        if self.examples:
            lines += ["", "Exemplos:"] + [f"  {example}" for example in self.examples]
        return "\n".join(lines)
