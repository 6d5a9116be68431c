#!/usr/bin/python3
"""scripts/preview.sh (setup32-kit preview) end to end: the sheets of the
demo kit and of a broken copy of it (image2.bmp and ie401\\ie4setup.exe
removed), made at the same time, each on a display and in a Wine prefix of
its own, and of the kit with accented names; each checked for every
combination of Windows and browser, pictures that are real captures of the
launcher, commands equal to kitcheck's matrix, a kit folder left as it was,
and a page that opens in headless Chromium without an error and fits a
1280-pixel-wide window; the frame captured on a 640 x 480 screen and on an
800 x 600 one at 120 dpi, the later PCs' pages again at 144 dpi, and
kitcheck's notes for the CD listed. A preview
ended by SIGTERM leaves no sheet, no scratch folder, no Xvfb and no Wine.
Writes a JUnit report.

    preview_test.py --build BUILD --arch i686 --label "i686, wine" \\
        --stub STUB.EXE --kitcheck NATIVE_KITCHECK --results REPORT.xml [--kits demo,broken]
"""
import argparse
import hashlib
import html.parser
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from cases import Cases, expect  # noqa: E402
from kits import accented_kit  # noqa: E402
import chromium_check  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
WINDOWS = ["win95", "win98", "winme", "nt40", "win2k", "winxp", "win7", "win10"]
LATER = ["winxp", "win7", "win10"]  # again at 144 dpi
BROWSERS = ["none", "3", "4", "5"]
MATRIX_ROW = {"none": "unknown", "3": "3", "4": "4", "5": "5"}
CONTROL = {3: "OpIE3", 4: "OpIE4", 5: "OpIE5"}
# Client areas at 96 dpi: the pages' 6555 x 4500 twips, the frame's 9255 x 8460.
PAGE_CLIENT = (437, 300)
PAGE_CLIENT_144 = (656, 450)
FRAME_CLIENT = (617, 564)


# ---- the sheet as a reader's program sees it

class SheetParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.cells = {}       # (windows, browser) -> cell
        self.later = {}       # the same at 144 dpi
        self.problems = []    # codes at the top
        self.notes = []       # codes of kitcheck's notes for the CD
        self.screens = {}     # name -> {"fits", "img", "caption"}
        self.section = None
        self.figure = None
        self.slides = []      # {"file", "skipped", "img"}
        self.images = []      # every <img src>
        self.scripts = 0
        self.urls = []        # src and href values
        self.cell = None
        self.item = None
        self.slide = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        classes = a.get("class", "").split()
        for name in ("src", "href"):
            if name in a:
                self.urls.append(a[name])
        if tag == "script":
            self.scripts += 1
        if tag == "img":
            self.images.append(a.get("src"))
            if self.cell is not None:
                self.cell["img"] = a.get("src")
            if self.slide is not None:
                self.slide["img"] = a.get("src")
        if tag == "td" and "cell" in classes:
            self.cell = {"img": None, "shown": a.get("data-shown", "").split(), "choices": [], "default": None}
            (self.cells if a.get("data-dpi") == "96" else self.later)[(a["data-windows"], a["data-browser"])] = self.cell
        if tag == "section":
            self.section = a.get("id")
        if tag == "li" and "data-code" in a:
            (self.notes if self.section == "notas" else self.problems).append(a["data-code"])
        if tag == "figure" and "screen" in classes:
            self.figure = {"fits": a.get("data-fits"), "img": None, "caption": ""}
            self.screens[a.get("data-screen")] = self.figure
        if tag == "img" and self.figure is not None:
            self.figure["img"] = a.get("src")
        if tag == "li" and "slide" in classes:
            self.slide = {"file": a.get("data-file"), "skipped": "skipped" in classes, "img": None}
            self.slides.append(self.slide)
        if self.cell is not None and tag in ("li", "p") and "data-command" in a:
            self.item = {"version": int(a["data-version"]), "command": a["data-command"], "missing": False}
            if tag == "li":
                self.cell["choices"].append(self.item)
            else:
                self.cell["default"] = self.item
        if tag == "span" and "missing" in classes and self.item is not None:
            self.item["missing"] = True

    def handle_data(self, data):
        if self.figure is not None:
            self.figure["caption"] += data

    def handle_endtag(self, tag):
        if tag == "figure":
            self.figure = None
        if tag == "td":
            self.cell = None
        if tag in ("li", "p"):
            self.item = None
        if tag == "li":
            self.slide = None


def read_sheet(out):
    parser = SheetParser()
    parser.feed((out / "index.html").read_text(encoding="utf-8"))
    return parser


