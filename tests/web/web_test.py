"""quivor.html in headless Chromium against the native programs, byte for byte.

Every end-to-end case of quivor that a page can run (a model and what is
typed at the console; no fault of the file system or the console), and a
batch of models made by `quivor-study nova` across types and panel counts,
with perturbed versions of each (nodes moved, a bar taken out, the node
lines reversed): the report, the exit status, the console and standard
error of quivor; the JSON document, the page and the console of
quivor-study; the files of nova, renumerar and otimizar (in the page's
worker, with its progress, and stopped). The page must ask for nothing but
itself.

Exit status 77 (skipped) where Chromium or the page is missing.
"""

import argparse
import base64
import json
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "page"))
import chromium  # noqa: E402

SKIPPED = 77
WEB_FOLDER = "/quivor"  # the page's working folder, in fatal error reports

# End-to-end cases that do not apply to the page, by the start of their
# names: faults of the file system or the console that memory does not
# have, and cases made for Windows.
NOT_FOR_THE_PAGE = (
    "failure-",  # simulated system failures, FIFOs, links, a full device
    "write-full-device",
    "open-folder",  # a folder where the model should be
    "results-folder-in-the-way",
    "open-missing-folder-on-path",
    "open-txt-txt",  # a second file beside the model
    "name-too-long",  # names the file system refuses
    "name-of-2049",
    "hostile-nul-in-name",
    "windows-",
    "hostile-100mb-",  # 100 MB models: minutes in a browser, nothing new
)

HELPERS = r"""
window.webTest = {
  b64(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  },
  bytes(text) { return Uint8Array.from(atob(text), (c) => c.charCodeAt(0)); },
};
"""


def b64(data):
    return base64.b64encode(data).decode()


class Web:
    def __init__(self, browser):
        self.browser = browser

    def quivor(self, model, typed):
        model_js = "null" if model is None else f"webTest.bytes('{b64(model)}')"
        result = self.browser.evaluate(
            f"(() => {{ const r = QuivorPrograms.quivor({model_js}, webTest.bytes('{b64(typed)}'));"
            " return {status: r.status, saida: r.saida, erro: r.erro,"
            " relatorio: r.relatorio && webTest.b64(r.relatorio)}; })()")
        if result["relatorio"] is not None:
            result["relatorio"] = base64.b64decode(result["relatorio"])
        return result

    def relatorio(self, model, name):
        result = self.browser.evaluate(
            f"(() => {{ const r = quivor.relatorio(webTest.bytes('{b64(model)}'), {js(name)});"
            " return {status: r.status, saida: r.saida, erro: r.erro,"
            " relatorio: r.relatorio && webTest.b64(r.relatorio)}; })()")
        if result["relatorio"] is not None:
            result["relatorio"] = base64.b64decode(result["relatorio"])
        return result

    def api(self, call):
        return self.browser.evaluate(call)


def native_run(program, args, files, typed=b""):
    """Runs a native program in a fresh folder: status, out, err and the folder's files."""
    with tempfile.TemporaryDirectory() as folder:
        for name, data in files.items():
            (pathlib.Path(folder) / name).write_bytes(data)
        run = subprocess.run([program, *args], input=typed, cwd=folder, capture_output=True,
                             timeout=300)
        left = {path.name: path.read_bytes() for path in pathlib.Path(folder).iterdir()
                if path.is_file()}
        err = run.stderr.replace(folder.encode(), b"{CWD}")
    return run.returncode, run.stdout, err, left


class Checker:
    def __init__(self):
        self.failures = []
        self.checks = 0

    def same(self, what, web, native):
        self.checks += 1
        if web != native:
            self.failures.append(f"{what}: page {str(web)[:300]!r} != native {str(native)[:300]!r}")


def text(data):
    return data.decode("utf-8", errors="replace")


