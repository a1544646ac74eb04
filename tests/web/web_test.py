"""quivor.html in headless Chromium against the native programs, byte for byte:
every end-to-end case of quivor a page can run, and models made by nova across
types and panel counts with perturbed versions of each; quivor's report, status,
console and errors, and every command of quivor-study (otimizar in the page's
worker, and stopped). The page must ask for nothing but itself."""

import base64
import json
import pathlib
import random
import re
import shutil
import subprocess
import sys
import tempfile

from web_page import Checker, arguments, native, opened

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


def js(value):
    return json.dumps(value)


def text(data):
    return None if data is None else data.decode("utf-8", errors="replace")


def compare(check, what, got, expected):
    """One comparison per field the page and the native program both give."""
    for key, value in expected.items():
        check.same(f"{what}: {key}", got[key], value)


def check_quivor(check, web, program, what, model_name, model, typed, name=None, results=None):
    """quivor on a model and what is typed (through quivor.relatorio with the name alone)."""
    status, out, err, left = native(program, [], {} if model is None else {model_name: model}, typed)
    model_js = "null" if model is None else f"webTest.bytes('{b64(model)}')"
    call = (f"QuivorPrograms.quivor({model_js}, webTest.bytes('{b64(typed)}'))" if name is None
            else f"quivor.relatorio({model_js}, {js(name)})")
    got = web.evaluate(
        f"(() => {{ const r = {call}; return {{status: r.status, saida: r.saida, erro: r.erro,"
        " relatorio: r.relatorio && webTest.b64(r.relatorio)}; })()")
    got["relatorio"] = got["relatorio"] and base64.b64decode(got["relatorio"])
    got["erro"] = got["erro"].replace(WEB_FOLDER, "{CWD}")
    if results is None and model_name:
        results = model_name[:-4] + ".rtf"
    compare(check, what, got, {"status": status, "saida": text(out), "erro": text(err),
                               "relatorio": left.get(results)})
    return got


def e2e_cases(folder):
    for case in sorted(pathlib.Path(folder).iterdir()):
        platforms = case / "platforms"
        if (not case.is_dir() or case.name.startswith(NOT_FOR_THE_PAGE)
                or (case / "program").exists() or (case / "ulimit-v").exists()
                or platforms.exists() and "linux" not in platforms.read_text().split()):
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


# quivor-study's commands on the page: the call, the native arguments, and
# the files (by the end of their names) the call gives back as a field.
STUDY = {
    "estudar": ("quivor.estudar", ["--json", "--sem-pagina"], {}),
    "pagina": ("quivor.pagina", [], {"pagina": ".html"}),
    "renumerar": ("quivor.renumerar", ["renumerar"], {"modelo": "-renumerado.txt"}),
}


def check_study(check, web, study, what, command, name, model, options=None):
    """One command of quivor-study on one model, the page against the native program."""
    call, args, outputs = STUDY[command]
    options = {} if command == "renumerar" else options or {}
    args = [args[0], name] if command == "renumerar" else [name, *args, *flags(options)]
    status, out, err, left = native(study, args, {name + ".txt": model})
    got = web.evaluate(f"{call}(webTest.bytes('{b64(model)}'), {js({'nome': name, **options})})")
    expected = {"status": status, "saida": text(out), "erro": text(err)}
    if command == "estudar":  # the JSON document is its console
        expected = {"status": status, "json": text(out).removesuffix("\n"), "erro": text(err)}
    expected.update({key: text(left.get(name + end)) for key, end in outputs.items()})
    compare(check, f"{what} {command}", got, expected)
    return got


def check_optimize(check, web, study, what, name, model):
    """otimizar in the page's worker against quivor-study otimizar; its progress lines, timed,
    differ from run to run: only the last one, the summary, is compared."""
    status, out, err, left = native(study, ["otimizar", name], {name + ".txt": model})
    got = web.evaluate(
        "(async () => { const seen = []; const run = quivor.otimizar("
        f"webTest.bytes('{b64(model)}'),"
        f" {{nome: {js(name)}, progresso: (line) => seen.push(line)}});"
        " const r = await run.promessa; return {...r, seen}; })()")
    summary = text(err).rsplit("\r", 1)[-1].rstrip()
    got["erro"] = got["erro"].rsplit("\r", 1)[-1].rstrip()
    got["seen"] = got["seen"][-1:]
    compare(check, f"{what} otimizar", got, {
        "status": status, "saida": text(out), "erro": summary,
        "seen": [summary] if summary else [],
        "modelo": text(left.get(name + "-otimizado.txt")),
        "pagina": text(left.get(name + "-otimizado.html"))})


