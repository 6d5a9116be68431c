"""Wine and X for the preview: which Wine runs the launcher on this
machine, a Wine prefix of the user's cache that one preview at a time holds,
and private X displays.

The prefixes live in ~/.cache/setup32-kit (XDG_CACHE_HOME): wine64-1 for
the first preview that runs, wine64-2 for a second one at the same time,
and so on (wine32-N on the 32-bit path). A preview holds its prefix with a
lock (wine64-1.lock) for the whole run; the first run on a prefix makes it,
under a temporary name renamed when whole."""
import fcntl
import os
import select
import shutil
import subprocess
import tempfile
import time
from contextlib import contextmanager
from dataclasses import dataclass
from pathlib import Path

from .failures import KitError
from .output import SUFFIX, remove

# No Mono or Gecko installer, and no menu entries, MIME types or icons of
# Wine's in the user's home.
DLL_OVERRIDES = "mscoree,mshtml=d;winemenubuilder.exe=d"
WINE_FONTS = Path("/usr/share/wine/fonts")
MAX_PREFIXES = 8


@dataclass(frozen=True)
class WinePath:
    arch: str         # the build of the Windows programs it runs
    loader: str
    server: str
    winearch: str
    name: str         # the prefixes' name in the cache
    label: str
    package: str      # the Debian package that holds it


WINE32 = WinePath("i686", "/usr/lib/wine/wine", "/usr/lib/wine/wineserver32", "win32", "wine32", "i686, wine",
                  "wine32")
WINE64 = WinePath("x86_64", "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver64", "win64", "wine64",
                  "x86_64, wine64", "wine64")


def runs_wine32():
    """Whether 32-bit Wine is installed and runs here: some machines'
    kernels refuse every i386 program, and under an i386 emulator
    (qemu-user through binfmt_misc) 32-bit Wine does not work."""
    if not os.access(WINE32.loader, os.X_OK):
        return False
    for entry in ("/proc/sys/fs/binfmt_misc/qemu-i386", "/proc/sys/fs/binfmt_misc/qemu-i486"):
        try:
            if Path(entry).read_text().splitlines()[0] == "enabled":
                return False
        except (OSError, IndexError):
            pass
    try:
        return subprocess.run([WINE32.loader, "--version"], capture_output=True, timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def wine_path():
    """The product under 32-bit Wine where it runs, else the x86_64 build
    under 64-bit Wine; SETUP32_WINE64=1 (or SETUP32_WINE_ARCH) chooses."""
    chosen = os.environ.get("SETUP32_WINE_ARCH") or ("x86_64" if os.environ.get("SETUP32_WINE64") == "1" else "")
    wine = {"i686": WINE32, "x86_64": WINE64}.get(chosen) or (WINE32 if runs_wine32() else WINE64)
    if not os.access(wine.loader, os.X_OK):
        raise KitError(f"o Wine não está instalado ({wine.loader}; pacote {wine.package})")
    return wine


class Display:
    """A private X display of the given size and dots per inch: Xvfb on the
    first free number, which it tells through -displayfd."""

    def __init__(self, width, height, dpi, depth=24):
        self.arguments = ["-screen", "0", f"{width}x{height}x{depth}", "-dpi", str(dpi), "-nolisten", "tcp"]
        self.process = None
        self.name = None

    def __enter__(self):
        if not shutil.which("Xvfb"):
            raise KitError("o Xvfb não está instalado (pacote xvfb)")
        read, write = os.pipe()
        try:
            self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write), *self.arguments], pass_fds=(write,),
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            os.close(write)
            write = None
            number = b""
            deadline = time.monotonic() + 30
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read], [], [], max(0.0, deadline - time.monotonic()))
                chunk = os.read(read, 16) if ready else b""
                if not chunk:
                    raise KitError("o Xvfb não abriu uma tela")
                number += chunk
        finally:
            os.close(read)
            if write is not None:
                os.close(write)
        self.name = ":" + number.decode().strip()
        return self

    def __exit__(self, *_exception):
        if self.process is not None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        return False


def cache_folder():
    return Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "setup32-kit"


