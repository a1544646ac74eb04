#!/usr/bin/env python3
"""Turns one run of quivor_bench into the tables of BENCHMARKS.md.

    bench/report.py build/bench/bench/quivor_bench [--repetitions N] [--json FILE]

Runs every benchmark N times in one process (or reads the JSON of such a run),
takes the medians and prints Markdown: the solver against the direct
transcription of its loops and against OpenBLAS dpbsv on one thread, the
reader and the report writer against bare from_chars / to_chars loops, and
the whole program against its solve time and the bytes of its arrays.
"""
import argparse
import json
import os
import subprocess
import sys


def run(binary, repetitions):
    env = dict(os.environ, OPENBLAS_NUM_THREADS="1")
    out = subprocess.run(
        [binary, f"--benchmark_repetitions={repetitions}",
         "--benchmark_report_aggregates_only=true", "--benchmark_format=json",
         "--benchmark_filter=^(Solver|Input|Output|Program|Environment)/"],
        check=True, capture_output=True, text=True, env=env).stdout
    return json.loads(out)


def medians(data):
    """run_name -> the median entry, times in seconds."""
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    result = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        entry = dict(b)
        entry["seconds"] = b["real_time"] * scale[b["time_unit"]]
        result[b["run_name"].replace("/manual_time", "")] = entry
    return result


def fmt_time(seconds):
    if seconds >= 1.0:
        return f"{seconds:.2f} s"
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.3g} ms"
    return f"{seconds * 1e6:.3g} us"


