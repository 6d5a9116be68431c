"""The kit as kitcheck reads it: the one model of what the launcher does
with a kit folder. Every command takes the kit's meaning from here (its
settings and where they stand in setup.ini, the files the launcher opens
and what it makes of them, the drive and processor model, the disc's
entries and names, the problems and notes) and reads no setup.ini and sniffs
no picture of its own.

Paths in the JSON are the file system's names (UTF-8, with undecodable
bytes as os.fsdecode holds them), relative to the kit folder, with "/";
names as the launcher asks for them are cp1252 texts with "\\"."""
import json
import os
import subprocess
from pathlib import Path

from .failures import KitError

# What stops fit from copying a kit: the launcher could not read setup.ini
# as the kit author means it.
SETUP_INI_PROBLEMS = ("setup-ini-missing", "setup-ini-bom")
PICTURE_ROLES = ("background", "page")


def run_kitcheck(kitcheck, arguments):
    result = subprocess.run([str(kitcheck), "--json", *map(str, arguments)], capture_output=True, check=False)
    try:
        report = json.loads(result.stdout.decode("ascii"))
    except (UnicodeDecodeError, ValueError):
        detail = result.stderr.decode("utf-8", "replace").strip().splitlines()
        raise KitError("o kitcheck não deu um relatório" + (f": {detail[-1]}" if detail else "")) from None
    if result.returncode not in (0, 1):
        raise KitError(report.get("error") or f"o kitcheck terminou com o status {result.returncode}")
    return report


class Kit:
    def __init__(self, folder, report):
        self.folder = Path(folder)
        self.report = report

    @classmethod
    def read(cls, programs, folder):
        return cls(folder, run_kitcheck(programs.need(programs.kitcheck), [folder]))

    @property
    def status(self):
        return self.report["status"]

    @property
    def problems(self):
        return self.report["problems"]

    @property
    def notes(self):
        return self.report["notes"]

    @property
    def model(self):
        return self.report["model"]

    @property
    def files(self):
        return self.report["files"]

    @property
    def entries(self):
        return self.report["disc"]["entries"]

    def row(self, key):
        return next(row for row in self.report["rows"] if row["key"].lower() == key.lower())

    def pictures(self, role):
        return [f for f in self.files if f["role"] == role]

    def problem_about(self, name=None, codes=()):
        """kitcheck's message on a file (as the launcher names it) or of a code."""
        for problem in self.problems:
            if (name is None or problem["file"] == name) and (not codes or problem["code"] in codes):
                return problem
        return None

    def path(self, relative):
        return self.folder / relative

    def left_off(self):
        """The entries a copy of the kit can't hold as they are (links that
        leave the kit or loop, special files, names that are not UTF-8)."""
        return [e for e in self.entries if not e["copy"]]


def cost_pictures(programs, files):
    """kitcheck's verdict and cost of picture files outside any kit, by path."""
    report = run_kitcheck(programs.need(programs.kitcheck), ["--picture", *files])
    return {Path(p["file"]): p for p in report["pictures"]}


def outside(kit, out):
    """The output path, which must lie outside the kit folder."""
    kit_real, out_real = os.path.realpath(kit), os.path.realpath(out)
    if out_real == kit_real or out_real.startswith(kit_real.rstrip("/") + "/"):
        raise KitError(f"{out} fica dentro da pasta do kit: escolha um lugar fora dela (o kit só é lido)")
    return Path(os.path.abspath(out))


def kit_folder(argument):
    if not os.path.isdir(argument):
        raise KitError(f"{argument}: não é uma pasta")
    return Path(os.path.abspath(argument))


def listing(folder):
    """Every entry of the kit folder with its kind, size and time: what a
    change to the kit would show."""
    entries = []
    for base, folders, files in os.walk(folder):
        for name in sorted(folders + files):
            stat = os.lstat(os.path.join(base, name))
            entries.append((os.path.join(base, name), stat.st_mode, stat.st_size, stat.st_mtime_ns))
    return sorted(entries)