class Prefix:
    """A Wine prefix of the cache, held by this run alone."""

    def __init__(self, wine, folder):
        self.wine = wine
        self.folder = folder

    def environment(self, display=None, folder=None):
        folder = folder or self.folder
        # Wine keeps its server's socket folder in the temporary folder and
        # leaves it there: in the prefix's own, nothing of it stays in /tmp.
        (folder / "tmp").mkdir(exist_ok=True)
        env = {k: v for k, v in os.environ.items() if not k.startswith("WINE")}
        env.update(WINEPREFIX=str(folder), WINEARCH=self.wine.winearch, WINELOADER=self.wine.loader,
                   WINESERVER=self.wine.server, WINEDEBUG="-all", WINEDLLOVERRIDES=DLL_OVERRIDES,
                   TMPDIR=str(folder / "tmp"))
        if display is not None:
            env["DISPLAY"] = display.name
        return env

    def run(self, arguments, display, capture=True, folder=None, timeout=900):
        return subprocess.run([self.wine.loader, *map(str, arguments)], env=self.environment(display, folder),
                              stdin=subprocess.DEVNULL, capture_output=capture, timeout=timeout, check=False)

    def stop(self, folder=None):
        """Ends the prefix's Wine server and every program of the prefix."""
        env = self.environment(folder=folder)
        subprocess.run([self.wine.server, "-k"], env=env, capture_output=True, check=False)
        subprocess.run([self.wine.server, "-w"], env=env, capture_output=True, check=False)

    def make(self):
        """wineboot into a temporary name beside the prefix, renamed when whole:
        windows unmanaged (no window manager on the displays), Wine's own
        fonts in its Fonts folder (Debian's Wine 8 finds them nowhere else)."""
        print(f"Criando o prefixo do Wine em {self.folder} (só na primeira prévia: de 20 s a 3 min)", flush=True)
        temporary = Path(tempfile.mkdtemp(prefix=f".{self.folder.name}.", suffix=SUFFIX, dir=self.folder.parent))
        try:
            with Display(640, 480, 96) as display:
                steps = (["wineboot", "-i"],
                         ["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"])
                for step in steps:
                    if self.run(step, display, folder=temporary).returncode != 0:
                        raise KitError(f"o Wine não criou o prefixo em {self.folder} ({' '.join(step)})")
                self.stop(temporary)
            fonts = temporary / "drive_c/windows/Fonts"
            if WINE_FONTS.is_dir():
                fonts.mkdir(parents=True, exist_ok=True)
                for font in WINE_FONTS.iterdir():
                    if not (fonts / font.name).exists():
                        shutil.copyfile(font, fonts / font.name)
            os.replace(temporary, self.folder)
        except BaseException:
            self.stop(temporary)
            remove(temporary)
            raise

    def set_dpi(self, dpi, display, scratch):
        """The screen's dots per inch as Windows' display settings hold them:
        under the user's desktop settings and the hardware profile's fonts.
        Programs started after the Wine server restarts read them."""
        reg = scratch / f"dpi-{dpi}.reg"
        value = f'"LogPixels"=dword:{dpi:08x}'
        reg.write_text("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n" + value + "\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]"
                       "\r\n" + value + "\r\n", encoding="ascii")
        self.stop()
        self.run(["regedit", "/S", "Z:" + str(reg).replace("/", "\\")], display)
        self.stop()


@contextmanager
def held_prefix(wine):
    """The first prefix of the cache that no other preview holds, made if
    new; the lock is held until the block ends, and the Wine server ended."""
    cache = cache_folder()
    cache.mkdir(parents=True, exist_ok=True)
    for number in range(1, MAX_PREFIXES + 1):
        lock = open(cache / f"{wine.name}-{number}.lock", "a+b")
        try:
            fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            lock.close()
            continue
        prefix = Prefix(wine, cache / f"{wine.name}-{number}")
        try:
            if not (prefix.folder / "system.reg").is_file():
                remove(prefix.folder)
                prefix.make()
            yield prefix
        finally:
            prefix.stop()
            lock.close()
        return
    raise KitError(f"já há {MAX_PREFIXES} prévias rodando ao mesmo tempo: espere uma terminar")
