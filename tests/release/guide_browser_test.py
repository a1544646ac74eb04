"""The users' guide in a real browser (headless Chromium over the DevTools
pipe): it loads with no console error and no request for anything but
itself (its pictures are data: URIs), every picture is decoded and shown,
every link leads to an element of the page, and no two elements share an
id.

It also makes the guide's pictures afresh from the program as it is now,
in --out: the study's page of the bundled Pratt bridge (its top and the
drawing of load case 1) and the first two printed sheets of its template.
Those committed in docs/ are compared with them by size; a difference is
reported, not failed (fonts differ between machines): to refresh them,
copy the new ones over (see the README's release section).

Exit status 77 (skipped) where Chromium or poppler-utils are missing."""

import argparse
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "page"))
import chromium  # noqa: E402
from checks import Checks  # noqa: E402

SKIPPED = 77
WIDTH = 1000
SHEET_DPI = 80

CHECK_GUIDE = """(() => {
  const ids = [...document.querySelectorAll('[id]')].map(e => e.id);
  return {
    pictures: [...document.images].map(i => ({
      src: i.getAttribute('src').slice(0, 30), shown: i.complete && i.naturalWidth > 0,
      alt: i.alt})),
    links: [...document.querySelectorAll('a[href]')].map(a => a.getAttribute('href')),
    ids: ids,
    duplicates: ids.filter((id, at) => ids.indexOf(id) !== at),
    title: document.title, lang: document.documentElement.lang};
})()"""


def png_size(path):
    with open(path, "rb") as picture:
        head = picture.read(24)
    return struct.unpack(">II", head[16:24])


def make_pictures(browser, study, examples, out):
    """The study's page and template of the Pratt bridge, as the guide shows them."""
    work = os.path.join(out, "modelos")
    os.makedirs(work)
    shutil.copy(os.path.join(examples, "pratt.txt"), work)
    subprocess.run([study, "pratt"], cwd=work, check=True, stdout=subprocess.DEVNULL)
    page = os.path.join(work, "pratt.html")
    browser.open("file://" + page, width=WIDTH)
    drawing = browser.box("#desenho")
    browser.screenshot(os.path.join(out, "guia-pagina.png"),
                       {"x": 0, "y": 0, "width": WIDTH, "height": drawing["y"] + drawing["height"] + 12})
    browser.evaluate("document.querySelector('label[for=\"r-vista-caso-1\"]').click();"
                     " document.activeElement.blur()")
    browser.screenshot(os.path.join(out, "guia-caso.png"), browser.box("#desenho"))
    pdf = os.path.join(out, "pratt-gabarito.pdf")
    browser.pdf(pdf)
    for number, name in ((1, "guia-gabarito-capa"), (2, "guia-gabarito-folha")):
        subprocess.run(["pdftoppm", "-png", "-r", str(SHEET_DPI), "-f", str(number), "-l",
                        str(number), "-singlefile", pdf, os.path.join(out, name)], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--guide", required=True, help="the built LEIA-ME.html")
    parser.add_argument("--study", required=True, help="the quivor-study program")
    parser.add_argument("--examples", required=True, help="the bundled examples' folder")
    parser.add_argument("--docs", required=True, help="the guide's committed pictures")
    parser.add_argument("--out", required=True, help="where the pictures go")
    args = parser.parse_args()

    browser_path = chromium.find_chromium()
    if not browser_path or not shutil.which("pdftoppm"):
        print("skipped: chromium or pdftoppm not found (Debian: chromium, poppler-utils)")
        return SKIPPED
    out = os.path.abspath(args.out)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)

    checks = Checks()
    with chromium.Browser(browser_path) as browser:
        url = "file://" + os.path.abspath(args.guide)
        browser.open(url, width=WIDTH)
        browser.drain()
        problems = [p for p in browser.problems(url) if not p.startswith("request: data:")]
        checks.expect(not problems, f"the guide loads with no error and no request: {problems}")
        found = browser.evaluate(CHECK_GUIDE)
        checks.expect(found["lang"] == "pt-BR" and found["title"],
                      f"title and language: {found['title']!r}")
        checks.expect(len(found["pictures"]) >= 4, f"{len(found['pictures'])} pictures")
        for picture in found["pictures"]:
            checks.expect(picture["shown"] and picture["src"].startswith("data:image/")
                          and picture["alt"], f"picture shown, embedded, described: {picture}")
        ids = set(found["ids"])
        for link in found["links"]:
            checks.expect(link.startswith("#") and link[1:] in ids,
                          f"link {link} leads into the guide")
        checks.expect(not found["duplicates"], f"ids used twice: {found['duplicates']}")
        height = browser.evaluate("document.documentElement.scrollHeight")
        browser.screenshot(os.path.join(out, "LEIA-ME.png"),
                           {"x": 0, "y": 0, "width": WIDTH, "height": height})
        make_pictures(browser, os.path.abspath(args.study), args.examples, out)

    for name in sorted(f for f in os.listdir(out) if f.startswith("guia-")):
        committed = os.path.join(args.docs, name)
        if not os.path.exists(committed) or png_size(committed) != png_size(os.path.join(out, name)):
            print(f"note: docs/{name} is not the size of the page as drawn now "
                  f"({os.path.join(out, name)})")
    print(f"The guide's screenshot and fresh pictures in {out}")
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
