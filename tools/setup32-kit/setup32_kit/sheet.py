"""The preview sheet, OUTDIR/index.html, from what the preview gathered:
preview.exe's captures (capture.json, the pictures already in OUTDIR as
PNG) and kitcheck's report of the same kit (--json and text).

One page, in Portuguese like kitcheck: kitcheck's problems and its notes
for the CD, the frame and the start page (also on the smaller screens of
the preview's table: preview.exe --screen, screen-*.json), the browser page
for each Windows version and installed browser with its options and the
command Next starts, the start page and the browser pages of the later PCs
again at 144 dpi (preview.exe --later, later-*.json), the slideshow, and
kitcheck's whole report. Pictures stand beside the page; no script, no
style sheet or font from elsewhere. The grid of browser pages fits a
1280-pixel-wide window."""
import datetime
import html
import struct

BROWSER_ROW = {"none": "unknown", "3": "3", "4": "4", "5": "5"}
BROWSER_NAME = {"none": "Nenhum navegador", "3": "IE 3 instalado", "4": "IE 4 instalado", "5": "IE 5 instalado"}
PICTURE_PROBLEMS = ("picture-missing", "picture-broken", "picture-too-large")
# Marks a folder as a sheet that a later preview may replace.
GENERATOR = "setup32-kit preview"

STYLE = """
body { font: 14px/1.4 sans-serif; margin: 24px; color: #222; background: #fafafa; }
h1 { font-size: 22px; margin: 0 0 4px; }
h2 { font-size: 18px; margin: 28px 0 8px; border-bottom: 1px solid #ccc; }
code { font: 12px monospace; background: #eee; padding: 0 3px; }
.meta { color: #555; margin: 0; }
.problems li { margin: 2px 0; }
.problems .code { color: #a00; }
.ok { color: #060; }
.warn { color: #a00; font-weight: bold; }
figure { display: inline-block; margin: 0 16px 8px 0; vertical-align: top; }
figcaption { font-size: 12px; color: #555; }
table.grid { border-collapse: collapse; width: 100%; max-width: 1232px; table-layout: fixed; }
table.grid thead th:first-child { width: 128px; }
table.grid th, table.grid td { border: 1px solid #ccc; padding: 6px; vertical-align: top; }
table.grid thead th { background: #e8e8e8; }
table.grid tbody th { background: #e8e8e8; text-align: left; white-space: nowrap; }
td.cell { background: #fff; overflow-wrap: anywhere; }
td.cell img { display: block; max-width: 100%; height: auto; }
td.cell ul { list-style: none; padding: 0; margin: 6px 0 0; }
td.cell li, td.cell p { margin: 2px 0; font-size: 12px; }
td.cell .checked { font-weight: bold; }
.missing { color: #a00; }
small { color: #555; font-weight: normal; }
ol.slides { list-style: none; padding: 0; margin: 0; }
ol.slides li { display: inline-block; margin: 0 12px 12px 0; vertical-align: top; font-size: 12px; }
ol.slides img { display: block; width: 206px; height: auto; border: 1px solid #ccc; }
ol.slides li.skipped img { opacity: 0.45; }
ol.slides .skip { color: #a00; display: block; max-width: 206px; }
pre { background: #fff; border: 1px solid #ccc; padding: 8px; font-size: 12px; overflow-x: auto; }
"""


def e(text):
    return html.escape(str(text), quote=True)


def png_size(path):
    """Width and height of a PNG file, or None."""
    try:
        with open(path, "rb") as f:
            head = f.read(24)
    except OSError:
        return None
    if len(head) < 24 or head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


