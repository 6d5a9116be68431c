#!/usr/bin/python3
"""The tests of setup32-kit fit, run as a kit author runs it (the program
in a process of its own) on kits made here: the demo kit, a kit of photo-like
pictures, the kit with accented names, kits already small, and bad kits. The
pictures it writes are read back by the launcher's own decoders
(picture_ppm) and by kitcheck.

    fit_test.py --kitcheck KITCHECK --picture-ppm PICTURE_PPM --work DIR [--results REPORT.xml]
"""
import argparse
import hashlib
import io
import math
import os
import random
import shutil
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

from PIL import Image, ImageChops, ImageFilter, ImageStat

ROOT = Path(__file__).resolve().parents[2]
PACKAGE = ROOT / "tools/setup32-kit"
sys.path.insert(0, str(PACKAGE))
sys.path.insert(0, str(ROOT / "tests"))
from setup32_kit import encoders  # noqa: E402  the RLE8 writer is tested on its own too
from kits import accented_kit  # noqa: E402

ARGS = None  # the command line, set by main()


def run_fit(kit, out, *extra):
    env = dict(os.environ, PYTHONPATH=str(PACKAGE), SETUP32_BUILD=str(ARGS.kitcheck.resolve().parents[2]))
    return subprocess.run([sys.executable, "-m", "setup32_kit", "fit", *extra, str(kit), str(out)], env=env,
                          capture_output=True, text=True, timeout=600)


def figure(value):
    """A figure as fit prints it, the Portuguese way: 1.044.582."""
    return f"{value:,}".replace(",", ".")


def tree(folder):
    """Every file under folder with the SHA-256 of its bytes."""
    sums = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = Path(base, name)
            sums[str(path.relative_to(folder))] = hashlib.sha256(path.read_bytes()).hexdigest()
    return sums


def kitcheck(kit):
    import json
    result = subprocess.run([str(ARGS.kitcheck), "--json", str(kit)], capture_output=True, text=True, timeout=120)
    report = json.loads(result.stdout)
    return report


def codes(entries):
    return sorted(entry["code"] for entry in entries)


def launcher_pixels(path):
    """The picture as the launcher's decoders make it, or None when they refuse it."""
    result = subprocess.run([str(ARGS.picture_ppm), str(path)], capture_output=True, timeout=120)
    if result.returncode == 1:
        return None
    if result.returncode != 0:
        raise AssertionError(f"picture_ppm {path}: {result.stderr.decode()}")
    return Image.open(io.BytesIO(result.stdout)).convert("RGB")


def decibels(a, b):
    squares = [r * r for r in ImageStat.Stat(ImageChops.difference(a, b)).rms]
    mean = sum(squares) / 3
    return math.inf if mean == 0 else 10 * math.log10(65025 / mean)


def make_demo_kit(folder):
    stub = Path(ARGS.work, "stub.exe")
    stub.write_bytes(b"MZ" + bytes(126))  # a program to kitcheck
    subprocess.run([str(ROOT / "scripts/make-demo-kit.sh"), str(folder), str(stub)], check=True)


def photo(size, seed):
    """A picture with the noise of a photograph: too many colours for 256."""
    grain = random.Random(seed).randbytes(size[0] * size[1])
    noise = Image.frombytes("L", size, grain).filter(ImageFilter.GaussianBlur(1.2))
    across = Image.linear_gradient("L").rotate(90).resize(size)
    down = Image.linear_gradient("L").resize(size)
    return Image.merge("RGB", (across, noise, down))


class Work:
    """Folders of one test, under --work."""
    def __init__(self, name):
        self.root = Path(ARGS.work, name)
        shutil.rmtree(self.root, ignore_errors=True)
        self.root.mkdir(parents=True)


