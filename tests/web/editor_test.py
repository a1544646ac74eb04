"""The editor of quivor.html in headless Chromium, used with real input events:
the triangle of ponte.txt drawn on an empty page and saved, and quivor's report
of the saved file is the bundled model's byte for byte; pratt.txt opened with
the file picker, a node dragged and the drag undone; random edits undone back
to the start; a mechanism's motion drawn; a bad file refused while the work
stays; a reload and a shared link bring the model back."""

import json
import os
import pathlib
import random
import sys
import tempfile
import time

from web_page import Checker, arguments, chromium, native, opened

SEED = 20261209
# Where to leave pictures of the editor at work (for docs/), when set.
SHOTS = os.environ.get("QUIVOR_EDITOR_SHOTS")


class Person:
    """The page driven as a person does: mouse, keyboard, file picker."""

    def __init__(self, browser):
        self.browser = browser

    def evaluate(self, expression):
        return self.browser.evaluate(expression)

    def mouse(self, kind, x, y, buttons=1, modifiers=0):
        self.browser.page("Input.dispatchMouseEvent", {
            "type": kind, "x": x, "y": y, "button": "left" if kind != "mouseMoved" or buttons else "none",
            "buttons": buttons, "clickCount": 1 if kind != "mouseMoved" else 0,
            "modifiers": modifiers})

    def click(self, x, y):
        self.mouse("mouseMoved", x, y, buttons=0)
        self.mouse("mousePressed", x, y)
        self.mouse("mouseReleased", x, y, buttons=0)

    def drag(self, start, end, steps=8):
        self.mouse("mouseMoved", *start, buttons=0)
        self.mouse("mousePressed", *start)
        for step in range(1, steps + 1):
            t = step / steps
            self.mouse("mouseMoved", start[0] + t * (end[0] - start[0]),
                       start[1] + t * (end[1] - start[1]))
            self.settled()
        self.mouse("mouseReleased", *end, buttons=0)

    def key(self, key, code=None, vk=0, modifiers=0, text=None):
        down = {"type": "keyDown" if text else "rawKeyDown", "key": key,
                "code": code or f"Key{key.upper()}", "windowsVirtualKeyCode": vk or ord(key.upper()[0]),
                "modifiers": modifiers}
        if text:
            down["text"] = text
        self.browser.page("Input.dispatchKeyEvent", down)
        self.browser.page("Input.dispatchKeyEvent", {**down, "type": "keyUp", "text": ""})

    def letter(self, letter):
        self.key(letter, text=letter)

    def ctrl(self, letter, shift=False):
        self.key(letter, modifiers=2 | (8 if shift else 0))

    def special(self, name, vk):
        self.key(name, code=name, vk=vk)

    def type_into(self, selector, text):
        """Clicks a text field, replaces its text by typing, and leaves it with Tab."""
        self.click(*self.center(selector))
        self.evaluate(f"document.querySelector('{selector}').select()")
        for char in text:
            self.key(char, code="", vk=ord(char), text=char)
        self.special("Tab", 9)
        self.settled()

    def settled(self):
        """Waits for the study of the model as it is."""
        self.evaluate("new Promise((r) => { const wait = () => quivor.editor.waiting ||"
                      " quivor.editor.studying ? requestAnimationFrame(wait) : r(true); wait(); })")

    def at(self, x, y):
        """The page's point of a model point (cm)."""
        return self.evaluate(
            f"(() => {{ const v = quivor.editor.view, b = document.getElementById('desenho')"
            f".getBoundingClientRect(); return [b.left + v.ox + {x} * v.scale,"
            f" b.top + v.oy - {y} * v.scale]; }})()")

    def shot(self, name):
        if SHOTS:
            box = self.evaluate("(() => { const e = document.getElementById('editor');"
                                " e.scrollIntoView(); const r = e.getBoundingClientRect();"
                                " return {x: r.x + scrollX, y: r.y + scrollY, width: r.width,"
                                " height: Math.min(r.height, 760)}; })()")
            self.browser.screenshot(os.path.join(SHOTS, name), box)

    def center(self, selector):
        """The middle of an element, in the window's coordinates, scrolled into view."""
        return self.evaluate(
            f"(() => {{ const e = document.querySelector({json.dumps(selector)});"
            " e.scrollIntoView({block: 'nearest'}); const r = e.getBoundingClientRect();"
            " return [r.x + r.width / 2, r.y + r.height / 2]; })()")

    def node_at(self, label):
        return self.center(f'[data-no="{label}"] circle')

    def model(self):
        return self.evaluate("quivor.modelo()")

    def choose(self, path):
        root = self.browser.page("DOM.getDocument")["root"]["nodeId"]
        node = self.browser.page("DOM.querySelector", {"nodeId": root, "selector": "#modelo"})["nodeId"]
        self.browser.page("DOM.setFileInputFiles", {"files": [str(path)], "nodeId": node})
        time.sleep(0.3)
        self.settled()

    def button(self, selector):
        self.click(*self.center(selector))
        self.settled()