# Options as the programs' flags, in the order the page gives them.
FLAGS = ["tipo", "vao", "altura", "paineis", "carga", "cargaDistribuida", "limitePeso", "fio",
         "trelicas", "cola", "pesoExtra"]


def flags(options):
    args = []
    for key in sorted(options, key=FLAGS.index):
        flag = "--" + re.sub("[A-Z]", lambda upper: "-" + upper[0].lower(), key)
        args += [flag] if options[key] is True else [flag, str(options[key])]
    return args


def nova_models():
    """(what, options of nova) across the types, panel counts and sizes."""
    sizes = [(100, 15, 4, 50), (60, 12.5, 3, 7.5), (120, 20, 8, 100), (75.4, 9.8, 13, 12.25)]
    for kind in ("pratt", "howe", "warren", "warren-montantes", "k", "arco"):
        for i, (span, height, panels, load) in enumerate(sizes):
            distributed = {"cargaDistribuida": True} if i == 1 else {}
            yield f"{kind}-{panels}", {"tipo": kind, "vao": span, "altura": height,
                                       "paineis": panels, "carga": load, **distributed}


def check_nova(check, web, study, name, options):
    status, out, err, left = native(study, ["nova", name, *flags(options)], {})
    got = web.evaluate(f"quivor.nova({js({'nome': name, **options})})")
    compare(check, f"nova {name}", got, {"status": status, "saida": text(out), "erro": text(err),
                                         "modelo": text(left.get(name + ".txt"))})
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
    args = arguments()
    check = Checker()
    # One file that holds everything, within 4 MB.
    check.same("page size within 4 MB", args.page.stat().st_size <= 4 << 20, True)
    with opened(args.page, timeout=300) as (web, url):
        web.evaluate(HELPERS)
        cases = 0
        for name, (model_name, model), typed, results in e2e_cases(args.cases):
            check_quivor(check, web, args.program, f"e2e {name}", model_name, model, typed,
                         results=results)
            cases += 1

        examples = sorted(args.examples.glob("*.txt"))
        for example in examples:
            model = example.read_bytes()
            check_quivor(check, web, args.program, f"example {example.name}", example.name, model,
                         example.stem.encode() + b"\n\n", name=example.stem)
            for command in ("estudar", "pagina"):
                check_study(check, web, args.study, f"example {example.name}", command,
                            example.stem, model, {"limitePeso": 500, "fio": "30,5",
                                                  "trelicas": 3, "cola": "0,5", "pesoExtra": 40})

        # Models the programs refuse, and a first model asked for wrongly: the
        # programs' own messages and statuses, never an exception.
        for case in ("model-bar-unknown-node", "model-syntax-error", "model-eof"):
            model = (args.cases / case / "files" / "ponte.txt").read_bytes()
            for command in STUDY:
                check_study(check, web, args.study, f"refused {case}", command, "ponte", model,
                            {"limitePeso": "0"} if case == "model-eof" else {})
        for options in ({}, {"carga": -1}, {"tipo": "treliça", "carga": 1},
                        {"carga": "2,5", "paineis": 2.5}):
            check_nova(check, web, args.study, "errada", options)

        generated = 0
        for index, (name, options) in enumerate(nova_models()):
            model = check_nova(check, web, args.study, name, options)
            if model is None:
                continue
            for version, data in [("as-made", model), *perturbed(model, index)]:
                what = f"{name} {version}"
                check_quivor(check, web, args.program, what, "ponte.txt", data, b"ponte\n\n",
                             name="ponte")
                for command in ("estudar", "pagina", "renumerar"):
                    if command != "renumerar" or version in ("as-made", "reversed"):
                        check_study(check, web, args.study, what, command, "ponte", data)
                if index % 8 == 0 and version in ("as-made", "moved"):
                    check_optimize(check, web, args.study, what, "ponte", data)
                generated += 1
            if index == 0:  # otimizar stopped
                got = web.evaluate(f"(async () => {{ const run = quivor.otimizar(webTest.bytes("
                                   f"'{b64(model)}')); run.cancelar(); return await run.promessa; }})()")
                check.same("otimizar cancelled", got, {"cancelado": True})

        # Nothing the programs do reaches the network (the worker's script is
        # a blob the page makes); the console is clean.
        check.clean(web, url)

    print(f"{cases} end-to-end cases, {len(examples)} examples, {generated} generated models")
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
