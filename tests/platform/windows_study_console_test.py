#!/usr/bin/env python3
"""Runs quivor-study.exe at a real console and checks that its accents show.

Through a pipe the program writes UTF-8 bytes; a Windows console gets
characters instead, whatever its code page. Under Wine a pseudo-terminal is
a console that shows them in UTF-8: the study of the bundled triangle must
read there as it does through the pipe, accents and decimal commas whole.
"""
import argparse
import os
import pty
import select
import shutil
import subprocess
import sys
import tempfile
import time

EXPECTED = ["A treliça é estável.", "Eficiência: 333,8 kgf por kg de ponte.",
            "Colapso, sem os coeficientes de segurança:"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wrapper", required=True, help="command to run the program with (wine)")
    parser.add_argument("--model", required=True)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="quivor-study-console-")
    try:
        shutil.copy(args.model, os.path.join(work, "ponte.txt"))
        main_end, program_end = pty.openpty()
        run = subprocess.Popen(args.wrapper.split() + [os.path.abspath(args.program), "ponte",
                                                       "--sem-pagina"],
                               cwd=work, stdin=program_end, stdout=program_end,
                               stderr=program_end, start_new_session=True)
        os.close(program_end)
        shown = b""
        end = time.time() + 60
        while run.poll() is None and time.time() < end:
            ready, _, _ = select.select([main_end], [], [], 0.1)
            if ready:
                try:
                    shown += os.read(main_end, 4096)
                except OSError:
                    break
        status = run.wait(timeout=60)
        try:
            while select.select([main_end], [], [], 0.5)[0]:
                shown += os.read(main_end, 4096)
        except OSError:
            pass
        os.close(main_end)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    text = shown.decode("utf-8", errors="replace")
    failures = []
    if status != 0:
        failures.append("exit status %d, expected 0" % status)
    for line in EXPECTED:
        if line not in text:
            failures.append("the console does not show %r: %r" % (line, text[-600:]))
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