def rgb(path):
    """Width, height and the RGB bytes of a picture, through ImageMagick."""
    size = subprocess.run(["identify", "-format", "%w %h", str(path)], check=True, capture_output=True, text=True)
    width, height = map(int, size.stdout.split())
    data = subprocess.run(["convert", str(path), "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
    expect(len(data) == width * height * 3, f"{path.name}: {len(data)} bytes for {width} x {height}")
    return width, height, data


def pixel(picture, x, y):
    width, _, data = picture
    i = (y * width + x) * 3
    return tuple(data[i:i + 3])


def borders(size, client):
    """The border and caption heights that make a window of this outer size
    around the client area, if they are those of a captioned window."""
    border2 = size[0] - client[0]
    expect(border2 % 2 == 0 and 2 <= border2 <= 16, f"width {size[0]} is no window around {client[0]} pixels")
    border = border2 // 2
    caption = size[1] - client[1] - border2
    expect(15 <= caption <= 30, f"height {size[1]} leaves a caption of {caption} pixels over {client[1]}")
    return border, caption


def check_caption(picture, border, caption, name):
    """The caption bar is drawn: text, icon and buttons on its colour; and
    its close button is Marlett's cross, symmetric both ways (a missing
    Marlett draws the letter r)."""
    width = picture[0]
    colours = {pixel(picture, x, y) for y in range(border + 2, border + caption - 2)
               for x in range(border, width - border)}
    expect(len(colours) >= 4, f"{name}: the caption area holds {len(colours)} colours: blank")
    dark = {(x, y) for y in range(border, border + caption) for x in range(width - border - caption, width - border)
            if sum(pixel(picture, x, y)) < 100}
    expect(len(dark) >= 4, f"{name}: no glyph on the close button")
    x0, x1 = min(x for x, _ in dark), max(x for x, _ in dark)
    y0, y1 = min(y for _, y in dark), max(y for _, y in dark)
    mirrored = {(x0 + x1 - x, y) for x, y in dark} | {(x, y0 + y1 - y) for x, y in dark}
    expect(mirrored <= dark, f"{name}: the close button's glyph is not the cross (not symmetric)")


def kit_digest(kit):
    """Every entry below the kit folder with the digest of its content."""
    entries = []
    for path in sorted(kit.rglob("*")):
        relative = path.relative_to(kit).as_posix()
        if path.is_dir():
            entries.append(f"{relative}/")
        else:
            entries.append(f"{relative} {hashlib.sha256(path.read_bytes()).hexdigest()}")
    return entries


# ---- one kit

class KitRun:
    def __init__(self, args, name, kit, out):
        self.args = args
        self.name = name
        self.kit = kit
        self.out = out
        self.seconds = 0.0
        self.log = ""
        self.status = None
        self.before = self.after = None
        self.sheet = None
        self.matrix = None

    def start(self):
        self.before = kit_digest(self.kit)
        self.started = time.monotonic()
        self.process = preview(self.args, self.kit, self.out)

    def wait(self):
        self.log, _ = self.process.communicate(timeout=900)
        self.seconds = time.monotonic() - self.started
        self.status = self.process.returncode
        print(self.log, end="", flush=True)
        self.after = kit_digest(self.kit)
        if (self.out / "index.html").exists():
            self.sheet = read_sheet(self.out)
        reference = subprocess.run([str(self.args.kitcheck), "--json", str(self.kit)], capture_output=True, text=True)
        self.matrix = {row["browser"]: row for row in json.loads(reference.stdout)["matrix"]}

    def run(self):
        self.start()
        self.wait()

    def need_sheet(self):
        expect(self.sheet is not None, f"no sheet: preview.sh ended with {self.status}:\n{self.log[-3000:]}")
        return self.sheet

    # ---- the cases

    def ran(self):
        expect(self.status == 0, f"preview.sh ended with {self.status}:\n{self.log[-3000:]}")
        expect("preview.sh: nothing installed, nothing built" in self.log, "on a built tree: " + self.log[:500])
        lines = [line for line in self.log.splitlines() if line.startswith("[")]
        expect(len(lines) == (len(WINDOWS) + len(LATER)) * len(BROWSERS),
               f"{len(lines)} progress lines:\n{self.log[-3000:]}")

    def combinations(self):
        sheet = self.need_sheet()
        expected = {(w, b) for w in WINDOWS for b in BROWSERS}
        expect(set(sheet.cells) == expected, f"cells {sorted(sheet.cells)}")
        for key, cell in sheet.cells.items():
            expect(cell["img"] and (self.out / cell["img"]).is_file(), f"{key}: no picture ({cell['img']})")

    def captures(self):
        sheet = self.need_sheet()
        sizes = set()
        start = rgb(self.out / "start-page.png")
        page_border, page_caption = borders(start[:2], PAGE_CLIENT)
        check_caption(start, page_border, page_caption, "start page")
        frame = rgb(self.out / "frame.png")
        frame_border, frame_caption = borders(frame[:2], FRAME_CLIENT)
        expect(frame_caption == page_caption, f"frame caption {frame_caption}, pages' {page_caption}")
        check_caption(frame, frame_border, frame_caption, "frame")
        for key, cell in sorted(self.sheet.cells.items()):
            picture = rgb(self.out / cell["img"])
            sizes.add(picture[:2])
            expect(picture[:2] == start[:2], f"{key}: {picture[:2]}, the start page is {start[:2]}")
            check_caption(picture, page_border, page_caption, f"{key}")
        expect(len(sizes) == 1, f"page sizes {sizes}")

    def commands(self, later=False):
        sheet = self.need_sheet()
        cells = sheet.later if later else sheet.cells
        expect(len(cells) == len(LATER if later else WINDOWS) * len(BROWSERS), f"{len(cells)} cells")
        for (windows, browser), cell in sorted(cells.items()):
            row = self.matrix[MATRIX_ROW[browser]]
            where = f"{windows}, browser {browser}"
            expected = [(c["version"], c["command"]) for c in row["choices"]]
            listed = [(c["version"], c["command"]) for c in cell["choices"]]
            expect(listed == expected, f"{where}: sheet {listed}, kitcheck {expected}")
            default = cell["default"]
            expect(default and (default["version"], default["command"]) ==
                   (row["default"]["version"], row["default"]["command"]),
                   f"{where}: Next without a choice {default}, kitcheck {row['default']}")
            shown = [CONTROL[v] for v in row["options"]]
            expect(cell["shown"] == shown, f"{where}: the page shows {cell['shown']}, kitcheck offers {shown}")

    def kit_unchanged(self):
        expect(self.before == self.after,
               "the kit changed: " + ", ".join(sorted(set(self.before) ^ set(self.after))))
        expect(not any("started.log" in entry for entry in self.after), "an installer was started")

    def chromium(self):
        sheet = self.need_sheet()
        expect(sheet.scripts == 0, f"{sheet.scripts} scripts in the page")
        remote = [u for u in sheet.urls if ":" in u.split("/")[0]]
        expect(not remote, f"addresses that are not files beside the page: {remote}")
        pictures, errors = chromium_check.check_page(self.out / "index.html")
        expect(len(pictures) == len(sheet.images) >= 25, f"{len(pictures)} pictures, {len(sheet.images)} in the page")
        bad = [p["src"] for p in pictures if not p["complete"] or p["width"] == 0]
        expect(not bad, f"pictures not loaded: {bad}")
        expect(not errors, "errors: " + "; ".join(errors))

    def fits_1280(self):
        """The grid of browser pages, and the whole sheet, fit a window
        1280 pixels wide."""
        self.need_sheet()
        found = chromium_check.widths(self.out / "index.html", 1280)
        expect(found["grid"] <= 1280 and found["page"] <= 1280, f"in a 1280-pixel window: {found}")

    def screens(self):
        """The frame with its start page on a 640 x 480 screen and on an
        800 x 600 one at 120 dpi, each a capture of the whole screen."""
        sheet = self.need_sheet()
        expect(sorted(sheet.screens) == ["640x480", "800x600-120dpi"], f"screens {sorted(sheet.screens)}")
        for name, (size, dpi) in {"640x480": ((640, 480), 96), "800x600-120dpi": ((800, 600), 120)}.items():
            figure = sheet.screens[name]
            expect(figure["img"], f"{name}: no capture")
            picture = rgb(self.out / figure["img"])
            expect(picture[:2] == size, f"{name}: {picture[:2]}")
            expect(f"{size[0]} × {size[1]} a {dpi} dpi" in figure["caption"], f"{name}: {figure['caption']}")
            expect(len({pixel(picture, x, y) for x in range(0, size[0], 16) for y in range(0, size[1], 16)}) > 8,
                   f"{name}: the screen is blank")

    def later_pcs(self):
        """The start page and the browser pages of Windows XP, 7 and 10 again
        at 144 dpi: captures of windows half as large again as at 96 dpi,
        with the commands of kitcheck's matrix."""
        sheet = self.need_sheet()
        expect(set(sheet.later) == {(w, b) for w in LATER for b in BROWSERS}, f"cells at 144 dpi {sorted(sheet.later)}")
        start = rgb(self.out / "later-144dpi-start-page.png")
        border, caption = borders(start[:2], PAGE_CLIENT_144)
        check_caption(start, border, caption, "start page at 144 dpi")
        for key, cell in sorted(sheet.later.items()):
            expect(cell["img"] and (self.out / cell["img"]).is_file(), f"{key}: no picture ({cell['img']})")
            picture = rgb(self.out / cell["img"])
            expect(picture[:2] == start[:2], f"{key}: {picture[:2]}, the start page is {start[:2]}")
        self.commands(later=True)

    def notes(self, codes):
        sheet = self.need_sheet()
        expect(sorted(sheet.notes) == sorted(codes), f"notes: {sheet.notes}, expected {codes}")

    def slideshow(self, skipped):
        """The slideshow in order, the pictures the launcher skips marked; a
        skipped picture leaves the previous one on the screen."""
        sheet = self.need_sheet()
        files = [s["file"] for s in sheet.slides]
        expect(files == ["image1.bmp", "image2.bmp", "image3.bmp"], f"slides {files}")
        marked = [s["file"] for s in sheet.slides if s["skipped"]]
        expect(marked == skipped, f"marked as skipped: {marked}, expected {skipped}")
        shots = [rgb(self.out / s["img"]) for s in sheet.slides]
        expect(all(s[:2] == FRAME_CLIENT for s in shots), f"slide sizes {[s[:2] for s in shots]}")
        for number in range(1, len(shots)):
            same = shots[number] == shots[number - 1]
            expect(same == (files[number] in skipped),
                   f"slide {number + 1} ({files[number]}) {'equals' if same else 'differs from'} the one before")

    def problems(self, codes):
        sheet = self.need_sheet()
        expect(sorted(sheet.problems) == sorted(codes), f"problems at the top: {sheet.problems}, expected {codes}")
        reported = {p["code"] for p in json.loads(subprocess.run(
            [str(self.args.kitcheck), "--json", str(self.kit)], capture_output=True, text=True).stdout)["problems"]}
        expect(reported == set(codes), f"kitcheck reports {reported}")

    def missing_marked(self, command):
        sheet = self.need_sheet()
        items = [c for cell in sheet.cells.values() for c in cell["choices"] if c["command"] == command]
        expect(items, f"{command} is offered nowhere")
        expect(all(c["missing"] for c in items), f"{command} is not marked as missing")
        others = [c for cell in sheet.cells.values() for c in cell["choices"] if c["command"] != command]
        expect(not any(c["missing"] for c in others), "a command in the kit is marked as missing")


def preview(args, kit, out, **options):
    env = dict(os.environ, SETUP32_WINE_ARCH=args.arch, SETUP32_BUILD=str(args.build), **options.pop("env", {}))
    return subprocess.Popen([str(ROOT / "scripts/preview.sh"), str(kit), str(out)], env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, **options)


def make_kits(args, work):
    demo = work / "demo-kit"
    subprocess.run([str(ROOT / "scripts/make-demo-kit.sh"), str(demo), str(args.stub)], check=True)
    broken = work / "broken-kit"
    shutil.copytree(demo, broken)
    (broken / "image2.bmp").unlink()
    (broken / "ie401" / "ie4setup.exe").unlink()
    return {"demo": demo, "broken": broken, "accented": accented_kit(demo, work / "kit ação é")}


def same_pages(run, demo):
    """The accented kit's pages are the demo kit's: its page pictures
    (imgini.bmé, imgie.bmé) were found and shown."""
    sheet = run.need_sheet()
    demo.need_sheet()
    for name in ["start-page.png"] + sorted(cell["img"] for cell in sheet.cells.values()):
        expect(rgb(run.out / name) == rgb(demo.out / name), f"{name} differs from the demo kit's")


def own_displays_and_prefixes(runs):
    """Previews started at the same time each had a Wine prefix of their own
    and, for their first captures, which ran at the same time, a display of
    their own (a display's number is free again once its Xvfb ends)."""
    displays = [(re.findall(r"\((:\d+)\)", run.log) or [None])[0] for run in runs]
    prefixes = [(re.findall(r"prefixo (\S+)\)", run.log) or [None])[0] for run in runs]
    expect(None not in displays and len(set(displays)) == len(displays), f"first displays: {displays}")
    expect(None not in prefixes and len(set(prefixes)) == len(prefixes), f"Wine prefixes: {prefixes}")


def interrupted(args, work):
    """SIGTERM in the middle of a preview: status 143, one line, and nothing
    left: no sheet or temporary beside it, no scratch folder, no Xvfb and
    no Wine of the prefix still running."""
    temporary = work / "tmp-interrupted"
    temporary.mkdir()
    out = work / "interrupted-sheet"
    process = preview(args, work / "demo-kit", out, env={"TMPDIR": str(temporary)}, start_new_session=True)
    said = ""
    for line in process.stdout:
        said += line
        if line.startswith("Capturando"):
            time.sleep(2)
            os.killpg(process.pid, signal.SIGTERM)
            break
    said += process.communicate(timeout=120)[0]
    print(said, end="")
    expect(process.returncode == 143, f"status {process.returncode}:\n{said}")
    expect("encerrado pelo sinal SIGTERM: nada foi gravado" in said, said)
    expect(not out.exists() and not list(work.glob(".interrupted-sheet.*")), "a sheet was left")
    expect(not any(temporary.iterdir()), f"left in the temporary folder: {list(temporary.iterdir())}")
    for _ in range(50):  # an ended Wine program may wait a moment to be reaped
        running = subprocess.run(["pgrep", "-s", str(process.pid)], capture_output=True, text=True).stdout.split()
        if not running:
            break
        time.sleep(0.1)
    expect(not running, f"processes of the preview still running: {running}")
    marker = f"WINEPREFIX={args.build / 'cache' / 'setup32-kit'}".encode()
    wine = []
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and any(v.startswith(marker) for v in (entry / "environ").read_bytes().split(b"\0")):
                wine.append(entry.name)
        except OSError:
            continue
    expect(not wine, f"Wine of the preview's prefixes still running: {wine}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", type=Path, required=True)
    parser.add_argument("--arch", required=True)
    parser.add_argument("--label", required=True)
    parser.add_argument("--stub", type=Path, required=True)
    parser.add_argument("--kitcheck", type=Path, required=True)
    parser.add_argument("--results", type=Path, required=True)
    parser.add_argument("--kits", default="demo,broken")
    args = parser.parse_args()
    args.build = args.build.resolve()

    work = args.build / f"preview-test-{args.arch}"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    kits = make_kits(args, work)

    cases = Cases(f"preview ({args.label})", "Preview")
    case = cases.run
    names = args.kits.split(",")
    runs = {name: KitRun(args, name, kits[name], work / f"{name}-sheet") for name in names}
    # The demo kit's and the broken kit's previews run at the same time.
    together = [runs[name] for name in ("demo", "broken") if name in runs]
    for run in together:
        run.start()
    for run in together:
        run.wait()
    if len(together) == 2:
        case("TwoAtOnceOwnDisplayAndPrefix", lambda: own_displays_and_prefixes(together))

    for kit_name in names:
        title = kit_name.capitalize() + "Kit"
        run = runs[kit_name]
        if run.status is None:
            run.run()
        case(f"{title}.Runs", run.ran)
        cases.set_time(run.seconds)
        print(f"{kit_name} kit: the sheet took {run.seconds:.1f} s")
        case(f"{title}.EveryCombination", run.combinations)
        case(f"{title}.CapturesOfTheLauncher", run.captures)
        case(f"{title}.CommandsOfKitchecksMatrix", run.commands)
        case(f"{title}.KitFolderUnchanged", run.kit_unchanged)
        case(f"{title}.OpensInChromium", run.chromium)
        case(f"{title}.Fits1280Pixels", run.fits_1280)
        case(f"{title}.SmallerScreens", run.screens)
        case(f"{title}.LaterPcsAt144Dpi", run.later_pcs)
        case(f"{title}.NotesForTheCd", lambda: run.notes(["slow-on-cd"] + (["name-needs-joliet"] * 3
                                                                           if kit_name == "accented" else [])))
        if kit_name == "broken":
            case(f"{title}.SlideshowMarksTheMissingPicture", lambda: run.slideshow(["image2.bmp"]))
            case(f"{title}.ProblemsAtTheTop", lambda: run.problems(
                ["picture-missing", "program-missing", "offered-installer-missing"]))
            case(f"{title}.MissingInstallerMarked", lambda: run.missing_marked("ie401\\ie4setup.exe"))
        else:
            case(f"{title}.Slideshow", lambda: run.slideshow([]))
            case(f"{title}.NoProblems", lambda: run.problems([]))
        if kit_name == "accented" and "demo" in runs:
            case(f"{title}.PagesAsTheDemoKits", lambda: same_pages(run, runs["demo"]))
    if "demo" in names:
        case("SigtermLeavesNothing", lambda: interrupted(args, work))

    return cases.write(args.results)


if __name__ == "__main__":
    sys.exit(main())
