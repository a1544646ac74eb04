#!/usr/bin/env python3
"""Types a model name with accented letters at a real console of quivor.exe.

The end-to-end cases feed the program through a pipe, which it reads as bytes.
A console is read as characters instead: under Wine a pseudo-terminal is one,
and the name typed there in its own encoding (UTF-8) must reach the file
system as the same characters, ç and ã, and the report must hold them as
Windows-1252 bytes, exactly as expected.rtf of the pipe-fed case.
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

NAME = "ponte\u00e7\u00e3o"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--wrapper", required=True, help="command to run the program with (wine)")
    parser.add_argument("--case", required=True, help="the e2e case with the model and expected.rtf")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="quivor-console-")
    try:
        shutil.copy(os.path.join(args.case, "files", NAME + ".txt"), work)
        with open(os.path.join(args.case, "expected.rtf"), "rb") as f:
            expected = f.read()

        main_end, program_end = pty.openpty()
        # Keys go to the program as typed: a CR typed before Wine has set the
        # terminal up must not become a line feed on the way.
        tty.setraw(program_end)
        run = subprocess.Popen(args.wrapper.split() + [os.path.abspath(args.program)], cwd=work,
                               stdin=program_end, stdout=program_end, stderr=program_end,
                               start_new_session=True)
        os.close(program_end)
        shown = b""

        def read_until(text, seconds):
            nonlocal shown
            end = time.time() + seconds
            while text not in shown and time.time() < end:
                ready, _, _ = select.select([main_end], [], [], 0.1)
                if ready:
                    try:
                        shown += os.read(main_end, 4096)
                    except OSError:  # the program has ended
                        return

        read_until(b"analisado:", 60)
        os.write(main_end, (NAME + "\r").encode())
        read_until(b"TRABALHO!", 60)
        os.write(main_end, b"\r")
        status = run.wait(timeout=60)
        read_until(b"\0", 1)
        os.close(main_end)

        failures = []
        if status != 0:
            failures.append("exit status %d, expected 0" % status)
        # The closing notice shows the name as typed (the terminal speaks UTF-8).
        if (" " + NAME).encode() not in shown.split(b"ATENCAO!")[-1]:
            failures.append("the closing notice does not show %s: %r" % (NAME, shown[-400:]))
        results = os.path.join(work, NAME + ".rtf")
        if not os.path.exists(results):
            failures.append("no results file %s.rtf; the folder holds %s" % (NAME, os.listdir(work)))
        else:
            with open(results, "rb") as f:
                if f.read() != expected:
                    failures.append("the results file differs from %s/expected.rtf" % args.case)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
