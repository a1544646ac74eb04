"""The study's page in a real browser (headless Chromium over the DevTools
pipe): the page of each bundled example, of a mechanism and of a large truss
loads with no console error and no network request and draws one element per
bar and per node in every view; the views switch with scripts off; the page
made while watching a model reloads itself and keeps its view and scroll,
and one of a model that cannot be read names its error; the page of an
optimised shape also draws the shape it came from;
printed, the 1 m Pratt bridge gives the predicted A4 sheets and its test
square measures 10 cm on paper.

Screenshots of the drawings and the printed sheets (as PNG) are left in
--out for a person to look at; the load time of the large truss's page is
printed, not judged.

Exit status 77 (skipped) where Chromium or poppler-utils are missing."""

import argparse
import contextlib
import math
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
from checks import Checks  # noqa: E402

SKIPPED = 77
# The tiling of the template (src/page/page.hpp), cm.
OVERLAP = 1.0
PORTRAIT = (18.0, 26.0)
LANDSCAPE = (27.0, 17.0)
MARGIN = 1.0
DPI = 300


# --- Model files --------------------------------------------------------------

def numbers(line):
    return [float(value) for value in re.split(r"[\s,]+", line.strip()) if value]


def read_nodes_and_bars(path):
    """The node coordinates and the bar count of a model file whose records
    each stand on one line, as the test's own and the bundled ones do."""
    with open(path) as text:
        lines = [line for line in text.read().splitlines()]
    node_count, bar_count = int(numbers(lines[0])[0]), int(numbers(lines[1])[0])
    nodes = [numbers(lines[2 + i])[1:3] for i in range(node_count)]
    return nodes, bar_count


def write_model(path, nodes, bars, supports, loads):
    rows = [str(len(nodes)), str(len(bars))]
    rows += [f"{label} {x} {y}" for label, (x, y) in enumerate(nodes, 1)]
    rows += [f"{label} {a} {b}" for label, (a, b) in enumerate(bars, 1)]
    rows.append(str(len(supports)))
    for node, code_x, code_y in supports:
        rows += [str(node), f"{code_x} {code_y}"]
    rows += ["1", str(len(loads))]
    for node, fx, fy in loads:
        rows += [str(node), str(fx), str(fy)]
    rows += ["2.0", "3.0"]
    with open(path, "w") as out:
        out.write("\n".join(rows) + "\n")


def square_without_diagonal(path):
    write_model(path, [(0, 0), (30, 0), (30, 30), (0, 30)], [(1, 2), (2, 3), (3, 4), (4, 1)],
                [(1, 0, 0), (2, 1, 0)], [(3, 0, -5)])