class Sheet:
    def __init__(self, out, capture, report, text, kit, wine, screens=(), later=()):
        self.out = out
        self.screens = list(screens)  # preview.exe --screen: the frame on smaller screens
        self.later = list(later)      # preview.exe --later: the later PCs at more dots per inch
        self.capture = capture
        self.report = report
        self.text = text
        self.kit = kit
        self.wine = wine
        self.warnings = []
        self.parts = []

    def img(self, shot, alt):
        """An <img> of a capture, or what stands in for a missing one."""
        if shot:
            name = shot["file"] + ".png"
            size = png_size(self.out / name)
            if size:
                return f'<img src="{e(name)}" width="{size[0]}" height="{size[1]}" alt="{e(alt)}">'
        return f'<p class="warn">Sem captura: {e(alt)}</p>'

    def problems_by_key(self):
        keys = {}
        for p in self.report.get("problems", []):
            if p["code"] in ("program-missing", "command-empty") and p["key"]:
                keys[p["key"]] = p["message"]
        return keys

    # ---- the sections

    def head(self):
        cells = self.capture.get("cells", [])
        date = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
        self.parts.append(
            "<h1>Prévia do CD: as páginas do Setup32 em cada Windows e navegador</h1>\n"
            f'<p class="meta">Kit: <code>{e(self.kit)}</code> · Setup32.exe sob Wine ({e(self.wine)}) · '
            f"{len(cells)} combinações · {e(date)}</p>")

    def problems(self):
        report = self.report
        self.parts.append('<section id="problemas">')
        if report.get("status") == 2 or "problems" not in report:
            self.parts.append(f'<h2>Problemas do kitcheck</h2>\n<p class="warn">O kitcheck não leu o kit: '
                              f'{e(report.get("error", "sem relatório"))}</p>')
        else:
            problems = report["problems"]
            self.parts.append(f"<h2>Problemas do kitcheck: {len(problems)}</h2>")
            if problems:
                self.parts.append('<ul class="problems">')
                for p in problems:
                    where = p["key"]
                    if p["file"]:
                        where = f'{where} ({p["file"]})' if where else p["file"]
                    self.parts.append(f'<li data-code="{e(p["code"])}"><span class="code">[{e(p["code"])}]</span> '
                                      f'<code>{e(where)}</code>: {e(p["message"])}</li>')
                self.parts.append("</ul>")
            else:
                self.parts.append('<p class="ok">Nenhum problema: kit sem problemas.</p>')
        self.parts.append("<!--warnings-->\n</section>")

    def notes(self):
        notes = self.report.get("notes")
        if notes is None:
            return
        self.parts.append(f'<section id="notas">\n<h2>Notas do kitcheck para o CD: {len(notes)}</h2>')
        if notes:
            self.parts.append('<ul class="problems notes">')
            for n in notes:
                where = n["key"]
                if n["file"]:
                    where = f'{where} ({n["file"]})' if where else n["file"]
                self.parts.append(f'<li data-code="{e(n["code"])}"><span class="code">[{e(n["code"])}]</span> '
                                  f'<code>{e(where)}</code>: {e(n["message"])}</li>')
            self.parts.append("</ul>")
        else:
            self.parts.append('<p class="ok">Nenhuma nota: o kit se comporta no CD como na pasta.</p>')
        self.parts.append("</section>")

    def window(self):
        self.parts.append('<section id="janela">\n<h2>A janela e a página inicial</h2>')
        self.parts.append(f'<figure>{self.img(self.capture.get("frame"), "A janela do Setup32 ao abrir")}'
                          "<figcaption>A janela ao abrir, com a página inicial (tela de 1024 × 768 a 96 dpi)</figcaption></figure>")
        self.parts.append(f'<figure>{self.img(self.capture.get("start_page"), "Página inicial")}'
                          "<figcaption>Página inicial</figcaption></figure>")
        for screen in self.screens:
            width, height = screen["screen"]
            left, top, right, bottom = screen["window"]
            fits = left >= 0 and top >= 0 and right <= width and bottom <= height
            caption = (f"Tela de {width} × {height} a {screen['dpi']} dpi: a janela tem "
                       f"{right - left} × {bottom - top}" + ("" if fits else ", e passa da tela"))
            self.parts.append(f'<figure class="screen" data-screen="{e(screen["name"])}" '
                              f'data-fits="{"yes" if fits else "no"}">'
                              f'{self.img(screen.get("frame"), caption)}<figcaption>{e(caption)}</figcaption></figure>')
            if screen.get("error"):
                self.warnings.append(f"Tela {screen['name']}: {screen['error']}")
        if self.capture.get("error"):
            self.warnings.append(f"Janela e apresentação: {self.capture['error']}")
        self.parts.append("</section>")

    def command(self, start, missing):
        text = f'<code>{e(start["command"])}</code>' if start["command"] else '<span class="missing">(nenhum comando)</span>'
        if start["key"] in missing:
            text += f' <span class="missing">{e(missing[start["key"]])}</span>'
        return text

    def cell(self, cell, rows, missing, dpi=96):
        where = f'{cell["windows_name"]}, {BROWSER_NAME[cell["browser"]].lower()}'
        if dpi != 96:
            where += f", {dpi} dpi"
        shown = " ".join(o["control"] for o in cell.get("options", []) if o["visible"])
        name = f'{cell["windows"]}-{cell["browser"]}' + ("" if dpi == 96 else f"-{dpi}dpi")
        parts = [f'<td class="cell" id="{e(name)}" data-dpi="{dpi}" '
                 f'data-windows="{e(cell["windows"])}" data-browser="{e(cell["browser"])}" data-shown="{e(shown)}">',
                 self.img(cell.get("page"), f"Página do navegador, {where}")]
        if cell.get("error"):
            parts.append(f'<p class="warn">{e(cell["error"])}</p>')
            self.warnings.append(f"{where}: {cell['error']}")
        row = rows.get(BROWSER_ROW[cell["browser"]])
        if row is not None:
            shown = [o for o in cell.get("options", []) if o["visible"]]
            checked = {o["caption"] for o in cell.get("options", []) if o["checked"]}
            page_options = [o["caption"] for o in shown]
            matrix_options = [c["option"] for c in row["choices"]]
            if cell.get("page") and page_options != matrix_options:
                self.warnings.append(f"{where}: a página mostra {page_options or 'nenhuma opção'}, "
                                     f"o kitcheck espera {matrix_options or 'nenhuma opção'}")
                parts.append('<p class="warn">A página não mostra as opções que o kitcheck espera.</p>')
            parts.append('<ul class="options">')
            for choice in row["choices"]:
                mark = "◉" if choice["option"] in checked else "○"
                css = ' class="checked"' if choice["option"] in checked else ""
                parts.append(f'<li{css} data-version="{choice["version"]}" data-command="{e(choice["command"])}">'
                             f'{mark} {e(choice["option"])} → {self.command(choice, missing)}</li>')
            if not row["choices"]:
                parts.append(f'<li>{e(row["plan"])}</li>')
            parts.append("</ul>")
            default = row["default"]
            parts.append(f'<p class="default" data-version="{default["version"]}" '
                         f'data-command="{e(default["command"])}">Próximo sem escolha (marcada: '
                         f'{e(default["option"])}) → {self.command(default, missing)}</p>')
        parts.append("</td>")
        return "\n".join(parts)

    def grid(self):
        self.parts.append('<section id="navegador">\n<h2>A página do navegador em cada Windows e navegador instalado</h2>\n'
                          "<p>Cada célula: a página como o Windows a desenha; abaixo, as opções que ela mostra "
                          "(◉ a marcada) e o comando que o Próximo inicia com cada uma, e o que ele inicia sem "
                          "escolha, segundo as regras do próprio Setup32 (matriz do kitcheck).</p>")
        self.table(self.capture.get("cells", []))
        self.parts.append("</section>")

    def later_pcs(self):
        """The later PCs at more dots per inch: the start page, then their
        browser pages, as on a larger screen with larger fonts."""
        for later in self.later:
            dpi = later["dpi"]
            width, height = later["screen"]
            self.parts.append(f'<section id="mais-novos-{e(later["name"])}" class="later" data-dpi="{dpi}">\n'
                              f"<h2>Os PCs mais novos a {dpi} dpi: Windows XP, 7 e 10</h2>\n"
                              f"<p>As mesmas páginas numa tela de {width} × {height} com letras maiores "
                              f"({dpi} dpi), como um PC mais novo as mostra.</p>")
            caption = f"Página inicial a {dpi} dpi"
            self.parts.append(f'<figure>{self.img(later.get("start_page"), caption)}'
                              f"<figcaption>{e(caption)}</figcaption></figure>")
            if later.get("error"):
                self.warnings.append(f"PCs mais novos a {dpi} dpi: {later['error']}")
            self.table(later.get("cells", []), dpi)
            self.parts.append("</section>")

    def table(self, cells, dpi=96):
        rows = {r["browser"]: r for r in self.report.get("matrix", [])}
        missing = self.problems_by_key()
        browsers = list(dict.fromkeys(c["browser"] for c in cells))
        windows = list(dict.fromkeys((c["windows"], c["windows_name"]) for c in cells))
        self.parts.append('<table class="grid">\n<thead><tr><th></th>')
        for b in browsers:
            sample = next(c for c in cells if c["browser"] == b)
            row = rows.get(BROWSER_ROW[b])
            detail = (f'Build {sample["build"]}, Version {sample["version"]}' if sample["build"]
                      else f'tratado como IE {row["ie_ver"]}' if row else "")
            self.parts.append(f"<th>{e(BROWSER_NAME[b])}<br><small>{e(detail)}</small></th>")
        self.parts.append("</tr></thead>\n<tbody>")
        for win_id, win_name in windows:
            self.parts.append(f'<tr><th scope="row">{e(win_name)}</th>')
            for b in browsers:
                cell = next(c for c in cells if c["windows"] == win_id and c["browser"] == b)
                self.parts.append(self.cell(cell, rows, missing, dpi))
            self.parts.append("</tr>")
        self.parts.append("</tbody>\n</table>")

    def slideshow(self):
        show = self.capture.get("slideshow") or {"interval": 0, "count": 0, "pictures": []}
        skipped = {p["file"].lower(): p["message"] for p in self.report.get("problems", [])
                   if p["code"] in PICTURE_PROBLEMS}
        interval = show["interval"]
        self.parts.append('<section id="apresentacao">\n<h2>A apresentação de fundo</h2>')
        if interval == 0:
            self.parts.append("<p>Intervalo 0: a apresentação fica na primeira imagem; as outras não aparecem. "
                              "Abaixo, cada imagem como apareceria.</p>")
        else:
            self.parts.append(f"<p>Uma imagem a cada {interval} ms, nesta ordem, e de novo do começo "
                              "(a primeira fica dois intervalos ao abrir). Uma imagem pulada deixa na tela a "
                              "anterior.</p>")
        self.parts.append('<ol class="slides">')
        for number, picture in enumerate(show["pictures"], 1):
            reason = skipped.get(picture["file"].lower())
            if interval == 0 and number > 1:
                reason = reason or "não aparece: intervalo 0"
            css = ' class="slide skipped"' if reason else ' class="slide"'
            parts = [f'<li{css} data-file="{e(picture["file"])}">',
                     self.img(picture.get("capture"), f"Fundo {number}: {picture['file']}"),
                     f"{number}. <code>{e(picture['file'])}</code>"]
            if reason:
                parts.append(f'<span class="skip">Pulada: {e(reason)}</span>')
            parts.append("</li>")
            self.parts.append("".join(parts))
        self.parts.append("</ol>")
        left = show["count"] - len(show["pictures"])
        if left > 0:
            self.parts.append(f"<p>… e mais {left} imagens, não capturadas.</p>")
        self.parts.append("</section>")

    def kitcheck_text(self):
        self.parts.append('<section id="kitcheck">\n<h2>O relatório do kitcheck</h2>\n'
                          f"<pre>{e(self.text.rstrip())}</pre>\n</section>")

    def write(self):
        self.head()
        self.problems()
        self.notes()
        self.grid()
        self.later_pcs()
        self.window()
        self.slideshow()
        self.kitcheck_text()
        body = "\n".join(self.parts)
        warnings = ""
        if self.warnings:
            warnings = ('<p class="warn">Avisos da prévia:</p>\n<ul class="problems" id="avisos">' +
                        "".join(f"<li>{e(w)}</li>" for w in self.warnings) + "</ul>")
        body = body.replace("<!--warnings-->", warnings)
        page = ('<!DOCTYPE html>\n<html lang="pt-BR">\n<head>\n<meta charset="utf-8">\n'
                f'<meta name="generator" content="{GENERATOR}">\n'
                "<title>Prévia do CD: Setup32</title>\n"
                f"<style>{STYLE}</style>\n</head>\n<body>\n{body}\n</body>\n</html>\n")
        (self.out / "index.html").write_text(page, encoding="utf-8")
        return self.warnings
