"""Outputs whole or absent.

Every file or folder a command makes for the user is first made under a
hidden temporary name in the folder where it will stand, `.NAME.XXXXXX.parcial`,
and renamed to NAME only when complete. Whatever stops the command before
(an error, a full file system, Ctrl-C, SIGTERM) removes the temporary: the
target is then as it was, absent or as the user left it. Scratch folders,
which are no output (the fitted copy of disc --fit, the preview's captures),
are made by `Scratch` in the temporary folder and removed on every exit.
"""
import os
import shutil
import stat
import tempfile
from pathlib import Path

from .failures import KitError, describe

SUFFIX = ".parcial"


def remove(path):
    """Removes a file or a folder tree that this program made, read-only
    entries included."""
    path = Path(path)
    if path.is_symlink() or not path.is_dir():
        path.unlink(missing_ok=True)
        return

    def writable_and_retry(function, name, _info):
        parent = os.path.dirname(name)
        os.chmod(parent, os.stat(parent).st_mode | stat.S_IWUSR | stat.S_IXUSR)
        function(name)
    shutil.rmtree(path, onerror=writable_and_retry)


def fsync_tree(path):
    """Makes sure the bytes are on the disc before the rename: a file system
    that runs out of room late says so here, not after the output exists."""
    path = Path(path)
    paths = [path] if not path.is_dir() else [Path(d, f) for d, _, files in os.walk(path) for f in files]
    for file in paths:
        with open(file, "rb") as handle:
            os.fsync(handle.fileno())


class Staged:
    """An output made beside its target under a temporary name.

        with Staged(target, folder=True) as staged:
            ... write into staged.path ...
            staged.commit()

    The target may be absent or, for a folder, an empty folder that the user
    made (its permissions are kept). commit() renames the temporary to the
    target; leaving the block without it removes the temporary."""

    def __init__(self, target, folder, replaceable=None):
        self.target = Path(os.path.abspath(target))
        self.shown = str(target)  # as the user wrote it, for the messages
        self.folder = folder
        # Whether an existing target may be replaced: for a folder, a
        # function of it (the preview's earlier sheet; an empty folder always
        # may), for a file True (an earlier image).
        self.replaceable = replaceable
        self.path = None
        self.mode = None
        self.committed = False

    def check_target(self):
        target, shown = self.target, self.shown
        parent = os.path.dirname(shown.rstrip("/")) or "."
        if not target.parent.is_dir():
            raise KitError(f"{parent}: a pasta não existe")
        if os.statvfs(target.parent).f_flag & os.ST_RDONLY:
            raise KitError(f"{parent}: o sistema de arquivos é só de leitura: nada foi gravado")
        if not os.access(target.parent, os.W_OK | os.X_OK):
            raise KitError(f"{parent}: sem permissão de escrita: nada foi gravado")
        if not os.path.lexists(target):
            return
        if self.folder and target.is_dir() and not target.is_symlink():
            if not os.access(target, os.W_OK | os.X_OK):
                raise KitError(f"{shown}: sem permissão de escrita: nada foi gravado")
            if not any(target.iterdir()) or (self.replaceable and self.replaceable(target)):
                return
            raise KitError(f"{shown} já existe e não está vazia: escolha uma pasta nova ou vazia")
        if not self.folder and target.is_file() and not target.is_symlink() and self.replaceable:
            return
        raise KitError(f"{shown} já existe: escolha outro nome")

    def __enter__(self):
        self.check_target()
        prefix = f".{self.target.name}."
        if self.folder:
            self.path = Path(tempfile.mkdtemp(prefix=prefix, suffix=SUFFIX, dir=self.target.parent))
            # The user's empty folder: its permissions stay. Else those a new folder gets.
            self.mode = (stat.S_IMODE(self.target.stat().st_mode) if self.target.is_dir()
                         else 0o777 & ~current_umask())
        else:
            handle, name = tempfile.mkstemp(prefix=prefix, suffix=SUFFIX, dir=self.target.parent)
            os.close(handle)
            self.path = Path(name)
        return self

    def commit(self):
        fsync_tree(self.path)
        os.chmod(self.path, self.mode if self.folder else 0o666 & ~current_umask())
        if self.folder and self.target.is_dir() and any(self.target.iterdir()):
            # An earlier output of this command: moved aside, then removed.
            old = Path(tempfile.mkdtemp(prefix=f".{self.target.name}.", suffix=".antiga", dir=self.target.parent))
            os.replace(self.target, old)
            os.replace(self.path, self.target)
            remove(old)
        else:
            os.replace(self.path, self.target)
        self.committed = True

    def __exit__(self, _type, error, _traceback):
        if not self.committed and self.path is not None:
            remove(self.path)
            # A write that failed inside the temporary is told of the output.
            if isinstance(error, OSError) and (not error.filename or str(error.filename).startswith(str(self.path))):
                raise KitError(f"{self.shown}: {describe(error).split(': ')[-1]}: nada foi gravado") from None
        return False


class Scratch:
    """A scratch folder removed on every exit, in the given folder or the
    temporary one."""

    def __init__(self, prefix, near=None):
        self.prefix = prefix
        self.near = near
        self.path = None

    def __enter__(self):
        self.path = Path(tempfile.mkdtemp(prefix=self.prefix, suffix=SUFFIX, dir=self.near))
        return self.path

    def __exit__(self, *_exception):
        remove(self.path)
        return False


def current_umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask
