"""What ends a command early, and the exit statuses every command shares."""
import errno
import signal

DONE = 0
PROBLEMS = 1
ERROR = 2
# A command ended by a signal exits as a shell reports it: 128 + the signal.
INTERRUPTED = 128 + signal.SIGINT   # 130: Ctrl-C
TERMINATED = 128 + signal.SIGTERM   # 143: kill, shutdown

# The exit statuses every command's --help lists after its own.
COMMON_EXITS = (
    (ERROR, "erro de uso, de leitura ou de escrita: nada foi gravado"),
    (INTERRUPTED, "interrompido com Ctrl-C: nada foi gravado"),
    (TERMINATED, "encerrado por um sinal (SIGTERM, SIGHUP): nada foi gravado"),
)


class KitError(Exception):
    """Ends the command with one line for the user and an exit status."""

    def __init__(self, message, status=ERROR):
        super().__init__(message)
        self.status = status


class Interrupted(BaseException):
    """A signal asked the command to stop: what it was making is removed."""

    def __init__(self, signum):
        super().__init__(signum)
        self.signum = signum

    @property
    def status(self):
        return 128 + self.signum

    @property
    def message(self):
        if self.signum == signal.SIGINT:
            return "interrompido (Ctrl-C): nada foi gravado"
        return f"encerrado pelo sinal {signal.Signals(self.signum).name}: nada foi gravado"


def stop_on_signals():
    """Ctrl-C, SIGTERM and SIGHUP raise Interrupted, once: while what was
    begun is removed, further signals are ignored. A signal the command was
    started ignoring (nohup, a background job) stays ignored."""
    signals = [s for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP) if signal.getsignal(s) != signal.SIG_IGN]

    def handler(signum, _frame):
        for other in signals:
            signal.signal(other, signal.SIG_IGN)
        raise Interrupted(signum)
    for signum in signals:
        signal.signal(signum, handler)


# The system's reasons in Portuguese, whatever the user's locale.
REASONS = {
    errno.ENOSPC: "não há espaço livre",
    errno.EDQUOT: "a cota de disco acabou",
    errno.EACCES: "permissão negada",
    errno.EPERM: "operação não permitida",
    errno.EROFS: "o sistema de arquivos é só de leitura",
    errno.ENOENT: "não existe",
    errno.EEXIST: "já existe",
    errno.ENOTDIR: "não é uma pasta",
    errno.EISDIR: "é uma pasta",
    errno.ENOTEMPTY: "a pasta não está vazia",
    errno.ELOOP: "os vínculos formam um laço",
    errno.EIO: "erro de entrada e saída no dispositivo",
    errno.ENAMETOOLONG: "o nome é longo demais",
    errno.EMFILE: "arquivos abertos demais",
    errno.ENOMEM: "falta memória",
    errno.EFBIG: "o arquivo passa do tamanho que o sistema de arquivos aceita",
    errno.EXDEV: "as pastas ficam em sistemas de arquivos diferentes",
    errno.EILSEQ: "o nome não é UTF-8 válido",
}


def describe(error):
    """An OSError as one line: the file, then the reason."""
    reason = REASONS.get(error.errno) or (
        f"erro do sistema {errno.errorcode[error.errno]}" if error.errno in errno.errorcode else str(error))
    return f"{error.filename}: {reason}" if error.filename else reason