def solver_table(m):
    shapes = [(2000, 2000), (2000, 402), (2000, 42), (200, 22)]
    columns = [("SolveBanded", "SolveBanded (as dispatched)"),
               ("SolveBanded_avx512", "AVX-512"),
               ("SolveBanded_avx2", "AVX2"),
               ("SolveBanded_plain", "plain"),
               ("DirectTranscription", "direct transcription"),
               ("LapackDpbsv", "OpenBLAS dpbsv, 1 thread")]
    lines = ["| n x h, cases | " + " | ".join(title for _, title in columns) + " |",
             "|---" * (len(columns) + 1) + "|"]
    for cases in (1, 8):
        for n, h in shapes:
            key = f"n:{n}/h:{h}/cases:{cases}"
            direct = m.get(f"Solver/DirectTranscription/{key}")
            peer = m.get(f"Solver/LapackDpbsv/{key}")
            cells = []
            for name, _ in columns:
                e = m.get(f"Solver/{name}/{key}")
                if e is None or e.get("error_occurred"):
                    cells.append("-")
                    continue
                text = fmt_time(e["seconds"])
                speedup = (f"{direct['seconds'] / e['seconds']:.1f}x"
                           if direct and name != "DirectTranscription" else "-")
                relative = (f"{e['seconds'] / peer['seconds']:.2f}"
                            if peer and name != "LapackDpbsv" else "-")
                cells.append(f"{text} ({speedup}; {relative})")
            lines.append(f"| {n} x {h}, {cases} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def pair_table(m, rows):
    lines = ["| work | ours | bare loop | ours / bare (time) | speed vs bare |",
             "|---|---|---|---|---|"]
    for title, ours, bare in rows:
        a, b = m.get(ours), m.get(bare)
        if not a or not b:
            continue
        ratio = a["seconds"] / b["seconds"]
        lines.append(f"| {title} | {fmt_time(a['seconds'])} | {fmt_time(b['seconds'])} | "
                     f"{ratio:.2f} | {1 / ratio:.2f} |")
    return "\n".join(lines)


def program_table(m):
    whole = m.get("Program/WholeRun_1000nodes_widest_8cases")
    inside = m.get("Program/InProcessRun_1000nodes_widest_8cases")
    solve = m.get("Program/SolveBandedOnly_1000nodes_widest_8cases")
    fresh = m.get("Environment/FirstTouch_32MB/pages:1")
    huge = m.get("Environment/FirstTouch_32MB/pages:2")
    warm = m.get("Environment/FirstTouch_32MB/pages:0")
    if not whole or not solve:
        return ""
    s = solve["seconds"]
    lines = ["| quantity | value | / solve |", "|---|---|---|"]
    lines.append(f"| SolveBanded alone on the band of the run | {fmt_time(s)} | 1 |")
    lines.append(f"| whole run, the program as it is (wall) | {fmt_time(whole['seconds'])} | "
                 f"{whole['seconds'] / s:.2f} |")
    if "interleaved_solve_ms" in whole:
        lines.append(f"| SolveBanded after each whole run, in the same moments | "
                     f"{whole['interleaved_solve_ms']:.1f} ms | 1 |")
        lines.append(f"| whole run / that solve | | "
                     f"{whole['whole_over_interleaved_solve']:.2f} |")
    if "median_whole_over_solve" in whole:
        lines.append(f"| the same, median of the pairs (a run and the solve after it) | | "
                     f"{whole['median_whole_over_solve']:.2f} |")
    if inside:
        lines.append(f"| the run's work in a warm process: read {inside['read_ms']:.1f} ms, "
                     f"analyse {inside['analyse_ms']:.1f} ms, report {inside['report_ms']:.1f} ms | "
                     f"{fmt_time(inside['seconds'])} | {inside['seconds'] / s:.2f} |")
    if fresh and warm:
        per_page = (fresh["seconds"] - warm["seconds"]) / (32e6 / 4096)
        lines.append(f"| first touch of a fresh 4 KiB page (32 MB: {fmt_time(fresh['seconds'])} "
                     f"fresh, {fmt_time(warm['seconds'])} again) | {per_page * 1e6:.1f} us | |")
    if huge and warm:
        lines.append(f"| 32 MB of fresh platform storage (huge pages) written once | "
                     f"{fmt_time(huge['seconds'])} | |")
    lines.append(f"| page faults of the run | {whole.get('page_faults', 0):.0f} | |")
    lines.append(f"| peak resident memory / bytes of the arrays | {whole['peak_MB']:.1f} MB / "
                 f"{whole['arrays_MB']:.1f} MB = {whole['peak_over_arrays']:.3f} | |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("binary", nargs="?")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--json", help="read this JSON instead of running")
    parser.add_argument("--save", help="also write the run's JSON here")
    args = parser.parse_args()
    if args.json:
        with open(args.json) as f:
            data = json.load(f)
    else:
        data = run(args.binary, args.repetitions)
        if args.save:
            with open(args.save, "w") as f:
                json.dump(data, f, indent=1)
    m = medians(data)
    ctx = data["context"]
    print(f"Run of {ctx.get('date', '?')}, {ctx.get('num_cpus')} CPUs at "
          f"{ctx.get('mhz_per_cpu')} MHz (nominal), load average "
          f"{', '.join(f'{x:.2f}' for x in ctx.get('load_avg', []))}; "
          f"LAPACK: {ctx.get('lapack_library', 'none')}, threads "
          f"{ctx.get('lapack_threads', '?')}.\n")
    print("Each cell: the median time (how many times faster than the direct "
          "transcription; this time divided by OpenBLAS dpbsv's, below 1 is faster).\n")
    print(solver_table(m))
    print()
    print(pair_table(m, [
        ("read a 50 MB model file (ReadModelFile)", "Input/ReadModelFile_50MB",
         "Input/BareFromChars_50MB"),
        ("the same, the bare loop reading the file first", "Input/ReadModelFile_50MB",
         "Input/BareFromChars_50MB_read_first"),
        ("write the report of 1000 nodes, 5000 bars, 100 load cases",
         "Output/WriteResultsReport", "Output/BareToChars")]))
    print()
    print(program_table(m))


if __name__ == "__main__":
    sys.exit(main())