class DemoKit(unittest.TestCase):
    """The demo kit, whose 1 MB bitmaps hold the window 1.9 s per tick."""

    @classmethod
    def setUpClass(cls):
        work = Work("demo")
        cls.kit, cls.out = work.root / "kit", work.root / "fitted"
        make_demo_kit(cls.kit)
        cls.before = tree(cls.kit)
        cls.result = run_fit(cls.kit, cls.out)
        print(cls.result.stdout, end="")

    def test_exit_status(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        self.assertEqual(self.result.stderr, "")

    def test_kitcheck_no_slow_on_cd(self):
        self.assertIn("slow-on-cd", codes(kitcheck(self.kit)["notes"]))  # what the fit mends
        self.assertEqual(codes(kitcheck(self.out)["notes"]), [])

    def test_kitcheck_same_problems(self):
        # The installers and setup.ini are the kit's: kitcheck finds the same
        # (none), and no picture it cannot show.
        self.assertEqual(codes(kitcheck(self.out)["problems"]), codes(kitcheck(self.kit)["problems"]))
        self.assertEqual(codes(kitcheck(self.out)["problems"]), [])

    def test_psnr_through_the_launchers_decoder(self):
        for name in ["image1.bmp", "image2.bmp", "image3.bmp", "imgini.bmp", "imgie.bmp"]:
            original, fitted = launcher_pixels(self.kit / name), launcher_pixels(self.out / name)
            self.assertIsNotNone(fitted, name)
            self.assertEqual(fitted.size, original.size, name)
            self.assertGreaterEqual(decibels(original, fitted), 38.0, name)

    def test_backgrounds_small_page_pictures_kept(self):
        for n in (1, 2, 3):
            size = (self.out / f"image{n}.bmp").stat().st_size
            # 150 ms + the file at 600 KB/s, well under 1 s: the read alone.
            self.assertLess(0.150 + size / 614400, 0.5, f"image{n}.bmp: {size} bytes")
        for name in ("imgini.bmp", "imgie.bmp"):  # 290 ms as they are: copied
            self.assertEqual((self.out / name).read_bytes(), (self.kit / name).read_bytes(), name)

    def test_everything_else_copied(self):
        after = tree(self.out)
        self.assertEqual(sorted(after), sorted(self.before))
        changed = sorted(name for name in after if after[name] != self.before[name])
        self.assertEqual(changed, ["image1.bmp", "image2.bmp", "image3.bmp"])

    def test_original_unchanged(self):
        self.assertEqual(tree(self.kit), self.before)

    def test_table(self):
        lines = self.result.stdout.splitlines()
        for name in ["image1.bmp", "image2.bmp", "image3.bmp"]:
            row = next(line for line in lines if line.startswith(name))
            self.assertIn(figure((self.kit / name).stat().st_size), row)
            self.assertIn(figure((self.out / name).stat().st_size), row)
            self.assertIn("1.850 ms", row)  # the bitmap's read at 4x, as kitcheck counts it (1.9 s)
            self.assertIn("dB", row)
        self.assertIn("BMP 24 bits -> BMP RLE8", self.result.stdout)

    def test_fitted_kit_fitted_again_is_copied_as_it_is(self):
        again = Path(ARGS.work, "demo", "again")
        run = run_fit(self.out, again)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(tree(again), tree(self.out))
        self.assertIn("o kit como está", run.stdout)


class PhotoKit(unittest.TestCase):
    """Backgrounds with the noise of photographs: 256 colours lose them, so the
    backgrounds become JPEG and tipoimg changes; setup.ini in cp1252 with CR LF."""

    INI = ("; Configuração do CD\r\n[Setup32]\r\nnroimg=3\r\n  TIPOIMG = bmp  \r\ntipoImgTela=bmp\r\ntempo=2500\r\n"
           "\r\n[Arquivos]\r\nDiscador=discador\\setup.exe /demo\r\n").encode("cp1252")

    @classmethod
    def setUpClass(cls):
        work = Work("photo")
        cls.kit, cls.out = work.root / "kit", work.root / "fitted"
        make_demo_kit(cls.kit)
        for n in (1, 2, 3):
            photo((617, 564), n).save(cls.kit / f"image{n}.bmp")
        (cls.kit / "setup.ini").write_bytes(cls.INI)
        cls.before = tree(cls.kit)
        cls.result = run_fit(cls.kit, cls.out)
        print(cls.result.stdout, end="")

    def test_exit_status(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)

    def test_only_the_extension_value_changes(self):
        expected = self.INI.replace(b"  TIPOIMG = bmp  \r\n", b"  TIPOIMG = jpg  \r\n")
        self.assertEqual((self.out / "setup.ini").read_bytes(), expected)

    def test_pictures_renamed(self):
        names = sorted(p.name for p in self.out.iterdir() if p.is_file())
        self.assertEqual(names, ["image1.jpg", "image2.jpg", "image3.jpg", "imgie.bmp", "imgini.bmp", "setup.ini"])

    def test_baseline_jpeg_within_limits(self):
        for n in (1, 2, 3):
            data = (self.out / f"image{n}.jpg").read_bytes()
            self.assertIn(b"\xff\xc0", data)      # baseline frame
            self.assertNotIn(b"\xff\xc2", data)   # no progressive one
            original, fitted = launcher_pixels(self.kit / f"image{n}.bmp"), launcher_pixels(self.out / f"image{n}.jpg")
            # fit measures with Pillow's decoder; the launcher's own differs
            # from it a little, and must find the 38 dB too.
            self.assertGreaterEqual(decibels(original, fitted), 38.0)
            # The read and a baseline JPEG's decode (91 instructions a pixel
            # at 100 MHz, colour in full) within 1 s.
            self.assertLess(0.150 + len(data) / 614400 + 617 * 564 * 91 / 100e6, 1.0)

    def test_kitcheck(self):
        report = kitcheck(self.out)
        self.assertEqual(codes(report["notes"]), [])
        self.assertNotIn("picture-broken", codes(report["problems"]))
        self.assertNotIn("picture-missing", codes(report["problems"]))

    def test_original_unchanged(self):
        self.assertEqual(tree(self.kit), self.before)


class AccentedKit(unittest.TestCase):
    """The kit with ç, ã, é and blanks in its names: the backgrounds are
    re-made, every name stays, and kitcheck finds in the copy the dialer and
    the page pictures setup.ini names in cp1252."""

    def test_fitted_with_every_name(self):
        work = Work("accented").root
        make_demo_kit(work / "demo")
        kit = accented_kit(work / "demo", work / "kit ação é")
        out = work / "cópia ação"
        run = run_fit(kit, out)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertEqual(sorted(tree(out)), sorted(tree(kit)))
        self.assertIn("imgini.bmé", run.stdout)
        report = kitcheck(out)
        self.assertEqual(codes(report["problems"]), [])
        self.assertEqual([c for c in codes(report["notes"]) if c != "name-needs-joliet"], [])


class Rle8(unittest.TestCase):
    """fit's run-length bitmaps, decoded by the launcher's own decoder, give
    back every pixel."""

    def check(self, indexed, runs=True):
        path = Path(ARGS.work, "rle8", f"{indexed.width}x{indexed.height}-{runs}.bmp")
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(encoders.bitmap(indexed, runs=runs))
        decoded = launcher_pixels(path)
        self.assertIsNotNone(decoded, f"{path} refused")
        self.assertEqual(decoded.tobytes(), indexed.convert("RGB").tobytes(), path)

    def indexed(self, width, height, pixels):
        image = Image.new("P", (width, height))
        image.putpalette([(i * 37) % 256 for i in range(768)])
        image.putdata(pixels)
        return image

    def test_runs_and_literals_of_every_length(self):
        # Runs of 1 to 300 and literal stretches of 1 to 300 pixels, across
        # rows of odd and even widths.
        random.seed(23)
        pixels = []
        for length in range(1, 301):
            pixels += [length % 256] * length
            pixels += [(length + k) % 7 + 10 for k in range(length)]  # no three alike in a row
        for width in (1, 2, 3, 4, 5, 255, 256, 257, 511):
            height = -(-len(pixels) // width)
            self.check(self.indexed(width, height, (pixels * 2)[:width * height]))

    def test_random_rows(self):
        random.seed(5)
        for width, height, colours in ((617, 40, 2), (100, 100, 256), (33, 7, 3)):
            pixels = []
            while len(pixels) < width * height:
                pixels += [random.randrange(colours)] * random.choice((1, 1, 2, 3, 4, 300))
            self.check(self.indexed(width, height, pixels[:width * height]))

    def test_plain_8_bit(self):
        random.seed(6)
        for width in (1, 3, 617):
            self.check(self.indexed(width, 9, [random.randrange(200) for _ in range(width * 9)]), runs=False)


class JpegCost(unittest.TestCase):
    """The decode cost fit is given for a JPEG is that of the launcher's road
    for it: progressive, colour sampled 2x2, or any other (kitcheck's kinds)."""

    def test_by_encoding(self):
        import json
        folder = Path(ARGS.work, "jpeg-cost")
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        image = Image.new("RGB", (32, 24), (200, 60, 20))
        expected = {}
        for name, options, kind in (("2x2", dict(subsampling=2), "jpeg-baseline-2x2"),
                                    ("full", dict(subsampling=0), "jpeg-baseline"),
                                    ("2x1", dict(subsampling=1), "jpeg-baseline"),
                                    ("progressive", dict(subsampling=2, progressive=True), "jpeg-progressive")):
            image.save(folder / f"{name}.jpg", "JPEG", quality=82, **options)
            expected[name] = kind
        Image.new("L", (32, 24), 90).save(folder / "grey.jpg", "JPEG")
        expected["grey"] = "jpeg-baseline"
        files = [str(folder / f"{name}.jpg") for name in expected]
        result = subprocess.run([str(ARGS.kitcheck), "--json", "--picture", *files], capture_output=True,
                                text=True, timeout=120)
        pictures = {Path(p["file"]).stem: p["picture"] for p in json.loads(result.stdout)["pictures"]}
        costs = {}
        for name, kind in expected.items():
            with self.subTest(name):
                self.assertEqual(pictures[name]["kind"], kind)
                costs[kind] = pictures[name]["cost"]["decode_ms"]
        # The same pixels cost least in a baseline JPEG with the colour
        # sampled 2x2, more in full colour or progressive (its scans of the
        # coefficients first).
        self.assertLess(costs["jpeg-baseline-2x2"], costs["jpeg-baseline"])
        self.assertLess(costs["jpeg-baseline-2x2"], costs["jpeg-progressive"])


class BadKits(unittest.TestCase):
    """What fit refuses writes nothing and says why, with exit status 2."""

    @classmethod
    def setUpClass(cls):
        cls.work = Work("bad").root
        cls.demo = cls.work / "demo"
        make_demo_kit(cls.demo)

    def kit(self, name):
        kit = self.work / name
        shutil.copytree(self.demo, kit)
        return kit

    def refused(self, kit, out, words):
        run = run_fit(kit, out)
        self.assertEqual(run.returncode, 2, run.stdout + run.stderr)
        self.assertIn(words, run.stderr)
        self.assertTrue(run.stderr.startswith("setup32-kit fit: "), run.stderr)
        self.assertEqual(len(run.stderr.splitlines()), 1, run.stderr)
        self.assertNotIn("Traceback", run.stderr)
        return run

    def test_missing_kit(self):
        self.refused(self.work / "nothing", self.work / "out-nothing", "não é uma pasta")
        self.assertFalse((self.work / "out-nothing").exists())

    def test_no_setup_ini(self):
        kit = self.kit("no-ini")
        (kit / "setup.ini").unlink()
        self.refused(kit, self.work / "out-no-ini", "setup.ini não existe")
        self.assertFalse((self.work / "out-no-ini").exists())

    def test_broken_picture(self):
        kit = self.kit("broken")
        (kit / "image2.bmp").write_bytes((kit / "image2.bmp").read_bytes()[:5000])
        self.refused(kit, self.work / "out-broken", "image2.bmp")
        self.assertFalse((self.work / "out-broken").exists())

    def test_not_a_picture(self):
        kit = self.kit("text")
        (kit / "imgie.bmp").write_text("not a picture")
        self.refused(kit, self.work / "out-text", "imgie.bmp não é uma imagem BMP, JPEG ou GIF")

    def test_picture_larger_than_the_launcher_shows(self):
        kit = self.kit("huge")
        Image.new("RGB", (5000, 4000), (10, 20, 30)).save(kit / "image3.bmp", "JPEG")
        self.refused(kit, self.work / "out-huge", "4096 x 4096")

    def test_outdir_not_empty(self):
        out = self.work / "full"
        out.mkdir()
        (out / "mine.txt").write_text("kept")
        self.refused(self.demo, out, "já existe e não está vazia")
        self.assertEqual(os.listdir(out), ["mine.txt"])

    def test_outdir_inside_the_kit(self):
        kit = self.kit("inside")
        before = tree(kit)
        self.refused(kit, kit / "fitted", "dentro da pasta do kit")
        self.assertEqual(tree(kit), before)

    def test_interval_shorter_than_any_format(self):
        # tempo=150: a 4x drive takes 150 ms to find the data before it
        # reads a byte, so no format is shown within the interval.
        kit = self.kit("fast")
        ini = kit / "setup.ini"
        ini.write_bytes(ini.read_bytes().replace(b"tempo=2500", b"tempo=150"))
        run = run_fit(kit, self.work / "out-fast")
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("image1.bmp ainda prende a janela", run.stderr)
        self.assertIn("mais que 150 ms", run.stderr)
        self.assertTrue((self.work / "out-fast" / "image1.bmp").stat().st_size < 10000)  # the best kept

    def test_no_extension_line_keeps_the_extension(self):
        # Without tipoimg= the launcher takes bmp; fit adds no line, so only
        # bitmaps are tried, and 256 colours lose the photos' 38 dB.
        kit = self.kit("no-line")
        for n in (1, 2, 3):
            photo((617, 564), n).save(kit / f"image{n}.bmp")
        ini = kit / "setup.ini"
        ini.write_bytes(ini.read_bytes().replace(b"tipoimg=bmp\r\n", b""))
        run = run_fit(kit, self.work / "out-no-line")
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("não tem a linha tipoimg=", run.stdout)
        self.assertEqual(tree(self.work / "out-no-line"), tree(kit))

    def test_transparent_gif_kept(self):
        # Its transparent pixels show the colour behind it: no bitmap or JPEG
        # can, so the backgrounds stay GIF even beyond the interval of 200 ms.
        kit = self.kit("gif")
        for n in (1, 2, 3):
            (kit / f"image{n}.bmp").unlink()
            indexed = photo((617, 564), n).quantize(64)
            indexed.save(kit / f"image{n}.gif", transparency=0)
        ini = kit / "setup.ini"
        ini.write_bytes(ini.read_bytes().replace(b"tipoimg=bmp", b"tipoimg=gif").replace(b"tempo=2500", b"tempo=200"))
        run = run_fit(kit, self.work / "out-gif")
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("image1.gif ainda prende a janela", run.stderr)
        self.assertIn("pixels transparentes", run.stderr)
        self.assertEqual(tree(self.work / "out-gif"), tree(kit))

    def test_picture_too_large_for_any_format(self):
        # A photo of 2400 x 1800 pixels: 256 colours lose its 38 dB, and the
        # JPEG that keeps them takes longer than 1 s to read and decode.
        kit = self.kit("large")
        photo((2400, 1800), 2).save(kit / "image2.bmp")
        run = run_fit(kit, self.work / "out-large")
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("image2.jpg ainda prende a janela", run.stderr)  # the quickest that keeps 38 dB
        self.assertIsNotNone(launcher_pixels(self.work / "out-large" / "image2.jpg"))


class Report(unittest.TestResult):
    """Each test's outcome as a JUnit test case, and a line for the terminal."""

    def __init__(self):
        super().__init__()
        self.suite = ET.Element("testsuite", name="fit")
        self.started = 0.0

    def startTest(self, test):
        super().startTest(test)
        self.started = time.monotonic()

    def record(self, test, failure=None):
        cls, name = type(test).__name__, test._testMethodName
        case = ET.SubElement(self.suite, "testcase", classname=cls, name=name,
                             time=f"{time.monotonic() - self.started:.2f}")
        if failure:
            ET.SubElement(case, "failure", message=failure.splitlines()[-1]).text = failure
            print(f"[  FAILED  ] {cls}.{name}\n{failure}")
        else:
            print(f"[       OK ] {cls}.{name}")

    def addSuccess(self, test):
        super().addSuccess(test)
        self.record(test)

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.record(test, self._exc_info_to_string(err, test))

    def addError(self, test, err):
        super().addError(test, err)
        if isinstance(test, unittest.TestCase):
            self.record(test, self._exc_info_to_string(err, test))
        else:  # a class's set-up failed: count it as one failure
            case = ET.SubElement(self.suite, "testcase", classname=str(test), name="setUpClass")
            text = self._exc_info_to_string(err, test)
            ET.SubElement(case, "failure", message=text.splitlines()[-1]).text = text
            print(f"[  FAILED  ] {test}\n{text}")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--kitcheck", type=Path, required=True)
    parser.add_argument("--picture-ppm", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    parser.add_argument("--results", type=Path)
    parser.add_argument("tests", nargs="*", help="Class or Class.test_name")
    ARGS = parser.parse_args()
    ARGS.work = ARGS.work.resolve()
    shutil.rmtree(ARGS.work, ignore_errors=True)
    ARGS.work.mkdir(parents=True)
    loader = unittest.TestLoader()
    module = sys.modules[__name__]
    suite = loader.loadTestsFromNames(ARGS.tests, module) if ARGS.tests else loader.loadTestsFromModule(module)
    report = Report()
    suite.run(report)
    failed = sum(1 for case in report.suite if case.find("failure") is not None)
    report.suite.set("tests", str(len(report.suite)))
    report.suite.set("failures", str(failed))
    if ARGS.results:
        ARGS.results.parent.mkdir(parents=True, exist_ok=True)
        ET.ElementTree(report.suite).write(ARGS.results, encoding="utf-8", xml_declaration=True)
    print(f"fit: {len(report.suite) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
