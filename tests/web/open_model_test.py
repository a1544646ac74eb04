"""quivor.html as a student uses it, in headless Chromium with real input: a
model chosen with the file picker, others dropped; the study shown and the files
downloaded are the native programs' byte for byte, a refused model shows their
message, a file that is not a .txt is not opened, the keyboard reaches the picker
and the links with a visible focus, and nothing is asked of the network."""

import pathlib
import sys
import tempfile
import time

from web_page import Checker, arguments, chromium, native, opened


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
        box = self.browser.evaluate(
            f"(() => {{ const e = document.querySelector('{selector}'); e.scrollIntoView();"
            " const r = e.getBoundingClientRect(); return {x: r.x, y: r.y, width: r.width,"
            " height: r.height}; })()")
        x, y = box["x"] + box["width"] / 2, box["y"] + min(box["height"] / 2, 40)
        data = {"items": [], "files": [str(path)], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            self.browser.page("Input.dispatchDragEvent", {"type": kind, "x": x, "y": y, "data": data})

    def tab(self):
        for kind in ("rawKeyDown", "keyUp"):
            self.browser.page("Input.dispatchKeyEvent", {"type": kind, "key": "Tab", "code": "Tab",
                                                         "windowsVirtualKeyCode": 9})

    def download(self, selector, folder, name):
        """Clicks a link and waits for the browser to have saved its file."""
        box = self.browser.box(selector)
        x, y = box["x"] + box["width"] / 2, box["y"] + box["height"] / 2
        self.browser.page("Runtime.evaluate", {"expression": f"scrollTo(0, {y - 200})"})
        y -= self.browser.evaluate("scrollY")
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            self.browser.page("Input.dispatchMouseEvent",
                              {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1})
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            self.browser.drain(0.1)
            done = [event for event in self.browser.events
                    if event["method"] == "Browser.downloadProgress"
                    and event["params"]["state"] in ("completed", "canceled")]
            for event in done:
                self.browser.events.remove(event)
            if done:
                path = pathlib.Path(folder) / name
                return path.read_bytes() if path.exists() else None
        return None


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
    args = arguments()
    check = Checker()
    try:
        with opened(args.page, timeout=120) as (browser, url):
            use_page(args, browser, url, check)
    except (NotOpened, chromium.ProtocolError) as error:
        check.failures.append(str(error)[:500])
    return check.result()


def use_page(args, browser, url, check):
    with tempfile.TemporaryDirectory() as scratch:
        downloads = pathlib.Path(scratch) / "baixados"
        downloads.mkdir()
        refused = pathlib.Path(scratch) / "ponte.txt"
        refused.write_bytes((args.cases / "model-syntax-error" / "files" / "ponte.txt").read_bytes())
        other = pathlib.Path(scratch) / "ponte.rtf"
        other.write_bytes(b"{\\rtf1}")
        browser.call("Browser.setDownloadBehavior",
                     {"behavior": "allow", "downloadPath": str(downloads), "eventsEnabled": True})
        browser.evaluate(WATCH)
        student = Student(browser)
        check.same("picker", browser.evaluate(
            "[document.querySelector('label[for=modelo]').textContent,"
            " document.getElementById('modelo').accept]"), ["Modelo da ponte (arquivo .txt)", ".txt"])

        # The keyboard: Tab reaches the picker first, with a visible outline.
        student.tab()
        focus = browser.evaluate(
            "({id: document.activeElement.id,"
            " outline: getComputedStyle(document.activeElement).outlineStyle})")
        check.same("first Tab", focus, {"id": "modelo", "outline": "solid"})

        # The Pratt bridge from the file picker, then another model dropped on
        # the study shown: quivor-study's page shown, the links to the files.
        for name, give in (("pratt", student.choose),
                           ("teste", lambda path: student.drop(path, "#estudo") or student.wait_done())):
            path = args.examples / f"{name}.txt"
            _, _, _, studied = native(args.study, [name], {path.name: path.read_bytes()})
            give(path)
            shown = browser.evaluate(SHOWN)
            check.same(f"{name}: shown", shown, {
                "shown": True, "title": f"Estudo de {name}", "srcdoc": studied[f"{name}.html"].decode(),
                "inner": f"{name} · quivor-study", "relatorio": f"{name}.rtf",
                "pagina": f"{name}.html", "refused": None, "state": shown["state"]})
            if name != "pratt":
                continue
            _, _, _, report = native(args.program, [], {path.name: path.read_bytes()}, b"pratt\n\n")
            got = student.download("#baixar-relatorio", downloads, "pratt.rtf")
            check.same("pratt.rtf downloaded as quivor writes it", got, report["pratt.rtf"])
            got = student.download("#baixar-pagina", downloads, "pratt.html")
            check.same("pratt.html downloaded as quivor-study writes it", got, studied["pratt.html"])
            # The keyboard reaches the editor's buttons after the picker, then the links.
            browser.evaluate("document.getElementById('modelo').focus()")
            student.tab()
            check.same("Tab after the picker", browser.evaluate("document.activeElement.id"),
                       "nova-ponte")
            browser.evaluate("document.getElementById('desenho').focus()")
            for _ in range(40):
                student.tab()
                if browser.evaluate("document.activeElement.id") == "baixar-relatorio":
                    break
            check.same("Tab reaches the links", browser.evaluate("document.activeElement.id"),
                       "baixar-relatorio")

        # A model the programs refuse, dropped on the heading: quivor-study's
        # message; a file that is not a model is not opened.
        _, _, error, _ = native(args.study, ["ponte"], {"ponte.txt": refused.read_bytes()})
        for path, selector, message in (
                (refused, "h1", error.decode().strip()),
                (other, "#estado", "ponte.rtf não é um modelo: escolha um arquivo .txt.")):
            student.drop(path, selector)
            student.wait_done()
            shown = browser.evaluate(SHOWN)
            check.same(f"{path.name} refused", (shown["shown"], shown["refused"], shown["relatorio"],
                                                shown["pagina"]), (False, message, None, None))

        # Still on the page: a drop never took its place.
        check.same("still the page", browser.evaluate("location.href"), url)
        check.clean(browser, url)


if __name__ == "__main__":
    sys.exit(main())
