#!/usr/bin/python3
"""The README's "Your first kit", taken as written: its `sh` blocks run in an
empty folder (they make the kit folder, the pictures and the stand-in
installers), each block tagged with a file name (```ini meukit/setup.ini)
becomes that file, and the kitcheck run of its `console` block must end as
the README shows it: exit status 0, no problem, and every line printed
there (lines "..." stand for lines left out) in the real output, in order.
Its table of what OKnoCD offers is checked against kitcheck's matrix, each
column on the same kit with those flags.

    first_kit_test.py --kitcheck build/native/kitcheck/kitcheck --results REPORT.xml [--readme README.md]
"""
import argparse
import json
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from cases import Cases, Failure, expect  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
TITLE = "## Your first kit"
VERSIONS = {"3.02": 3, "4.01": 4, "5": 5}


def section(readme):
    text = readme.read_text(encoding="utf-8")
    start = text.find("\n" + TITLE + "\n")
    expect(start >= 0, f"no section {TITLE!r} in {readme}")
    end = text.find("\n## ", start + 1)
    return text[start:end if end >= 0 else len(text)]


def blocks(text):
    """(language, file name or None, body) of each fenced block."""
    found = []
    for match in re.finditer(r"^```(\w+)(?: +(\S+))?\n(.*?)^```$", text, re.S | re.M):
        found.append((match.group(1), match.group(2), match.group(3)))
    return found


def table(text, header_start):
    """The rows of the Markdown table whose header starts so, as lists of cells."""
    lines = text.splitlines()
    for i, line in enumerate(lines):
        if line.startswith(header_start):
            rows = []
            for row in lines[i:]:
                if not row.startswith("|"):
                    break
                rows.append([cell.strip() for cell in row.strip().strip("|").split("|")])
            return rows[0], rows[2:]
    raise Failure(f"no table starting {header_start!r}")


class FirstKit:
    def __init__(self, args):
        self.args = args
        self.text = section(args.readme)
        self.work = Path(tempfile.mkdtemp(prefix="first-kit."))
        self.kit = None
        self.ini_name = None

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def kitcheck(self, *arguments):
        result = subprocess.run([str(self.args.kitcheck), *arguments], cwd=self.work, capture_output=True)
        return result.returncode, result.stdout.decode("utf-8")

    def build(self):
        """The section's blocks, in order: commands run, files written."""
        made = []
        for language, name, body in blocks(self.text):
            if language == "sh":
                result = subprocess.run(["bash", "-e", "-c", body], cwd=self.work, capture_output=True, text=True)
                expect(result.returncode == 0, f"the section's commands failed:\n{body}\n{result.stderr}")
                made.append("commands")
            elif name:
                path = self.work / name
                expect(path.parent.is_dir(), f"{name}: the commands made no folder {path.parent.name}")
                path.write_text(body, encoding="cp1252")
                made.append(name)
                if name.lower().endswith("setup.ini"):
                    self.kit, self.ini_name = path.parent, name
        expect(self.kit is not None, f"no setup.ini among the section's files: {made}")
        for name in ("image1.jpg", "image2.jpg", "imgini.bmp", "imgie.bmp"):
            expect((self.kit / name).is_file(), f"the commands made no {name}")

    def passes_kitcheck(self):
        self.build()
        runs = [body for language, _, body in blocks(self.text) if language == "console"]
        expect(len(runs) == 1, f"{len(runs)} console blocks")
        lines = runs[0].splitlines()
        expect(lines[0].startswith("$ build/native/kitcheck/kitcheck "), lines[0])
        arguments = lines[0].split()[2:]
        status, output = self.kitcheck(*arguments)
        print(output, end="")
        expect(status == 0, f"kitcheck ended with {status}")
        status, report = self.kitcheck("--json", *arguments)
        problems = json.loads(report)["problems"]
        expect(not problems, f"problems: {problems}")
        # Each line the README shows, in order; "..." inside a line or as a
        # line stands for what was left out.
        position = 0
        actual = output.splitlines()
        for shown in lines[1:]:
            if shown.strip() == "...":
                continue
            pattern = re.compile(".*?".join(re.escape(part) for part in shown.split("...")) + "$")
            for index in range(position, len(actual)):
                if pattern.match(actual[index]):
                    position = index + 1
                    break
            else:
                raise Failure(f"the README shows {shown!r}, which kitcheck does not print (in this order)")

    def offer_table(self):
        """Each column of the OKnoCD table: the same kit with those flags,
        and the options kitcheck's matrix shows for each installed browser."""
        if self.kit is None:
            self.build()
        header, rows = table(self.text, "| Installed browser |")
        expect(len(header) == 5 and len(rows) == 3, f"the table: {header}, {rows}")
        browsers = {"IE 3, or none found": ["3", "unknown"], "IE 4": ["4"], "IE 5 or later": ["5"]}
        ini_path = self.work / self.ini_name
        original = ini_path.read_text(encoding="cp1252")
        checked = 0
        for column, flags in enumerate(header[1:], start=1):
            values = dict(re.findall(r"`(ie[34]port)=(\w+)`", flags))
            expect(sorted(values) == ["ie3port", "ie4port"], f"column {flags!r}")
            ini = original
            for key, value in values.items():
                ini, count = re.subn(rf"(\[OKnoCD\][^\[]*?^){key}=\w*$", rf"\g<1>{key}={value}", ini, flags=re.M | re.S)
                expect(count == 1, f"no OKnoCD/{key} in the section's setup.ini")
            ini_path.write_text(ini, encoding="cp1252")
            _, report = self.kitcheck("--json", str(self.kit))
            matrix = {row["browser"]: row["options"] for row in json.loads(report)["matrix"]}
            for row in rows:
                expect(row[0] in browsers, f"row {row[0]!r}")
                cell = row[column]
                shown = [] if cell.startswith("—") else [VERSIONS[v.strip()] for v in cell.split(",")]
                for browser in browsers[row[0]]:
                    expect(matrix[browser] == shown,
                           f"{row[0]} with {flags}: the README says {shown}, kitcheck {matrix[browser]}")
                    checked += 1
        ini_path.write_text(original, encoding="cp1252")
        print(f"the OKnoCD table: {checked} cells agree with kitcheck's matrix")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--kitcheck", type=Path, required=True)
    parser.add_argument("--results", type=Path, required=True)
    parser.add_argument("--readme", type=Path, default=ROOT / "README.md")
    args = parser.parse_args()
    args.kitcheck = args.kitcheck.resolve()

    cases = Cases("README first kit", "FirstKit")
    kit = FirstKit(args)
    try:
        cases.run("TheSectionsKitPassesKitcheck", kit.passes_kitcheck)
        cases.run("TheOkNoCdTableIsKitchecksMatrix", kit.offer_table)
    finally:
        kit.close()
    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