def nodes(text):
    """{label: (x, y)} of a model file's text."""
    lines = text.split("\n")
    count = int(lines[0])
    return {int(line.split()[0]): (float(line.split()[1]), float(line.split()[2]))
            for line in lines[2:2 + count]}


def draw_triangle(person, check, downloads, args):
    """The triangle of ponte.txt, drawn with the tools, typed in the panel, saved."""
    person.letter("n")
    for x, y in ((0, 0), (40, 0), (20, 15)):
        person.click(*person.at(x, y))
        person.settled()
    person.letter("b")
    for a, b in ((1, 2), (1, 3), (2, 3)):
        person.click(*person.node_at(a))
        person.click(*person.node_at(b))
        person.special("Escape", 27)
    person.letter("a")
    for label, clicks in ((1, 1), (2, 2)):
        for _ in range(clicks):
            person.click(*person.node_at(label))
    person.letter("c")
    person.click(*person.node_at(3))
    person.settled()
    person.type_into("#carga-fy", "-5,0")
    check.same("the triangle drawn", person.model(), (args.examples / "ponte.txt").read_text())
    check.same("the triangle studied", person.evaluate(
        "document.getElementById('estado-estavel').textContent"), "Estável.")
    person.ctrl("s")
    saved = wait_file(downloads / "ponte.txt")
    _, _, _, mine = native(args.program, [], {"ponte.txt": saved or b""}, b"ponte\n\n")
    _, _, _, bundled = native(args.program, [], {"ponte.txt": (args.examples / "ponte.txt").read_bytes()},
                              b"ponte\n\n")
    check.same("quivor's report of the saved triangle", mine.get("ponte.rtf"), bundled["ponte.rtf"])


def files_and_shape_search(person, check, downloads, args):
    """The triangle's report and table from the buttons, as the programs write them; the
    shape search's result shown, then accepted as one step."""
    triangle = (args.examples / "ponte.txt").read_bytes()
    _, _, _, table = native(args.study, ["ponte", "--csv", "--sem-pagina"], {"ponte.txt": triangle})
    _, _, _, report = native(args.program, [], {"ponte.txt": triangle}, b"ponte\n\n")
    for selector, name, expected in (("#baixar-rtf", "ponte.rtf", report["ponte.rtf"]),
                                     ("#baixar-csv", "ponte.csv", table["ponte.csv"])):
        person.button(selector)
        check.same(f"{name} from its button", wait_file(downloads / name), expected)
    _, _, _, optimized = native(args.study, ["otimizar", "ponte"], {"ponte.txt": triangle})
    before = person.model()
    person.button("#otimizar")
    person.evaluate("new Promise((r) => { const wait = () => document.getElementById("
                    "'otimizar-aceitar') ? r(true) : setTimeout(wait, 50); wait(); })")
    check.same("the shape found drawn beside",
               person.evaluate("document.querySelectorAll('#desenho .proposta line').length"), 3)
    check.same("the shape found and the current one in figures", person.evaluate(
        "document.getElementById('otimizada-figuras').textContent.includes('Atual: 46,45 g')"), True)
    person.button("#otimizar-aceitar")
    check.same("the shape accepted", person.model(), optimized["ponte-otimizado.txt"].decode())
    person.ctrl("z")
    check.same("the shape undone in one step", person.model(), before)


