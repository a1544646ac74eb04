#!/usr/bin/env python3
"""The editor of quivor.html in headless Chromium: what a step of a drag costs.

A node near the middle of the top chord is dragged with real mouse events, one
grid step at a time; after each move the page draws the model at once and
studies it on the next frame. For each step it measures the wall time from the
mouse event sent to the frame drawn (the protocol's own round trips included),
and the page's own time: the move handled and drawn, then the frame's study
(quivor.estudar) and drawing. A model whose study takes longer than 250 ms is
studied at the drop, not at every step; a study slower than 50 ms runs in a worker.
From the drop to the figures shown it notes how late a timer asked for every 5 ms runs
and the longest task the page reports: how long the page does not answer. Each model is
dragged twice: with every study on the page's thread (as before the worker), and with
the slow ones in the worker. Last, the study of 100 nodes on the page's thread and its
round trip through the worker.
Models: the Pratt trusses of bench/web_bench.py, 100 nodes with 1 load case and
the largest legal model (1000 nodes, the widest band, 8 load cases).

A benchmark, not a test: nothing here is asserted on time.
    bench/editor_bench.py --page build/web/quivor.html --steps 15
"""

import argparse
import json
import pathlib
import statistics
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests" / "page"))
sys.path.insert(0, str(HERE))
import chromium  # noqa: E402
import web_bench  # noqa: E402  (its models and timing, beside this file)

# Resolved once the page has drawn a frame after the event and run any study it waits for.
SETTLED = ("new Promise((r) => requestAnimationFrame(() => { const wait = () => quivor.editor.waiting"
           " || quivor.editor.studying ? requestAnimationFrame(wait) : r(true); wait(); }))")


def mouse(browser, kind, x, y, buttons=1):
    browser.page("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left",
                                              "buttons": buttons, "clickCount": 1})


def drag_steps(browser, model, steps):
    browser.evaluate(f"quivor.abrir({json.dumps(model)}, 'bench')")
    browser.evaluate(SETTLED)
    count = int(model.split("\n")[0])
    middle = count // 2 if (count // 2) % 2 == 0 else count // 2 + 1  # a top node
    x, y = browser.evaluate(
        f"(() => {{ const e = document.querySelector('[data-no=\"{middle}\"] circle');"
        " e.scrollIntoView({block: 'nearest'}); const r = e.getBoundingClientRect();"
        " return [r.x + r.width / 2, r.y + r.height / 2]; })()")
    pixels = browser.evaluate("quivor.editor.view.scale * quivor.editor.grid")
    mouse(browser, "mouseMoved", x, y, 0)
    mouse(browser, "mousePressed", x, y)
    walls, studies, drawings, during = [], [], [], 0
    for step in range(1, steps + 1):
        start = time.monotonic()
        studied = browser.evaluate("quivor.editor.studies")
        mouse(browser, "mouseMoved", x, y - step * max(pixels, 4))
        browser.evaluate(SETTLED)
        walls.append(1000 * (time.monotonic() - start))
        page = browser.evaluate("(({studies, studyMs, moveMs, tempos}) =>"
                                " ({studies, studyMs, moveMs, tempos}))(quivor.editor)")
        step = page["moveMs"]
        if page["studies"] > studied:
            during += 1
            studies.append(page["studyMs"])
            step += page["tempos"]["estudo"] + page["tempos"]["desenho"]
        drawings.append(step)
    # From the drop to the study shown: a timer asked for every 5 ms notes how late it runs
    # (the page is unresponsive while it is late), and the longest task the page reports.
    browser.evaluate("(() => { const w = window.__late = {late: 0, long: 0, last: performance.now()};"
                     " w.timer = setInterval(() => { const now = performance.now();"
                     " w.late = Math.max(w.late, now - w.last - 5); w.last = now; }, 5);"
                     " w.observer = new PerformanceObserver((list) => { for (const e of list.getEntries())"
                     " w.long = Math.max(w.long, e.duration); });"
                     " w.observer.observe({type: 'longtask'}); return true; })()")
    mouse(browser, "mouseReleased", x, y - steps * max(pixels, 4), 0)
    browser.evaluate(SETTLED)
    dropped = browser.evaluate("quivor.editor.studyMs")
    drawn = browser.evaluate("quivor.editor.tempos.desenho")
    time.sleep(0.1)
    late, longest = browser.evaluate("(() => { const w = window.__late; clearInterval(w.timer);"
                                     " w.observer.disconnect(); return [w.late, w.long]; })()")
    return (statistics.median(walls), statistics.median(drawings),
            statistics.median(studies) if studies else None, during, dropped, late, longest, drawn)


def round_trip(browser, model, times=15):
    """The study of the model on the page's thread and through the worker (its round trip)."""
    return browser.evaluate(
        f"(async () => {{ const text = {json.dumps(model)}, here = [], apart = [];"
        f" for (let i = 0; i < {times}; i++) {{ let t = performance.now(); quivor.estudar(text);"
        " here.push(performance.now() - t); t = performance.now(); await quivor.estudarAparte(text);"
        " apart.push(performance.now() - t); }"
        " const median = (v) => v.sort((a, b) => a - b)[v.length >> 1]; return [median(here), median(apart)]; })()")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--steps", type=int, default=15)
    args = parser.parse_args()
    page = pathlib.Path(args.page).resolve()
    executable = chromium.find_chromium()
    if executable is None or not page.exists():
        print("needs chromium and the page")
        return 1
    models = {
        "100 nodes, 1 load case": web_bench.truss_model(100, 1, False).decode(),
        "1000 nodes, widest band, 8 load cases": web_bench.truss_model(1000, 8, True).decode(),
    }
    with chromium.Browser(executable, timeout=300) as browser:
        browser.open(page.as_uri(), width=1280, height=800)
        browser.evaluate("quivor.pronto.then(() => true)")
        browser.evaluate("(quivor.__apart = quivor.estudarAparte, true)")
        print("| model | study | drag step in the page | with the protocol's round trips | steps studied"
              " | study per step | study at the drop | its drawing | timer's lateness after the drop | longest task |")
        print("|---|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for name, model in models.items():
            for where in ("page's thread", "slow ones in a worker"):
                # The page's thread alone: the editor without the worker's study.
                chosen = "undefined" if where == "page's thread" else "quivor.__apart"
                browser.evaluate(f"(quivor.estudarAparte = {chosen}, true)")
                wall, drawing, study, during, dropped, late, longest, drawn = drag_steps(browser, model, args.steps)
                per_step = f"{study:.1f} ms" if study is not None else "-"
                print(f"| {name} | {where} | {drawing:.1f} ms | {wall:.1f} ms | {during} of {args.steps}"
                      f" | {per_step} | {dropped:.1f} ms | {drawn:.0f} ms | {late:.0f} ms | {longest:.0f} ms |")
        browser.evaluate("(quivor.estudarAparte = quivor.__apart, true)")
        here, through = round_trip(browser, models["100 nodes, 1 load case"])
        print(f"\n100 nodes: the study on the page's thread {here:.1f} ms, through the worker"
              f" {through:.1f} ms (the round trip)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