def check_quivor(check, web, program, what, model_name, model, typed, name=None, results=None):
    """quivor on a model and what is typed (through quivor.relatorio with the name alone)."""
    files = {} if model is None else {model_name: model}
    status, out, err, left = native_run(program, [], files, typed)
    got = web.quivor(model, typed) if name is None else web.relatorio(model, name)
    check.same(f"{what}: status", got["status"], status)
    check.same(f"{what}: console", got["saida"], text(out))
    check.same(f"{what}: error", got["erro"].replace(WEB_FOLDER, "{CWD}"), text(err))
    if results is None and model_name:
        results = model_name[:-4] + ".rtf"
    check.same(f"{what}: report", got["relatorio"], left.get(results))


def e2e_cases(folder):
    for case in sorted(pathlib.Path(folder).iterdir()):
        if not case.is_dir() or case.name.startswith(NOT_FOR_THE_PAGE):
            continue
        if any((case / extra).exists() for extra in ("program", "ulimit-v")):
            continue
        platforms = case / "platforms"
        if platforms.exists() and "linux" not in platforms.read_text().split():
            continue
        # The page holds one file, the model; an older report beside it (which
        # the case proves untouched) is left out of both runs. A setup may
        # make the model; one that makes anything but files is not for the page.
        with tempfile.TemporaryDirectory() as folder:
            if (case / "files").is_dir():
                for path in (case / "files").iterdir():
                    shutil.copy(path, folder)
            if (case / "setup").exists():
                subprocess.run(["bash", str((case / "setup").resolve())], cwd=folder, check=True,
                               capture_output=True)
            entries = list(pathlib.Path(folder).iterdir())
            if any(path.is_symlink() or not path.is_file() for path in entries):
                continue
            models = [path for path in entries if path.suffix == ".txt"]
            if len(models) > 1:
                continue
            model = (models[0].name, models[0].read_bytes()) if models else (None, None)
        typed = (case / "input").read_bytes() if (case / "input").exists() else b""
        results = (case / "results").read_text().strip() if (case / "results").exists() else None
        yield case.name, model, typed, results


def check_e2e(check, web, program, folder):
    count = 0
    for name, (model_name, model), typed, results in e2e_cases(folder):
        check_quivor(check, web, program, f"e2e {name}", model_name, model, typed,
                     results=results)
        count += 1
    return count


def js(value):
    return json.dumps(value)


def check_study(check, web, study, what, name, model, options):
    """estudar and pagina for one model, against quivor-study."""
    args = []
    for key, option in (("limitePeso", "--limite-peso"), ("fio", "--fio")):
        if key in options:
            args += [option, str(options[key])]
    files = {name + ".txt": model}
    status, out, err, _ = native_run(study, [name, "--json", "--sem-pagina", *args], files)
    got = web.api(f"quivor.estudar(webTest.bytes('{b64(model)}'), {js({'nome': name, **options})})")
    check.same(f"{what}: study status", got["status"], status)
    check.same(f"{what}: JSON", got["json"], text(out).removesuffix("\n"))
    check.same(f"{what}: study error", got["erro"], text(err))
    status, out, err, left = native_run(study, [name, *args], files)
    got = web.api(f"quivor.pagina(webTest.bytes('{b64(model)}'), {js({'nome': name, **options})})")
    check.same(f"{what}: page status", got["status"], status)
    check.same(f"{what}: page", got["pagina"], text(left[name + ".html"]) if name + ".html" in left
               else None)
    check.same(f"{what}: page console", got["saida"], text(out))
    check.same(f"{what}: page error", got["erro"], text(err))


def check_renumber(check, web, study, what, name, model):
    status, out, err, left = native_run(study, ["renumerar", name], {name + ".txt": model})
    got = web.api(f"quivor.renumerar(webTest.bytes('{b64(model)}'), {js({'nome': name})})")
    check.same(f"{what}: renumerar status", got["status"], status)
    check.same(f"{what}: renumerar model", got["modelo"],
               text(left[name + "-renumerado.txt"]) if name + "-renumerado.txt" in left else None)
    check.same(f"{what}: renumerar console", got["saida"], text(out))
    check.same(f"{what}: renumerar error", got["erro"], text(err))