def large_truss(path, columns=50, rows=20, bar_count=5000):
    """1000 nodes on a grid of 5 cm, each joined to its neighbours and to
    those a knight's move away until there are `bar_count` bars."""
    nodes = [(5.0 * c, 5.0 * r) for c in range(columns) for r in range(rows)]
    label = {(c, r): 1 + c * rows + r for c in range(columns) for r in range(rows)}
    bars = []
    for dc, dr in [(0, 1), (1, 0), (1, 1), (1, -1), (2, 1), (1, 2), (2, -1), (1, -2)]:
        for c in range(columns):
            for r in range(rows):
                if (c + dc, r + dr) in label and len(bars) < bar_count:
                    bars.append((label[(c, r)], label[(c + dc, r + dr)]))
    write_model(path, nodes, bars, [(1, 0, 0), (label[(columns - 1, 0)], 1, 0)],
                [(label[(columns // 2, 0)], 0, -5)])


# --- The template's tiling and the printed sheets ------------------------------

def sheets_along(extent, window):
    if extent <= window:
        return 1
    return math.ceil((extent - OVERLAP) / (window - OVERLAP) - 1e-9)


def predicted_pages(nodes):
    """The cover and the fewest sheets of one orientation (portrait on a tie)."""
    xs, ys = [x for x, _ in nodes], [y for _, y in nodes]
    width = max(xs) - min(xs) + 2 * MARGIN
    height = max(ys) - min(ys) + 2 * MARGIN
    portrait = sheets_along(width, PORTRAIT[0]) * sheets_along(height, PORTRAIT[1])
    landscape = sheets_along(width, LANDSCAPE[0]) * sheets_along(height, LANDSCAPE[1])
    return 1 + min(portrait, landscape), landscape < portrait


def read_pgm(path):
    with open(path, "rb") as image:
        data = image.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P5" and fields[3] == b"255", fields
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:at + 1 + width * height]


DARK = bytes(1 if value < 128 else 0 for value in range(256))


def longest_dark_runs(path):
    """The longest horizontal and vertical runs of dark pixels, mm."""
    width, height, pixels = read_pgm(path)
    dark = pixels.translate(DARK)
    def longest(lines):
        return max((len(run) for line in lines for run in line.split(b"\0")), default=0)
    rows = (dark[y * width:(y + 1) * width] for y in range(height))
    columns = (dark[x::width] for x in range(width))
    to_mm = 25.4 / DPI
    return longest(rows) * to_mm, longest(columns) * to_mm


def page_sizes(pdf):
    info = subprocess.run(["pdfinfo", "-f", "1", "-l", "999", pdf], capture_output=True,
                          text=True, check=True).stdout
    pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    sizes = re.findall(r"^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts", info, re.M)
    return pages, [(float(w), float(h)) for w, h in sizes]


# --- The pages in the browser ------------------------------------------------

VIEW_COUNTS = """[...document.querySelectorAll('.view')].map(view => ({
  id: view.id,
  bars: view.querySelectorAll('line.bar').length,
  nodes: view.querySelectorAll('circle.node').length,
  moved: view.querySelectorAll('.displaced line.moved').length,
  shown: getComputedStyle(view).display !== 'none'}))"""

SHOWN_AFTER_CLICK = """(id => {
  document.querySelector('label[for="r-' + id + '"]').click();
  return [...document.querySelectorAll('.view')]
      .filter(view => getComputedStyle(view).display !== 'none').map(view => view.id);
})"""


def check_page(browser, checks, html, name, bars, nodes, out):
    url = "file://" + html
    seconds = browser.open(url)
    browser.drain()
    problems = browser.problems(url)
    checks.expect(not problems, f"{name}: loads with no console error or request: {problems}")
    views = browser.evaluate(VIEW_COUNTS)
    checks.expect(views, f"{name}: has views")
    checks.expect(sum(view["shown"] for view in views) == 1, f"{name}: one view shown at first")
    for view in views:
        checks.expect(view["bars"] == bars and view["nodes"] == nodes,
                      f"{name} {view['id']}: {view['bars']} bars, {view['nodes']} nodes drawn;"
                      f" the model has {bars} and {nodes}")
        if view["id"].startswith("vista-mecanismo"):
            checks.expect(view["moved"] == bars, f"{name} {view['id']}: displaced bars drawn")
    for view in views[:4]:
        shown = browser.evaluate(f"{SHOWN_AFTER_CLICK}('{view['id']}')")
        checks.expect(shown == [view["id"]], f"{name}: its tab shows {view['id']} alone: {shown}")
    # The first tab again, for the screenshot.
    browser.evaluate(f"{SHOWN_AFTER_CLICK}('{views[0]['id']}')")
    browser.screenshot(os.path.join(out, f"{name}-desenho.png"), browser.box("#desenho"))
    return seconds, views


def check_scripts_off(browser, checks, html):
    url = "file://" + html
    browser.open(url, scripts=False)
    browser.evaluate("sessionStorage.clear()")
    shown = browser.evaluate(f"{SHOWN_AFTER_CLICK}('vista-caso-2')")
    checks.expect(shown == ["vista-caso-2"], f"scripts off: the tabs still switch views: {shown}")
    # The page's own script would have kept the choice.
    stored = browser.evaluate("sessionStorage.length")
    checks.expect(stored == 0, "scripts off: the page's script did not run")


@contextlib.contextmanager
def watching(study, folder, name):
    """`quivor-study --acompanhar NAME` running in `folder`, for as long as
    the block lasts; yields the path of NAME.html once the command has
    written it whole (or after 10 s)."""
    watcher = subprocess.Popen([study, "--acompanhar", name], cwd=folder,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        html = os.path.join(folder, name + ".html")
        for _ in range(100):
            if os.path.exists(html):
                with open(html, "rb") as page:
                    if page.read().rstrip().endswith(b"</html>"):
                        break
            time.sleep(0.1)
        yield html
    finally:
        watcher.terminate()
        watcher.wait()


def check_reload(browser, checks, study, folder):
    """The page made while the command watches the model reloads itself,
    keeping the chosen view and the scroll position."""
    with watching(study, folder, "pratt") as html:
        browser.open("file://" + html, height=600)
        browser.evaluate(f"{SHOWN_AFTER_CLICK}('vista-caso-2')")
        browser.evaluate("window.scrollTo(0, 400); window.quivorMark = 1")
        browser.wait_for("Page.loadEventFired", timeout=10)
        time.sleep(0.3)
        state = browser.evaluate(
            "({mark: window.quivorMark === 1, y: scrollY,"
            " chosen: document.getElementById('r-vista-caso-2').checked})")
        checks.expect(not state["mark"], "watching: the page reloaded itself")
        checks.expect(state["chosen"], "watching: the chosen view survives the reload")
        checks.expect(abs(state["y"] - 400) <= 1, f"watching: the scroll survives: {state['y']}")


def check_error_page(browser, checks, study, folder):
    """A model that cannot be read, while watched: the page names the error."""
    with open(os.path.join(folder, "quebrado.txt"), "w") as model:
        model.write("3\n3\n1 0 0\n2 x 0\n")
    with watching(study, folder, "quebrado") as html:
        url = "file://" + html
        browser.open(url)
        browser.drain()
        problems = browser.problems(url)
        checks.expect(not problems, f"error page: loads with no console error: {problems}")
        text = browser.evaluate("document.body.innerText")
        checks.expect("não pôde ser estudado" in text and "linha 4" in text,
                      f"error page: names the model's error: {text!r}")


def check_print(browser, checks, html, nodes, out):
    url = "file://" + html
    browser.open(url)
    pdf = os.path.join(out, "pratt-gabarito.pdf")
    browser.pdf(pdf)
    pages, sizes = page_sizes(pdf)
    expected, landscape = predicted_pages(nodes)
    checks.expect(pages == expected, f"template: {pages} A4 sheets, predicted {expected}")
    a4 = (841.89, 595.28) if landscape else (595.28, 841.89)
    checks.expect(all(abs(w - a4[0]) < 1 and abs(h - a4[1]) < 1 for w, h in sizes),
                  f"template: every sheet A4, {'landscape' if landscape else 'portrait'}: {sizes}")
    prefix = os.path.join(out, "pratt-folha")
    subprocess.run(["pdftoppm", "-gray", "-r", str(DPI), "-f", "1", "-l", "2", pdf, prefix],
                   check=True)
    subprocess.run(["pdftoppm", "-png", "-r", "50", pdf, prefix], check=True)
    first, second = sorted(f for f in os.listdir(out)
                           if f.startswith("pratt-folha") and f.endswith(".pgm"))
    across, down = longest_dark_runs(os.path.join(out, first))
    _, vertical = longest_dark_runs(os.path.join(out, second))
    print(f"template: {pages} sheets; on paper the test square is {across:.2f} x {down:.2f} mm,"
          f" a 15 cm bar {vertical:.2f} mm", flush=True)
    checks.expect(abs(across - 100) <= 0.5 and abs(down - 100) <= 0.5,
                  f"template: the test square measures {across:.2f} x {down:.2f} mm")
    # On the first sheet of the truss a vertical of 15 cm, its ends rounded
    # by half the 0,5 mm line.
    checks.expect(abs(vertical - 150.5) <= 1.0,
                  f"template: a 15 cm vertical bar measures {vertical:.2f} mm on paper")


def check_optimized(browser, checks, study, folder, out):
    """The page of a shape made lighter also draws the shape it came from,
    over the outline of the new one."""
    result = subprocess.run([study, "otimizar", "pratt"], cwd=folder, capture_output=True)
    if not checks.expect(result.returncode == 0, "otimizar pratt: ends with status 0"):
        return
    nodes, bars = read_nodes_and_bars(os.path.join(folder, "pratt-otimizado.txt"))
    html = os.path.join(folder, "pratt-otimizado.html")
    _, views = check_page(browser, checks, html, "pratt-otimizado", bars, len(nodes), out)
    checks.expect([view["id"] for view in views][:2] == ["vista-ponte", "vista-antes"],
                  f"pratt-otimizado: the earlier shape's view comes second: {views}")
    outline = browser.evaluate("document.querySelectorAll('#vista-antes line.outline').length")
    checks.expect(outline == bars, f"pratt-otimizado: the new shape outlined: {outline} bars")
    browser.evaluate(f"{SHOWN_AFTER_CLICK}('vista-antes')")
    browser.screenshot(os.path.join(out, "pratt-otimizado-antes.png"), browser.box("#desenho"))


# The visible labels of a view and what they overlap, in CSS pixels: two
# boxes overlap when they share more than a sliver (`slack`), a label and a
# node when its box comes within the node's circle and half its outline.
LABEL_CLASHES = """((id, slack) => {
  const svg = document.querySelector('#' + id + ' svg.drawing');
  const shown = element => getComputedStyle(element).display !== 'none';
  const labels = [...svg.querySelectorAll('text')].filter(shown).map(text => {
    const r = text.getBoundingClientRect();
    return {text: text.textContent, left: r.left, top: r.top, right: r.right, bottom: r.bottom};
  });
  const scale = svg.getScreenCTM().a;
  const nodes = [...svg.querySelectorAll('circle.node, circle.mover')].map(circle => {
    const r = circle.getBoundingClientRect();
    return {node: circle.dataset.node || 'movido', x: (r.left + r.right) / 2,
            y: (r.top + r.bottom) / 2, r: circle.r.baseVal.value * scale + 0.7};
  });
  const clashes = [];
  labels.forEach((a, i) => {
    labels.slice(i + 1).forEach(b => {
      const across = Math.min(a.right, b.right) - Math.max(a.left, b.left);
      const down = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
      if (across > slack && down > slack) clashes.push(`${a.text} / ${b.text}`);
    });
    nodes.forEach(n => {
      const x = Math.min(Math.max(n.x, a.left), a.right), y = Math.min(Math.max(n.y, a.top), a.bottom);
      if (Math.hypot(x - n.x, y - n.y) < n.r - slack) clashes.push(`${a.text} / nó ${n.node}`);
    });
  });
  const all = svg.querySelectorAll('text').length;
  return {shown: labels.length, hidden: all - labels.length, clashes,
          font: svg.getAttribute('font-size'), grow: svg.dataset.grow || '0'};
})"""

# The label of the first bar whose label is hidden, and the middle of the
# bar on the screen.
HIDDEN_BAR = """(id => {
  const svg = document.querySelector('#' + id + ' svg.drawing');
  const text = [...svg.querySelectorAll('text[data-bar]')]
      .find(text => getComputedStyle(text).display === 'none');
  if (!text) return null;
  const line = svg.querySelector('line[data-bar="' + text.dataset.bar + '"]');
  const m = line.getScreenCTM();
  const x = (line.x1.baseVal.value + line.x2.baseVal.value) / 2;
  const y = (line.y1.baseVal.value + line.y2.baseVal.value) / 2;
  return {bar: text.dataset.bar, x: m.a * x + m.c * y + m.e, y: m.b * x + m.d * y + m.f};
})"""


def check_labels_clear(browser, checks, html, name, out, width):
    """In every view, no shown label overlaps another or a node, at the
    page's width and so at the growth of the font the page chose for it;
    the labels with no room show on hover of their bar."""
    browser.open("file://" + html, width=width)
    views = browser.evaluate(VIEW_COUNTS)
    shown_in_all = 0
    for view in views:
        browser.evaluate(f"{SHOWN_AFTER_CLICK}('{view['id']}')")
        found = browser.evaluate(f"{LABEL_CLASHES}('{view['id']}', 0.5)")
        shown_in_all += found["shown"]
        checks.expect(not found["clashes"],
                      f"{name} at {width} px, {view['id']}: no shown label overlaps another or"
                      f" a node ({found['shown']} shown, {found['hidden']} hidden, font"
                      f" {found['font']}, growth {found['grow']}): {found['clashes'][:10]}")
        browser.screenshot(os.path.join(out, f"rotulos-{name}-{width}-{view['id']}.png"),
                           browser.box(f"#{view['id']} svg"))
    checks.expect(shown_in_all > 0, f"{name} at {width} px: some labels shown")
    # The first view's hidden bar label, while the mouse is over its bar.
    browser.evaluate(f"{SHOWN_AFTER_CLICK}('{views[0]['id']}')")
    bar = browser.evaluate(f"{HIDDEN_BAR}('{views[0]['id']}')")
    if bar is None:
        return
    browser.page("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": bar["x"], "y": bar["y"]})
    time.sleep(0.1)
    display = browser.evaluate(
        f"getComputedStyle(document.querySelector('#{views[0]['id']} text[data-bar=\"{bar['bar']}\"]'))"
        ".display")
    checks.expect(display != "none", f"{name} at {width} px: bar {bar['bar']}'s hidden label"
                  f" shows with the mouse over the bar: {display}")
    browser.screenshot(os.path.join(out, f"rotulos-{name}-{width}-sobre-{bar['bar']}.png"),
                       browser.box(f"#{views[0]['id']} svg"))
    browser.page("Input.dispatchMouseEvent", {"type": "mouseMoved", "x": 0, "y": 0})


def check_labels(browser, checks, study, folder, out):
    """The labels of a 40-panel Pratt bridge and of an optimised Warren one,
    in a wide window and in a narrow one."""
    made = [subprocess.run([study, *arguments], cwd=folder, capture_output=True).returncode == 0
            for arguments in (["nova", "pratt40", "--tipo", "pratt", "--paineis", "40",
                               "--carga", "5", "--carga-distribuida"],
                              ["pratt40"],
                              ["nova", "warren", "--tipo", "warren", "--carga", "5"],
                              ["otimizar", "warren"])]
    if not checks.expect(all(made), f"labels: the models and pages made: {made}"):
        return
    for name in ("pratt40", "warren-otimizado"):
        for width in (1280, 700):
            check_labels_clear(browser, checks, os.path.join(folder, name + ".html"), name, out,
                               width)


def run_study(study, folder, name, expected_status):
    start = time.monotonic()
    result = subprocess.run([study, name], cwd=folder, capture_output=True)
    return result.returncode == expected_status, time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--study", required=True, help="the quivor-study program")
    parser.add_argument("--examples", required=True, help="the bundled examples' folder")
    parser.add_argument("--out", required=True, help="where the pages and pictures go")
    args = parser.parse_args()
    args.study = os.path.abspath(args.study)

    browser_path = chromium.find_chromium()
    missing = [tool for tool, path in (("chromium", browser_path),
                                      ("pdfinfo", shutil.which("pdfinfo")),
                                      ("pdftoppm", shutil.which("pdftoppm"))) if not path]
    if missing:
        print(f"skipped: {', '.join(missing)} not found (Debian: chromium, poppler-utils)")
        return SKIPPED

    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    work = os.path.join(out, "models")
    os.makedirs(work)
    for name in ("ponte", "teste", "pratt"):
        shutil.copy(os.path.join(args.examples, name + ".txt"), work)
    square_without_diagonal(os.path.join(work, "quadrado.txt"))
    large_truss(os.path.join(work, "grande.txt"))

    checks = Checks()
    with chromium.Browser(browser_path) as browser:
        for name, status in (("ponte", 0), ("teste", 0), ("pratt", 0), ("quadrado", 1),
                             ("grande", 0)):
            studied, seconds = run_study(args.study, work, name, status)
            if not checks.expect(studied, f"{name}: quivor-study ends with status {status}"):
                continue
            nodes, bars = read_nodes_and_bars(os.path.join(work, name + ".txt"))
            html = os.path.join(work, name + ".html")
            loaded, views = check_page(browser, checks, html, name, bars, len(nodes), out)
            print(f"{name}: {len(nodes)} nodes, {bars} bars, {len(views)} views, "
                  f"{os.path.getsize(html) / 1e6:.2f} MB; studied and written in {seconds:.2f} s,"
                  f" loaded by Chromium in {loaded:.2f} s", flush=True)
        check_optimized(browser, checks, args.study, work, out)
        check_labels(browser, checks, args.study, work, out)
        pratt = os.path.join(work, "pratt.html")
        browser.open("file://" + pratt, width=1100)
        drawing = browser.box("#desenho")
        browser.screenshot(os.path.join(out, "pratt-page.png"),
                           {"x": 0, "y": 0, "width": 1100,
                            "height": drawing["height"] + drawing["y"] + 12})
        check_scripts_off(browser, checks, pratt)
        check_print(browser, checks, pratt, read_nodes_and_bars(pratt[:-5] + ".txt")[0], out)
        watched = os.path.join(out, "watched")
        os.makedirs(watched)
        shutil.copy(os.path.join(args.examples, "pratt.txt"), watched)
        check_reload(browser, checks, args.study, watched)
        check_error_page(browser, checks, args.study, watched)

    print(f"Pictures and pages in {out}")
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
