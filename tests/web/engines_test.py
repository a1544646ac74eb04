"""quivor.html's two engines, the one whose solver runs in 128-bit SIMD and the
one for browsers without it, byte for byte against each other and against the
native programs: one sequence of calls in each page, every run in the instance
the last one left (models made by nova, bands wide enough for the solver's
blocks, and calls that fail or end the program in between)."""

import pathlib
import sys

from web_page import Checker, arguments, opened
from web_test import HELPERS, check_nova, check_quivor, check_study, nova_models, perturbed

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent.parent / "bench"))
from web_bench import truss_model  # noqa: E402

# Run before the page's scripts: the byte counts of what the page compiles,
# and, for the second page, a browser that validates no SIMD module.
RECORD = ("window.compiledSizes = []; const compile = WebAssembly.compile;"
          " WebAssembly.compile = (bytes) => { compiledSizes.push(bytes.length);"
          " return compile(bytes); };"
          " window.instances = 0; const Instance = WebAssembly.Instance;"
          " WebAssembly.Instance = function (module, imports) { instances++;"
          " return new Instance(module, imports); };")
NO_SIMD = "WebAssembly.validate = () => false;"

# The engine a page compiled: the element its bytes came from.
ENGINE = ("['quivor-motor', 'quivor-motor-simd'].filter((id) =>"
          " atob(document.getElementById(id).textContent.trim()).length === compiledSizes[0])")


def calls(check, web, args):
    """One sequence of calls, each checked against the native program: (what, result)."""
    refused = (args.cases / "model-syntax-error" / "files" / "ponte.txt").read_bytes()
    ended = (args.cases / "model-eof" / "files" / "ponte.txt").read_bytes()
    study = lambda what, command, model: (  # noqa: E731
        f"{what} {command}", check_study(check, web, args.study, what, command, "ponte", model))
    results = [study("refused", "estudar", refused)]
    for what, model in [("wide band, 60 nodes, 2 cases", truss_model(60, 2, True)),
                        ("wide band, 150 nodes, 8 cases", truss_model(150, 8, True)),
                        ("narrow band, 40 nodes, 3 cases", truss_model(40, 3, False))]:
        # A refused model's page after a page made: no page left over.
        results += [study(what, "estudar", model), study(what, "pagina", model),
                    study("refused", "pagina", refused)]
        results.append(("quivor on a model cut short", check_quivor(
            check, web, args.program, "quivor on a model cut short", "ponte.txt", ended,
            b"ponte\n\n", name="ponte")))
        results.append(study("empty", "estudar", b""))
    for index, (name, options) in enumerate(list(nova_models())[::5]):
        model = check_nova(check, web, args.study, name, options)
        if model is None:
            continue
        for version, data in [("as-made", model), *perturbed(model, index)]:
            results.append(study(f"{name} {version}", "estudar", data))
    return results


def run(args, script):
    """The engine the page chose, and every call's result in turn."""
    check = Checker()
    with opened(args.page, timeout=300, script=script) as (web, url):
        web.evaluate(HELPERS)
        engine = web.evaluate(ENGINE)
        results = calls(check, web, args)
        # Runs share instances: a new one only after a program ended itself.
        instances = web.evaluate("instances")
        check.same(f"{instances} instances for {len(results)} runs", instances < len(results) / 2,
                   True)
        check.clean(web, url)
    return check, engine, results


def main():
    args = arguments()
    check, simd, fast = run(args, RECORD)
    check.same("engine where the browser has SIMD", simd, ["quivor-motor-simd"])
    fallback_check, plain, slow = run(args, RECORD + NO_SIMD)
    check.failures += fallback_check.failures
    check.checks += fallback_check.checks
    check.same("engine without SIMD", plain, ["quivor-motor"])
    for (what, got), (_, expected) in zip(fast, slow):
        check.same(f"{what}: SIMD engine against the other", got, expected)
    check.same("calls", len(fast), len(slow))
    return check.result()


if __name__ == "__main__":
    sys.exit(main())