def check_optimize(check, web, study, what, name, model):
    """otimizar in the page's worker against quivor-study otimizar; its progress lines, timed,
    differ from run to run: only the last one, the summary, is compared."""
    status, out, err, left = native_run(study, ["otimizar", name], {name + ".txt": model})
    got = web.api(
        "(async () => { const seen = []; const run = quivor.otimizar("
        f"webTest.bytes('{b64(model)}'),"
        f" {{nome: {js(name)}, progresso: (line) => seen.push(line)}});"
        " const r = await run.promessa; return {...r, seen}; })()")
    check.same(f"{what}: otimizar status", got["status"], status)
    for suffix, key in (("-otimizado.txt", "modelo"), ("-otimizado.html", "pagina")):
        check.same(f"{what}: otimizar {key}", got[key],
                   text(left[name + suffix]) if name + suffix in left else None)
    check.same(f"{what}: otimizar console", got["saida"], text(out))
    summary = text(err).rsplit("\r", 1)[-1].rstrip()
    check.same(f"{what}: otimizar summary", got["erro"].rsplit("\r", 1)[-1].rstrip(), summary)
    check.same(f"{what}: otimizar progress", got["seen"][-1:], [summary] if summary else [])


def check_optimize_cancelled(check, web, model):
    got = web.api(f"(async () => {{ const run = quivor.otimizar(webTest.bytes('{b64(model)}'));"
                  " run.cancelar(); return await run.promessa; })()")
    check.same("otimizar cancelled", got, {"cancelado": True})


NOVA_OPTIONS = {"tipo": "--tipo", "vao": "--vao", "altura": "--altura", "paineis": "--paineis",
                "carga": "--carga", "cargaDistribuida": "--carga-distribuida"}


def nova_models():
    """(what, options of nova) across the types, panel counts and sizes."""
    sizes = [(100, 15, 4, 50), (60, 12.5, 3, 7.5), (120, 20, 8, 100), (75.4, 9.8, 13, 12.25)]
    for kind in ("pratt", "howe", "warren", "warren-montantes", "k", "arco"):
        for i, (span, height, panels, load) in enumerate(sizes):
            options = {"tipo": kind, "vao": span, "altura": height, "paineis": panels,
                       "carga": load}
            if i == 1:
                options["cargaDistribuida"] = True
            yield f"{kind}-{panels}", options


def check_nova(check, web, study, name, options):
    args = ["nova", name]
    for key, option in NOVA_OPTIONS.items():
        if options.get(key) is True:
            args.append(option)
        elif key in options:
            args += [option, str(options[key])]
    status, out, err, left = native_run(study, args, {})
    got = web.api(f"quivor.nova({js({'nome': name, **options})})")
    check.same(f"nova {name}: status", got["status"], status)
    check.same(f"nova {name}: model", got["modelo"], text(left.get(name + ".txt", b"")) or None)
    check.same(f"nova {name}: console", got["saida"], text(out))
    check.same(f"nova {name}: error", got["erro"], text(err))
    return left.get(name + ".txt")


