"""quivor.html in headless Chromium beside the native programs: what the browser
tests of the page share. Exit status 77 (skipped) where Chromium or the page is
missing."""

import argparse
import contextlib
import pathlib
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "page"))
import chromium  # noqa: E402,F401

SKIPPED = 77


def arguments():
    parser = argparse.ArgumentParser()
    for name in ("page", "program", "study", "cases", "examples"):
        parser.add_argument(f"--{name}", required=True, type=lambda p: pathlib.Path(p).resolve())
    return parser.parse_args()


def native(program, args, files, typed=b""):
    """Runs a native program in a fresh folder: status, out, err (its folder as {CWD}) and
    the files left there."""
    with tempfile.TemporaryDirectory() as folder:
        for name, data in files.items():
            (pathlib.Path(folder) / name).write_bytes(data)
        run = subprocess.run([str(program), *args], input=typed, cwd=folder,
                             capture_output=True, timeout=300)
        left = {path.name: path.read_bytes() for path in pathlib.Path(folder).iterdir()
                if path.is_file()}
    return run.returncode, run.stdout, run.stderr.replace(folder.encode(), b"{CWD}"), left


class Checker:
    def __init__(self):
        self.failures = []
        self.checks = 0

    def same(self, what, got, expected):
        self.checks += 1
        if got != expected:
            self.failures.append(f"{what}: page {str(got)[:300]!r} != {str(expected)[:300]!r}")

    def clean(self, browser, url):
        """Nothing asked of the network (but the worker's blob), no console error."""
        problems = [problem for problem in browser.problems(url)
                    if not problem.startswith("request: blob:")]
        self.same("requests, exceptions and console errors", problems, [])

    def result(self):
        for failure in self.failures:
            print("FAIL", failure)
        print(f"{self.checks} comparisons, {len(self.failures)} failures")
        return 1 if self.failures else 0


@contextlib.contextmanager
def opened(page, timeout, script=None):
    """The page in a fresh browser once quivor.pronto has settled: (browser, url); `script`,
    when given, runs before the page's own."""
    executable = chromium.find_chromium()
    if executable is None or not page.exists():
        print(f"skipped: needs chromium and {page} (cmake --preset web && "
              "cmake --build --preset web)")
        sys.exit(SKIPPED)
    with chromium.Browser(executable, timeout=timeout) as browser:
        if script is not None:
            browser.page("Page.enable")
            browser.page("Page.addScriptToEvaluateOnNewDocument", {"source": script})
        browser.open(page.as_uri())
        if browser.evaluate("window.quivor.pronto.then((q) => q === window.quivor)") is not True:
            print("FAIL: window.quivor.pronto")
            sys.exit(1)
        yield browser, page.as_uri()