def touch_zoom_and_symmetry(person, check, browser):
    """A finger drags a node, two fingers pinch, the wheel zooms; with symmetry on, a node's
    mirror image follows it; a coordinate typed with a comma in the panel."""
    person.letter("v")
    person.button("#enquadrar")
    start = person.node_at(3)
    end = person.at(12, 16)
    touch = lambda kind, points: browser.page(  # noqa: E731
        "Input.dispatchTouchEvent", {"type": kind, "touchPoints": [
            {"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]})
    person.evaluate("document.getElementById('simetria').click()")
    touch("touchStart", [start])
    for t in (0.3, 0.6, 1.0):
        touch("touchMove", [(start[0] + t * (end[0] - start[0]), start[1] + t * (end[1] - start[1]))])
        person.settled()
    touch("touchEnd", [])
    person.settled()
    moved = nodes(person.model())
    check.same("a finger's drag, mirrored", (moved[3], moved[19]), ((12.0, 16.0), (88.0, 16.0)))
    scale = person.evaluate("quivor.editor.view.scale")
    middle = person.at(50, -10)
    touch("touchStart", [(middle[0] - 40, middle[1]), (middle[0] + 40, middle[1])])
    touch("touchMove", [(middle[0] - 80, middle[1]), (middle[0] + 80, middle[1])])
    touch("touchEnd", [])
    pinched = person.evaluate("quivor.editor.view.scale") / scale
    check.same("two fingers zoom in", round(pinched, 1), 2.0)
    browser.page("Input.dispatchMouseEvent", {"type": "mouseWheel", "x": middle[0], "y": middle[1],
                                              "deltaX": 0, "deltaY": 200})
    person.settled()
    check.same("the wheel zooms out",
               person.evaluate("quivor.editor.view.scale") < scale * pinched, True)
    person.button("#enquadrar")
    person.click(*person.node_at(5))
    person.type_into("#no-x", "21,5")
    moved = nodes(person.model())
    check.same("x typed with a comma, mirrored", (moved[5], moved[17]), ((21.5, 15.0), (78.5, 15.0)))
    person.click(*person.node_at(5))
    person.key("ArrowUp", code="ArrowUp", vk=38)
    person.key("ArrowLeft", code="ArrowLeft", vk=37, modifiers=8)
    moved = nodes(person.model())
    check.same("arrow keys, mirrored", (moved[5], moved[17]), ((11.5, 16.0), (88.5, 16.0)))
    person.evaluate("document.getElementById('simetria').click()")


def wait_file(path, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if path.exists() and path.stat().st_size > 0:
            time.sleep(0.2)
            return path.read_bytes()
        time.sleep(0.1)
    return None


def drag_and_undo(person, check, args):
    """pratt.txt from the picker, a node dragged, the drag undone."""
    opened_text = (args.examples / "pratt.txt").read_text()
    person.choose(args.examples / "pratt.txt")
    check.same("pratt opened", person.model(), opened_text)
    person.letter("v")
    before = person.evaluate("quivor.editor.studies")
    start = person.node_at(11)
    end = person.at(55, 18)
    person.drag(start, end)
    person.settled()
    person.shot("guia-editor.png")
    moved = nodes(person.model())
    expected = {**nodes(opened_text), 11: (55.0, 18.0)}
    check.same("the dragged node", moved, expected)
    check.same("studied while dragged", person.evaluate("quivor.editor.studies") - before > 2, True)
    person.ctrl("z")
    person.settled()
    check.same("the drag undone in one step", person.model(), opened_text)
    person.ctrl("y")
    check.same("redone", nodes(person.model()), expected)
    person.ctrl("z", shift=True)
    person.ctrl("z")
    # A model whose study is slow: the node follows the pointer, the study the drop.
    person.settled()
    person.evaluate("quivor.editor.studyMs = 1e9")
    start, end = person.node_at(11), person.at(45, 20)
    person.mouse("mouseMoved", *start, buttons=0)
    person.mouse("mousePressed", *start)
    for t in (0.5, 1.0):
        person.mouse("mouseMoved", start[0] + t * (end[0] - start[0]), start[1] + t * (end[1] - start[1]))
    person.settled()
    shown = person.evaluate("({late: Boolean(document.getElementById('estudo-adiado')),"
                            " bars: [...document.querySelectorAll('[data-barra] line:not(.alvo)')]"
                            ".filter((l) => l.getAttribute('x2') === document.querySelector("
                            "'[data-no=\"11\"] circle').getAttribute('cx')).length})")
    check.same("a slow study waits for the drop", shown["late"], True)
    check.same("the bars follow the node", shown["bars"] >= 2, True)
    check.same("the node under the pointer", [round(v) for v in person.node_at(11)], [round(v) for v in end])
    person.mouse("mouseReleased", *end, buttons=0)
    person.settled()
    check.same("studied at the drop", person.evaluate(
        "[Boolean(document.getElementById('estudo-adiado')), quivor.editor.studyMs < 1e9]"), [False, True])
    check.same("the slow drag", nodes(person.model())[11], (45.0, 20.0))
    person.ctrl("z")
    # Alt held: off the grid, to the hundredth.
    person.settled()
    start, end = person.node_at(11), person.at(50.45, 16.45)
    person.mouse("mouseMoved", *start, buttons=0)
    person.mouse("mousePressed", *start, modifiers=1)
    person.mouse("mouseMoved", *end, modifiers=1)
    person.mouse("mouseReleased", *end, buttons=0, modifiers=1)
    person.settled()
    x, y = nodes(person.model())[11]
    check.same("Alt moves off the grid", (abs(x - 50.45) < 0.2, abs(y - 16.45) < 0.2,
                                          x != round(x), round(x, 2) == x), (True, True, True, True))
    person.ctrl("z")
    return opened_text


def cancelled_search(person, check):
    """Otimizar on pratt stops at Cancelar, the model as it was."""
    before = person.model()
    person.click(*person.center("#otimizar"))
    # Stopped at once: the worker is still compiling the engine.
    person.click(*person.center("#otimizar-parar"))
    time.sleep(0.3)
    check.same("the search cancelled", person.evaluate(
        "[document.getElementById('otimizacao').hidden, quivor.editor.proposta]"), [True, None])
    check.same("the model after a cancelled search", person.model(), before)


def load_cases(person, check, start_text):
    """The case shown chosen with the keyboard; a case added and removed with the panel."""
    person.evaluate("document.getElementById('caso').focus()")
    person.key("ArrowDown", code="ArrowDown", vk=40)
    person.settled()
    check.same("case 2 shown", person.evaluate(
        "[quivor.editor.caso, [...document.querySelectorAll('[data-carga]')].map((e) => e.dataset.carga)]"),
        [1, ["6"]])
    person.button("#caso-mais")
    check.same("a case added and shown", person.evaluate(
        "[quivor.editor.history.model.casos.length, quivor.editor.caso]"), [3, 2])
    person.button("#caso-menos")
    check.same("the case removed", person.model(), start_text)


def random_edits(person, check, start_text):
    """Random edits with the tools, then Ctrl+Z until the start: the start's model."""
    rng = random.Random(SEED)
    past = person.evaluate("quivor.editor.history.past.length")
    labels = lambda: list(nodes(person.model()))  # noqa: E731
    for _ in range(14):
        action = rng.choice(["node", "drag", "bar", "delete", "support", "load"])
        if action == "node":
            person.letter("n")
            person.click(*person.at(rng.uniform(0, 100), rng.uniform(-10, 30)))
        elif action == "drag":
            person.letter("v")
            person.drag(person.node_at(rng.choice(labels())),
                        person.at(rng.uniform(0, 100), rng.uniform(-5, 25)), steps=3)
        elif action == "bar":
            person.letter("b")
            a, b = rng.sample(labels(), 2)
            person.click(*person.node_at(a))
            person.click(*person.node_at(b))
            person.special("Escape", 27)
        elif action == "delete":
            person.letter("v")
            person.click(*person.node_at(rng.choice(labels())))
            person.special("Delete", 46)
        else:
            person.letter("a" if action == "support" else "c")
            person.click(*person.node_at(rng.choice(labels())))
        person.settled()
    steps = person.evaluate("quivor.editor.history.past.length") - past
    check.same("random edits changed the model", person.model() != start_text, True)
    for _ in range(steps):
        person.ctrl("z")
    person.settled()
    check.same("random edits undone to the start", person.model(), start_text)


def mechanism_and_bad_file(person, check, args, scratch):
    person.letter("v")
    person.click(*person.center('[data-barra="28"] line'))
    person.special("Delete", 46)
    person.settled()
    shown = person.evaluate("({motion: document.querySelectorAll('#desenho .movimento line').length > 0,"
                            " said: document.getElementById('estado-estavel').textContent})")
    person.shot("guia-editor-mecanismo.png")
    check.same("a mechanism's motion", shown["motion"], True)
    check.same("a mechanism said", shown["said"].startswith("Mecanismo"), True)
    work = person.model()
    bad = pathlib.Path(scratch) / "ruim.txt"
    bad.write_bytes((args.cases / "model-syntax-error" / "files" / "ponte.txt").read_bytes())
    person.choose(bad)
    refused = person.evaluate("(document.getElementById('erro-modelo') || {}).textContent || ''")
    check.same("a bad file refused", refused.startswith("ruim.txt não pôde ser aberto"), True)
    check.same("the work kept after a bad file", person.model(), work)
    return work


def reload_and_share(person, check, browser, url, work):
    browser.page("Page.enable")
    browser.events.clear()
    browser.page("Page.reload")
    # The unsaved work makes the page ask before it goes.
    dialog = browser.wait_for("Page.javascriptDialogOpening")
    check.same("asked before leaving", dialog["params"]["type"], "beforeunload")
    browser.page("Page.handleJavaScriptDialog", {"accept": True})
    browser.wait_for("Page.loadEventFired")
    person.evaluate("quivor.pronto")
    person.settled()
    check.same("the work back after a reload", person.model(), work)
    person.button("#compartilhar")
    link = person.evaluate("location.href")
    check.same("the link holds the model after #", link.startswith(url + "#modelo="), True)
    person.evaluate("localStorage.clear(); quivor.editor.savedText = quivor.modelo(); true")
    browser.events.clear()
    browser.page("Page.navigate", {"url": "about:blank"})
    browser.wait_for("Page.loadEventFired")
    browser.page("Page.navigate", {"url": link})
    browser.wait_for("Page.loadEventFired")
    person.evaluate("quivor.pronto")
    person.settled()
    check.same("the shared link's model", person.model(), work)


def new_bridge(person, check, args):
    """Nova ponte: a K truss of 6 panels from the form, as quivor-study nova writes it."""
    person.button("#nova-ponte")
    person.evaluate("document.getElementById('nova-tipo').value = 'k'; true")
    person.type_into("#nova-paineis", "6")
    person.type_into("#nova-carga", "7,5")
    person.button("#nova-criar")
    _, _, _, made = native(args.study, ["nova", "ponte", "--tipo", "k", "--paineis", "6",
                                        "--carga", "7.5"], {})
    check.same("a new K truss", person.model(), made["ponte.txt"].decode())


def narrow_band(person, check, downloads, args, scratch):
    """A model whose nodes are listed far apart is saved in the order renumerar gives."""
    lines = (args.examples / "pratt.txt").read_text().split("\n")
    nodes_listed = lines[2:22]
    random.Random(SEED).shuffle(nodes_listed)
    shuffled = "\n".join(lines[:2] + nodes_listed + lines[22:])
    path = pathlib.Path(scratch) / "larga.txt"
    path.write_text(shuffled)
    person.choose(path)
    person.center("#desenho")
    person.ctrl("s")
    _, _, _, narrow = native(args.study, ["renumerar", "larga"], {"larga.txt": shuffled.encode()})
    check.same("the shuffled model is wide", narrow["larga-renumerado.txt"] != shuffled.encode(), True)
    check.same("saved in a narrow band's order", wait_file(downloads / "larga.txt"),
               narrow["larga-renumerado.txt"])
    check.same("the shuffled model kept in the editor", person.model(), shuffled)


def pratt_truss(panels, load_cases):
    """A Pratt truss of 10 cm panels, 12 cm high, its nodes bottom and top in turn and a bar
    from the first to the last (the widest band): a model whose study takes the page a while."""
    count = 2 * (panels + 1)
    bars = []
    for p in range(panels):
        b, t = 2 * p + 1, 2 * p + 2
        bars += [(b, b + 2), (t, t + 2), (b, t), (t, b + 2) if p < panels // 2 else (b, t + 2)]
    bars += [(2 * panels + 1, 2 * panels + 2), (1, count)]
    lines = [str(count), str(len(bars))]
    for p in range(panels + 1):
        lines += [f"{2 * p + 1} {10 * p}.0 0.0", f"{2 * p + 2} {10 * p}.0 12.0"]
    lines += [f"{i} {a} {b}" for i, (a, b) in enumerate(bars, 1)]
    lines += ["2", "1", "0 0", str(2 * panels + 1), "1 0", str(load_cases)]
    for case in range(load_cases):
        lines += [str(panels + 1)] + [f"{2 * p + 1}\n0.0\n-{1 + (p + case) % 3}.0" for p in range(panels + 1)]
    return "\n".join(lines + ["2.0", "3.0"]) + "\n"


def large_model_apart(person, check, args):
    """The largest model: its study runs apart, the page answers meanwhile, the latest
    change wins; the team's material in the panel."""
    large = pratt_truss(499, 8)
    person.evaluate(f"quivor.abrir({json.dumps(large)}, 'grande')")
    # The study has just begun: the page answers a key at once, and says a study runs.
    person.letter("n")
    now = person.evaluate("({studying: quivor.editor.studying, tool: quivor.editor.tool,"
                          " said: Boolean(document.getElementById('estudo-em-andamento')),"
                          " figures: Boolean(document.getElementById('peso'))})")
    check.same("a key answered while the large model is studied", now,
               {"studying": True, "tool": "no", "said": True, "figures": False})
    person.letter("v")
    # A change while the study runs: the study of the model before is not shown.
    smaller = pratt_truss(498, 8)
    person.evaluate(f"quivor.abrir({json.dumps(smaller)}, 'grande')")
    person.settled()
    shown = person.evaluate("({nodes: quivor.editor.study && quivor.editor.study.nodes,"
                            " studying: quivor.editor.studying, apart: quivor.editor.studyMs > 50,"
                            " panel: document.getElementById('resposta').textContent.includes('998 nós')})")
    check.same("the latest model's study shown", shown,
               {"nodes": 998, "studying": False, "apart": True, "panel": True})
    check.same("the worker's study as the page's own", person.evaluate(
        f"JSON.stringify(quivor.editor.study) === JSON.stringify(JSON.parse(quivor.estudar("
        f"{json.dumps(smaller)}, {{nome: 'grande', ...quivor.editor.opcoes}}).json))"), True)
    # A drag begun while the study runs: the study of the model before the drag is not shown
    # while the node moves, the study of the moved model comes at the drop.
    person.evaluate(f"quivor.abrir({json.dumps(large)}, 'grande')")
    start = person.node_at(500)
    person.mouse("mouseMoved", *start, buttons=0)
    person.mouse("mousePressed", *start)
    person.mouse("mouseMoved", start[0] + 30, start[1] - 30)
    person.evaluate("new Promise((r) => setTimeout(() => r(true), 6000))")
    during = person.evaluate("[quivor.editor.study === null, quivor.editor.dragging,"
                             " Boolean(document.getElementById('peso'))]")
    check.same("no study of the model before the drag shown during it", during, [True, True, False])
    person.mouse("mouseReleased", start[0] + 30, start[1] - 30, buttons=0)
    person.settled()
    check.same("the study at the drop", person.evaluate(
        "[quivor.editor.study.nodes, quivor.editor.text() !== " + json.dumps(large) + "]"), [1000, True])
    # Two studies asked at once: the first gives way, the second is answered.
    both = person.evaluate(
        f"Promise.all([quivor.estudarAparte({json.dumps(large)}), quivor.estudarAparte("
        f"{json.dumps(smaller)})]).then(([a, b]) => [a.cancelado === true, JSON.parse(b.json).nodes])")
    check.same("an older study gives way", both, [True, 998])

    # The team's material: named in the panel, the conservative collapse beside the expected one.
    pratt = (args.examples / "pratt.txt").read_text()
    material = (args.cases / "study-material-console" / "files" / "equipe.txt").read_text()
    person.evaluate(f"quivor.abrir({json.dumps(pratt)}, 'pratt')")
    person.settled()
    check.same("the bundled material, no conservative line", person.evaluate(
        "[Boolean(document.getElementById('material')), Boolean(document.getElementById('colapso-conservador'))]"),
        [True, False])
    # The bridge's make-up typed in the panel: the panel's figures are the native bridge's.
    for selector, text in (("#trelicas", "3"), ("#cola", "0,5"), ("#peso-extra", "40")):
        person.type_into(selector, text)
    _, out, _, _ = native(args.study, ["pratt", "--json", "--sem-pagina", "--trelicas", "3", "--cola", "0,5",
                                       "--peso-extra", "40"], {"pratt.txt": pratt.encode()})
    bridge = json.loads(out)["bridge"]
    check.same("the bridge of the panel's options", person.evaluate(
        "document.getElementById('peso').textContent.split(' (')[0]"),
        "Peso da ponte: " + f"{bridge['weight']:.2f}".replace(".", ",").rstrip("0").rstrip(",") + " g")
    for selector, text in (("#trelicas", "2"), ("#cola", "0"), ("#peso-extra", "0")):
        person.type_into(selector, text)
    person.evaluate(f"quivor.editor.setOption('material', {json.dumps(material)})")
    person.settled()
    limits = person.evaluate("[String(quivor.editor.opcoes.limitePeso), String(quivor.editor.opcoes.fio)]")
    _, out, _, _ = native(args.study, ["pratt", "--json", "--sem-pagina", "--limite-peso", limits[0], "--fio",
                                       limits[1], "--material", "espaguete.txt"],
                          {"pratt.txt": pratt.encode(), "espaguete.txt": material.encode()})
    native_study = json.loads(out)
    page = person.evaluate("[quivor.editor.study.material.origin, document.getElementById('material').textContent,"
                           " document.getElementById('colapso-conservador').textContent,"
                           " document.getElementById('colapso').textContent]")
    check.same("the team's material studied", page[0], native_study["material"]["origin"])
    check.same("the material named", page[1], f"Material: {native_study['material']['text']}.")
    conservative = native_study["conservative"]["collapse"]["load"]
    if native_study["conservative"].get("bridge"):
        conservative = native_study["conservative"]["bridge"]["collapseLoad"] or conservative
    check.same("the conservative collapse", page[2],
               f"Colapso conservador da ponte: {conservative:.2f}".replace(".", ",").rstrip("0").rstrip(",") + " kgf.")
    check.same("the expected collapse beside it", page[3].startswith("Colapso esperado da ponte (valores médios): "), True)
    _, _, _, left = native(args.study, ["pratt", "--material", "espaguete.txt"],
                           {"pratt.txt": pratt.encode(), "espaguete.txt": material.encode()})
    check.same("quivor.pagina with the team's material", person.evaluate(
        f"quivor.pagina({json.dumps(pratt)}, {{nome: 'pratt', material: {json.dumps(material)}}}).pagina"),
        left["pratt.html"].decode())
    check.same("the bundled material by name", person.evaluate(
        f"JSON.parse(quivor.estudar({json.dumps(pratt)}, {{material: 'padrao'}}).json).material.origin"), "bundled")
    person.evaluate("delete quivor.editor.opcoes.material; quivor.editor.setOption('fio', 25.4)")
    person.settled()


def main():
    args = arguments()
    check = Checker()
    try:
        with opened(args.page, timeout=120) as (browser, url):
            with tempfile.TemporaryDirectory() as scratch:
                downloads = pathlib.Path(scratch) / "baixados"
                downloads.mkdir()
                browser.call("Browser.setDownloadBehavior",
                             {"behavior": "allow", "downloadPath": str(downloads)})
                browser.page("Emulation.setDeviceMetricsOverride",
                             {"width": 1280, "height": 800, "deviceScaleFactor": 1, "mobile": False})
                person = Person(browser)
                person.center("#desenho")
                person.settled()
                draw_triangle(person, check, downloads, args)
                files_and_shape_search(person, check, downloads, args)
                opened_text = drag_and_undo(person, check, args)
                cancelled_search(person, check)
                load_cases(person, check, opened_text)
                random_edits(person, check, opened_text)
                touch_zoom_and_symmetry(person, check, browser)
                person.evaluate(f"quivor.abrir({json.dumps(opened_text)}, 'pratt')")
                person.settled()
                work = mechanism_and_bad_file(person, check, args, scratch)
                reload_and_share(person, check, browser, url, work)
                new_bridge(person, check, args)
                narrow_band(person, check, downloads, args, scratch)
                large_model_apart(person, check, args)
                check.clean(browser, url)
    except chromium.ProtocolError as error:
        check.failures.append(str(error)[:500])
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