def perturbed(model, seed):
    """Versions of a model: nodes moved, the last bar taken out, the node lines reversed."""
    lines = model.decode().split("\n")
    nodes, bars = int(lines[0]), int(lines[1])
    node_lines = lines[2:2 + nodes]
    rng = random.Random(seed)
    moved = list(lines)
    for i, line in enumerate(node_lines):
        label, x, y = line.split()
        if float(y) != 0.0:
            y = f"{float(y) + rng.uniform(-3, 3):.2f}"
            x = f"{float(x) + rng.uniform(-1, 1):.3f}"
        moved[2 + i] = f"{label} {x} {y}"
    yield "moved", "\n".join(moved).encode()
    fewer = list(lines)
    fewer[1] = str(bars - 1)
    del fewer[2 + nodes + bars - 1]
    yield "bar-out", "\n".join(fewer).encode()
    reversed_lines = lines[:2] + node_lines[::-1] + lines[2 + nodes:]
    yield "reversed", "\n".join(reversed_lines).encode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--study", required=True)
    parser.add_argument("--cases", required=True)
    parser.add_argument("--examples", required=True)
    args = parser.parse_args()
    args.program = str(pathlib.Path(args.program).resolve())
    args.study = str(pathlib.Path(args.study).resolve())

    executable = chromium.find_chromium()
    page = pathlib.Path(args.page).resolve()
    if executable is None or not page.exists():
        print(f"skipped: needs chromium and {page} (cmake --preset web && "
              "cmake --build --preset web)")
        return SKIPPED

    check = Checker()
    # One file that holds everything, within 4 MB.
    check.same("page size within 4 MB", page.stat().st_size <= 4 << 20, True)
    url = page.as_uri()
    with chromium.Browser(executable, timeout=300) as browser:
        browser.open(url)
        browser.evaluate(HELPERS)
        if browser.evaluate("window.quivor.pronto.then((q) => q === window.quivor)") is not True:
            print("FAIL: window.quivor.pronto")
            return 1
        web = Web(browser)

        cases = check_e2e(check, web, args.program, args.cases)

        examples = sorted(pathlib.Path(args.examples).glob("*.txt"))
        for example in examples:
            model = example.read_bytes()
            check_quivor(check, web, args.program, f"example {example.name}", example.name, model,
                         example.stem.encode() + b"\n\n", name=example.stem)
            check_study(check, web, args.study, f"example {example.name}", example.stem, model,
                        {"limitePeso": 500, "fio": "30,5"})

        # Models the programs refuse, and a first model asked for wrongly: the
        # programs' own messages and statuses, never an exception.
        for case in ("model-bar-unknown-node", "model-syntax-error", "model-eof"):
            model = (pathlib.Path(args.cases) / case / "files" / "ponte.txt").read_bytes()
            check_study(check, web, args.study, f"refused {case}", "ponte", model,
                        {"limitePeso": "0"} if case == "model-eof" else {})
            check_renumber(check, web, args.study, f"refused {case}", "ponte", model)
        for options in ({}, {"carga": -1}, {"tipo": "treliça", "carga": 1},
                        {"carga": "2,5", "paineis": 2.5}):
            check_nova(check, web, args.study, "errada", options)

        generated = 0
        for index, (name, options) in enumerate(nova_models()):
            model = check_nova(check, web, args.study, name, options)
            if model is None:
                continue
            versions = [("as-made", model), *perturbed(model, index)]
            for version, data in versions:
                what = f"{name} {version}"
                check_quivor(check, web, args.program, what, "ponte.txt", data, b"ponte\n\n",
                             name="ponte")
                check_study(check, web, args.study, what, "ponte", data, {})
                if version in ("as-made", "reversed"):
                    check_renumber(check, web, args.study, what, "ponte", data)
                if index % 8 == 0 and version in ("as-made", "moved"):
                    check_optimize(check, web, args.study, what, "ponte", data)
                generated += 1
            if index == 0:
                check_optimize_cancelled(check, web, model)

        # Nothing the programs do reaches the network (the worker's script is
        # a blob the page makes); the console is clean.
        problems = [problem for problem in browser.problems(url)
                    if not problem.startswith("request: blob:")]
        check.same("requests, exceptions and console errors", problems, [])

    print(f"{cases} end-to-end cases, {len(examples)} examples, {generated} generated models: "
          f"{check.checks} comparisons")
    for failure in check.failures:
        print("FAIL", failure)
    return 1 if check.failures else 0


if __name__ == "__main__":
    sys.exit(main())
