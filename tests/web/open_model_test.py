"""quivor.html as a student uses it, in headless Chromium with real input.

A model chosen with the file picker, then others dropped on the page and on
the study shown: the study shown is quivor-study's page of the model, the
links give quivor's report and that page byte for byte as the native
programs write them, a model the programs refuse shows their own message,
and a file that is not a .txt is not opened. The keyboard reaches the
picker and the links with a visible focus. Nothing is asked of the network
and the console stays clean.

Exit status 77 (skipped) where Chromium or the page is missing.
"""

import argparse
import base64
import pathlib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "page"))
import chromium  # noqa: E402

SKIPPED = 77


def native(program, args, name, model, typed=b""):
    """Runs a native program on NAME.txt in a fresh folder: its stderr and the files it left."""
    with tempfile.TemporaryDirectory() as folder:
        (pathlib.Path(folder) / f"{name}.txt").write_bytes(model)
        run = subprocess.run([program, *args], input=typed, cwd=folder, capture_output=True,
                             timeout=300)
        left = {path.name: path.read_bytes() for path in pathlib.Path(folder).iterdir()}
    return run.stderr.decode(), left


class NotOpened(RuntimeError):
    pass


class Student:
    """The page driven with the protocol's input events."""

    def __init__(self, browser):
        self.browser = browser
        self.opened = 0  # models the page has finished with

    def wait_done(self):
        """Waits until the page is done with one more model than before."""
        self.opened += 1
        done = self.browser.evaluate(
            "new Promise((resolve) => { const end = Date.now() + 60000; const seen = () => {"
            f" if (window.done >= {self.opened}) resolve(true);"
            " else if (Date.now() > end) resolve(false);"
            " else setTimeout(seen, 20); }; seen(); })")
        if not done:
            raise NotOpened(f"the page did not finish model {self.opened} within 60 s")

    def choose(self, path):
        root = self.browser.page("DOM.getDocument")["root"]["nodeId"]
        node = self.browser.page("DOM.querySelector",
                                 {"nodeId": root, "selector": "#modelo"})["nodeId"]
        self.browser.page("DOM.setFileInputFiles", {"files": [str(path)], "nodeId": node})
        self.wait_done()

    def drop(self, path, selector):
        box = self.browser.box(selector)
        x, y = box["x"] + box["width"] / 2, box["y"] + min(box["height"] / 2, 40)
        data = {"items": [], "files": [str(path)], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            self.browser.page("Input.dispatchDragEvent", {"type": kind, "x": x, "y": y, "data": data})

    def key(self, key, code, modifiers=0):
        for kind in ("rawKeyDown", "keyUp"):
            self.browser.page("Input.dispatchKeyEvent",
                              {"type": kind, "key": key, "code": code, "modifiers": modifiers,
                               "windowsVirtualKeyCode": 9 if key == "Tab" else 13})

    def click(self, selector):
        box = self.browser.box(selector)
        x, y = box["x"] + box["width"] / 2, box["y"] + box["height"] / 2
        self.browser.page("Runtime.evaluate", {"expression": f"scrollTo(0, {y - 200})"})
        y -= self.browser.evaluate("scrollY")
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.browser.page("Input.dispatchMouseEvent",
                              {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})

    def download(self, selector, folder, name):
        """Clicks a link and waits for the browser to have saved its file."""
        self.click(selector)
        path = pathlib.Path(folder) / name
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            self.browser.drain(0.1)
            done = [event for event in self.browser.events
                    if event["method"] == "Browser.downloadProgress"
                    and event["params"]["state"] in ("completed", "canceled")]
            if done:
                for event in done:
                    self.browser.events.remove(event)
                return path.read_bytes() if path.exists() else None
        return None


class Checker:
    def __init__(self):
        self.failures = []

    def same(self, what, got, expected):
        if got != expected:
            self.failures.append(f"{what}: got {str(got)[:300]!r}, expected {str(expected)[:300]!r}")


# Counts the models the page is done with: each one ends its busy time.
WATCH = r"""
window.done = 0;
new MutationObserver((records) => {
  window.done += records.filter((record) => record.oldValue === 'true').length;
}).observe(document.querySelector('main'),
           {attributes: true, attributeFilter: ['aria-busy'], attributeOldValue: true});
"""

# What the page shows, once the study's page it was given has loaded.
SHOWN = r"""(async () => {
  const frame = document.getElementById('estudo');
  const end = Date.now() + 10000;
  const loaded = () => !frame.hasAttribute('srcdoc') || (frame.contentDocument &&
    frame.contentDocument.URL === 'about:srcdoc' && frame.contentDocument.readyState === 'complete');
  while (!loaded() && Date.now() < end) await new Promise((resolve) => setTimeout(resolve, 20));
  const link = (id) => { const a = document.getElementById(id);
    return a.hidden ? null : a.getAttribute('download'); };
  return {
    shown: !document.getElementById('resultado').hidden,
    title: document.getElementById('resultado-titulo').textContent,
    srcdoc: frame.getAttribute('srcdoc'),
    inner: frame.contentDocument && frame.contentDocument.title,
    relatorio: link('baixar-relatorio'), pagina: link('baixar-pagina'),
    refused: document.getElementById('recusa').hidden ? null
             : document.querySelector('#recusa pre').textContent,
    state: document.getElementById('estado').textContent,
  };
})()"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--study", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--cases", required=True)
    args = parser.parse_args()
    executable = chromium.find_chromium()
    page = pathlib.Path(args.page).resolve()
    if executable is None or not page.exists():
        print(f"skipped: needs chromium and {page} (cmake --preset web && "
              "cmake --build --preset web)")
        return SKIPPED
    check = Checker()
    try:
        use_page(args, executable, page, check)
    except (NotOpened, chromium.ProtocolError) as error:
        check.failures.append(str(error)[:500])
    for failure in check.failures:
        print("FAIL", failure)
    print(f"{len(check.failures)} failures")
    return 1 if check.failures else 0


def use_page(args, executable, page, check):
    program = str(pathlib.Path(args.program).resolve())
    study = str(pathlib.Path(args.study).resolve())
    examples = pathlib.Path(args.examples).resolve()
    with tempfile.TemporaryDirectory() as scratch, \
            chromium.Browser(executable, timeout=120) as browser:
        downloads = pathlib.Path(scratch) / "baixados"
        downloads.mkdir()
        refused = pathlib.Path(scratch) / "ponte.txt"
        refused.write_bytes(
            (pathlib.Path(args.cases) / "model-syntax-error" / "files" / "ponte.txt").read_bytes())
        other = pathlib.Path(scratch) / "ponte.rtf"
        other.write_bytes(b"{\\rtf1}")

        url = page.as_uri()
        browser.open(url)
        browser.call("Browser.setDownloadBehavior",
                     {"behavior": "allow", "downloadPath": str(downloads), "eventsEnabled": True})
        browser.evaluate("window.quivor.pronto")
        browser.evaluate(WATCH)
        student = Student(browser)
        texts = browser.evaluate(
            "({h1: document.querySelector('h1').textContent,"
            " label: document.querySelector('label[for=modelo]').textContent,"
            " accept: document.getElementById('modelo').accept,"
            " body: document.body.innerText})")
        check.same("title", texts["h1"].startswith("quivor "), True)
        check.same("offline line", "sem instalar nada e sem usar a rede" in texts["body"], True)
        check.same("picker's label", texts["label"], "Modelo da ponte (arquivo .txt)")
        check.same("picker's files", texts["accept"], ".txt")

        # The keyboard: Tab reaches the picker first, with a visible outline.
        student.key("Tab", "Tab")
        focus = browser.evaluate(
            "({id: document.activeElement.id,"
            " outline: getComputedStyle(document.activeElement).outlineStyle})")
        check.same("first Tab", focus, {"id": "modelo", "outline": "solid"})

        # The Pratt bridge from the file picker.
        pratt = examples / "pratt.txt"
        model = pratt.read_bytes()
        _, report = native(program, [], "pratt", model, b"pratt\n\n")
        _, studied = native(study, ["pratt"], "pratt", model)
        student.choose(pratt)
        shown = browser.evaluate(SHOWN)
        check.same("pratt: shown", shown["shown"], True)
        check.same("pratt: heading", shown["title"], "Estudo de pratt")
        check.same("pratt: study shown", shown["srcdoc"], studied["pratt.html"].decode())
        check.same("pratt: study's title", shown["inner"], "pratt · quivor-study")
        check.same("pratt: links", (shown["relatorio"], shown["pagina"]), ("pratt.rtf", "pratt.html"))
        check.same("pratt: no refusal", shown["refused"], None)
        got = student.download("#baixar-relatorio", downloads, "pratt.rtf")
        check.same("pratt.rtf downloaded as quivor writes it", got, report["pratt.rtf"])
        got = student.download("#baixar-pagina", downloads, "pratt.html")
        check.same("pratt.html downloaded as quivor-study writes it", got, studied["pratt.html"])

        # The keyboard reaches the links, after the picker.
        browser.evaluate("document.getElementById('modelo').focus()")
        student.key("Tab", "Tab")
        check.same("Tab after the picker", browser.evaluate("document.activeElement.id"),
                   "baixar-relatorio")

        # Another model dropped on the study shown.
        teste = examples / "teste.txt"
        _, studied = native(study, ["teste"], "teste", teste.read_bytes())
        student.drop(teste, "#estudo")
        student.wait_done()
        shown = browser.evaluate(SHOWN)
        check.same("teste dropped on the study: heading", shown["title"], "Estudo de teste")
        check.same("teste dropped on the study: shown", shown["srcdoc"],
                   studied["teste.html"].decode())
        check.same("teste: links", (shown["relatorio"], shown["pagina"]), ("teste.rtf", "teste.html"))

        # A model the programs refuse, dropped on the heading: quivor-study's message.
        error, _ = native(study, ["ponte"], "ponte", refused.read_bytes())
        student.drop(refused, "h1")
        student.wait_done()
        shown = browser.evaluate(SHOWN)
        check.same("refused: study hidden", shown["shown"], False)
        check.same("refused: message", shown["refused"], error.strip())
        check.same("refused: message not empty", bool(error.strip()), True)
        check.same("refused: links", (shown["relatorio"], shown["pagina"]), (None, None))

        # A file that is not a model is not opened.
        student.drop(other, "#estado")
        student.wait_done()
        shown = browser.evaluate(SHOWN)
        check.same("not a .txt", shown["refused"],
                   "ponte.rtf não é um modelo: escolha um arquivo .txt.")

        # Still on the page: a drop never took its place.
        check.same("still the page", browser.evaluate("location.href"), url)
        problems = [problem for problem in browser.problems(url)
                    if not problem.startswith("request: blob:")]
        check.same("requests, exceptions and console errors", problems, [])


if __name__ == "__main__":
    sys.exit(main())
