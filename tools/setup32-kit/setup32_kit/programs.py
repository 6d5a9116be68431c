"""The programs the commands run, where the package installs them or, for
the development scripts, where the build folder holds them (SETUP32_BUILD).

    /usr/lib/setup32-kit/kitcheck               the kit's one model, native
    /usr/share/setup32-kit/Setup32.exe          the launcher a disc gets (i686)
    /usr/share/setup32-kit/stub.exe             the stand-in installer of a new kit
    /usr/share/setup32-kit/win32/preview.exe    the captures under 32-bit Wine
    /usr/share/setup32-kit/win64/Setup32.exe    the launcher and the captures
    /usr/share/setup32-kit/win64/preview.exe    under 64-bit Wine
"""
import os
from dataclasses import dataclass
from pathlib import Path

from .failures import KitError

LIB = Path("/usr/lib/setup32-kit")
SHARE = Path("/usr/share/setup32-kit")


@dataclass(frozen=True)
class Programs:
    kitcheck: Path
    launcher: Path          # Setup32.exe for the disc: the i686 product
    stub: Path
    # For each Wine path ("i686", "x86_64"): the launcher it runs and preview.exe.
    windows: dict

    def need(self, path):
        if not path.is_file():
            raise KitError(f"{path} não existe: reinstale o pacote setup32-kit")
        return path


def find():
    build = os.environ.get("SETUP32_BUILD")
    if not build:
        return Programs(LIB / "kitcheck", SHARE / "Setup32.exe", SHARE / "stub.exe",
                        {"i686": (SHARE / "Setup32.exe", SHARE / "win32" / "preview.exe"),
                         "x86_64": (SHARE / "win64" / "Setup32.exe", SHARE / "win64" / "preview.exe")})
    build = Path(build)
    return Programs(build / "native/kitcheck/kitcheck", build / "win32/Setup32.exe",
                    build / "win32/tests/e2e/stub/stub.exe",
                    {"i686": (build / "win32/Setup32.exe", build / "win32/preview/preview.exe"),
                     "x86_64": (build / "win64/Setup32.exe", build / "win64/preview/preview.exe")})
