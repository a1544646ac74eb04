#!/usr/bin/env python3
"""quivor.html's speed in headless Chromium, beside the native quivor-study's.

Measures, each the median of --runs (and, for the studies, the fastest run
too: on a machine shared with other work it moves less than the median):
- the page's load: from navigation to the load event, and to quivor.pronto
  (the engine compiled, the page ready for a model);
- quivor.estudar (quivor-study NAME --json --sem-pagina) in the page on an
  empty model (refused at once: the cost of a call, the engine's instance
  put back as it was made), on a 100-node model and on the largest model the
  programs take (1000 nodes, the widest band, 8 load cases: the benchmarks'
  own, bench/study_bench.cpp), against the native quivor-study on the same
  files, its whole process timed. The first call on each model (code the
  browser has only compiled with its baseline compiler yet) is shown on
  its own, and counted in the median like the others.
The page's JSON must be the native one, byte for byte. With --no-simd the
page runs as in a browser without WebAssembly SIMD (its other engine).

A benchmark, not a test: nothing here is asserted on time.
    bench/web_bench.py --page build/web/quivor.html --study build/release/quivor-study
"""

import argparse
import base64
import pathlib
import random
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "page"))
import chromium  # noqa: E402


def truss_model(node_count, load_cases, widest_band):
    """The Pratt truss of bench/model_files.cpp (TrussModel): 10 cm panels, 12 cm high, nodes
    listed bottom and top in turn, with a bar from the first node to the last for the widest
    band. Its forces come from Python's generator, not the C++ one: the same shape and sizes."""
    panels = node_count // 2 - 1
    bottom = lambda p: 2 * p + 1  # noqa: E731
    top = lambda p: 2 * p + 2  # noqa: E731
    bars = []
    for p in range(panels):
        bars += [(bottom(p), bottom(p + 1)), (top(p), top(p + 1)), (bottom(p), top(p))]
        bars.append((top(p), bottom(p + 1)) if p < panels // 2 else (bottom(p), top(p + 1)))
    bars.append((bottom(panels), top(panels)))
    if widest_band:
        bars.append((1, node_count))
    lines = [str(node_count), str(len(bars))]
    for p in range(panels + 1):
        lines += [f"{bottom(p)} {10.0 * p:.4f} 0.0", f"{top(p)} {10.0 * p:.4f} 12.0"]
    lines += [f"{i} {a} {b}" for i, (a, b) in enumerate(bars, 1)]
    lines += ["2", str(bottom(0)), "0 0", str(bottom(panels)), "1 0", str(load_cases)]
    rng = random.Random(node_count)
    for _ in range(load_cases):
        lines.append(str(panels + 1))
        for p in range(panels + 1):
            lines += [str(bottom(p)), f"{0.1 * rng.uniform(-5, 0):.4f}", f"{rng.uniform(-5, 0):.4f}"]
    lines += ["2.0", "3.0"]
    return ("\n".join(lines) + "\n").encode()


def native_study(study, name, model, runs):
    """The native quivor-study's JSON and its median wall time in ms, whole process."""
    times = []
    with tempfile.TemporaryDirectory() as folder:
        (pathlib.Path(folder) / f"{name}.txt").write_bytes(model)
        for _ in range(runs):
            start = time.perf_counter()
            run = subprocess.run([study, name, "--json", "--sem-pagina"], cwd=folder,
                                 capture_output=True, check=False)
            times.append((time.perf_counter() - start) * 1000)
    return run.stdout.decode().removesuffix("\n"), times


def page_study(browser, name, model, runs):
    """quivor.estudar's JSON and its median time in ms, timed in the page."""
    encoded = base64.b64encode(model).decode()
    result = browser.evaluate(
        f"(() => {{ const model = Uint8Array.from(atob('{encoded}'), (c) => c.charCodeAt(0));"
        f" const times = []; let r; for (let i = 0; i < {runs}; i++) {{"
        " const start = performance.now();"
        f" r = quivor.estudar(model, {{nome: '{name}'}});"
        " times.push(performance.now() - start); }"
        " return {json: r.json, times}; })()")
    return result["json"], result["times"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--study", required=True, help="the native quivor-study (a release build)")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--no-simd", action="store_true",
                        help="as a browser without WebAssembly SIMD: the page's other engine")
    args = parser.parse_args()
    executable = chromium.find_chromium()
    if executable is None:
        sys.exit("needs chromium")
    url = pathlib.Path(args.page).resolve().as_uri()
    study = str(pathlib.Path(args.study).resolve())
    models = [("an empty model, refused: the call's own cost", "vazio", b""),
              ("100 nodes, 1 load case", "cem", truss_model(100, 1, False)),
              ("1000 nodes, widest band, 8 load cases", "largest", truss_model(1000, 8, True))]

    with chromium.Browser(executable, timeout=600) as browser:
        if args.no_simd:
            browser.page("Page.enable")
            browser.page("Page.addScriptToEvaluateOnNewDocument",
                         {"source": "WebAssembly.validate = () => false;"})
        loads, readies = [], []
        for _ in range(args.runs):
            loads.append(browser.open(url) * 1000)
            readies.append(browser.evaluate("quivor.pronto.then(() => performance.now())"))
        print(f"page load event: {statistics.median(loads):.0f} ms; ready (quivor.pronto): "
              f"{statistics.median(readies):.0f} ms after navigation (medians of {args.runs}); "
              f"{'no SIMD' if args.no_simd else 'SIMD where the browser has it'}")
        for what, name, model in models:
            web_json, web = page_study(browser, name, model, args.runs)
            native_json, native = native_study(study, name, model, args.runs)
            same = "same JSON" if web_json == native_json else "JSON DIFFERS"
            web_ms, native_ms = statistics.median(web), statistics.median(native)
            print(f"{what} ({len(model)} bytes): page {web_ms:.1f} ms, native process "
                  f"{native_ms:.1f} ms, ratio {web_ms / native_ms:.2f}; fastest runs "
                  f"{min(web):.1f} ms and {min(native):.1f} ms, ratio "
                  f"{min(web) / min(native):.2f}; first call in the page {web[0]:.1f} ms ({same})")
        problems = [p for p in browser.problems(url) if not p.startswith("request: blob:")]
        if problems:
            print("problems:", problems)


if __name__ == "__main__":
    main()
