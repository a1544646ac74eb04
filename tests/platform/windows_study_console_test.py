#!/usr/bin/env python3
"""Runs quivor-study.exe at a real console: a name typed there, and its accents shown.

Through a pipe the program reads and writes UTF-8 bytes; a Windows console
gives and gets characters instead, whatever its code page. Under Wine a
pseudo-terminal is such a console: a name typed with letters no single-byte
code page holds reaches the study whole, and the study reads there as it
does through the pipe, accents and decimal commas whole.
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
import tty

NAME = "łódź ação"
EXPECTED = ["A treliça é estável.", "Eficiência da ponte: 333,8 kgf por kg de ponte",
            "Colapso de cada treliça, sem os coeficientes de segurança:"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wrapper", required=True, help="command to run the program with (wine)")
    parser.add_argument("--model", required=True)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="quivor-study-console-")
    try:
        shutil.copy(args.model, os.path.join(work, NAME + ".txt"))
        main_end, program_end = pty.openpty()
        # Wine's console does its own line editing and echo.
        tty.setraw(program_end)
        run = subprocess.Popen(args.wrapper.split() + [os.path.abspath(args.program)],
                               cwd=work, stdin=program_end, stdout=program_end,
                               stderr=program_end, start_new_session=True)
        os.close(program_end)
        shown = b""
        typed = []
        end = time.time() + 60
        while run.poll() is None and time.time() < end:
            ready, _, _ = select.select([main_end], [], [], 0.1)
            if ready:
                try:
                    shown += os.read(main_end, 4096)
                except OSError:
                    break
            # The name at the prompt, then Enter to close.
            if not typed and "Digite o nome".encode() in shown:
                os.write(main_end, (NAME + "\r").encode())
                typed.append("name")
            elif len(typed) == 1 and b"Tecle Enter" in shown:
                os.write(main_end, b"\r")
                typed.append("enter")
        if run.poll() is None:
            run.kill()
        status = run.wait(timeout=60)
        try:
            while select.select([main_end], [], [], 0.5)[0]:
                shown += os.read(main_end, 4096)
        except OSError:
            pass
        os.close(main_end)
        left = sorted(os.listdir(work))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    text = shown.decode("utf-8", errors="replace")
    failures = []
    if status != 0:
        failures.append("exit status %d, expected 0" % status)
    if "Modelo %s.txt:" % NAME not in text:
        failures.append("the study does not name %s.txt: %r" % (NAME, text[-600:]))
    if NAME + ".html" not in left:
        failures.append("no page %s.html; the folder holds %r" % (NAME, left))
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
