#!/usr/bin/env python3
"""Runs one end-to-end case of the program and compares every channel byte for byte.

A case is a folder (see README.md beside this file). The runner copies the case's
files into a fresh temporary folder, runs the program there with the typed input
on standard input, and checks standard output, standard error, the exit status,
the results file, and that no other file appeared or changed.
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile


# The exit status of a case that does not run on this platform (CTest's
# SKIP_RETURN_CODE).
SKIPPED = 77


def read(path, default=None):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def snapshot(folder):
    """Every entry of the folder tree: name -> ('link', target) | ('dir',) | ('special',)
    | ('file', bytes)."""
    entries = {}
    for root, dirs, files in os.walk(folder):
        for name in dirs + files:
            path = os.path.join(root, name)
            rel = os.path.relpath(path, folder)
            if os.path.islink(path):
                entries[rel] = ("link", os.readlink(path))
            elif os.path.isdir(path):
                entries[rel] = ("dir",)
            elif not os.path.isfile(path):
                entries[rel] = ("special",)  # a FIFO: reading it would wait for a writer
            else:
                entries[rel] = ("file", read(path))
    return entries


def first_difference(name, expected, actual):
    exp_lines = expected.split(b"\n")
    act_lines = actual.split(b"\n")
    for i in range(max(len(exp_lines), len(act_lines))):
        e = exp_lines[i] if i < len(exp_lines) else b"<no line>"
        a = act_lines[i] if i < len(act_lines) else b"<no line>"
        if e != a:
            return "%s differs at line %d:\n  expected: %r\n  actual:   %r" % (name, i + 1, e, a)
    return "%s differs" % name


def windows_path(path):
    """How the program under Wine names a Linux folder."""
    return "Z:" + path.replace("/", "\\")


def expand_cwd(data, cwd, platform):
    """Puts the working folder in place of {CWD}.

    On Windows a full path goes on in the system's separator: what follows
    {CWD} up to the line end is written there with backslashes, so that
    "{CWD}/obras/ponte.txt" serves both platforms.
    """
    if platform != "windows":
        return data.replace(b"{CWD}", cwd.encode())
    return re.sub(rb"\{CWD\}([^\r\n]*)",
                  lambda m: cwd.encode() + m.group(1).replace(b"/", b"\\"), data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--study", help="the companion program, for cases whose `program` names it")
    parser.add_argument("--wrapper", default="", help="command to run the program with (wine)")
    parser.add_argument("--platform", default="linux", choices=["linux", "windows"])
    parser.add_argument("case")
    args = parser.parse_args()

    case = os.path.abspath(args.case)
    program = os.path.abspath(args.program)
    named = read(os.path.join(case, "program"))
    if named is not None and named.decode().strip() == "quivor-study":
        if args.study is None:
            print("FAIL: the case runs quivor-study, and no --study was given")
            return 1
        program = os.path.abspath(args.study)
    arguments = [line for line in read(os.path.join(case, "args"), b"").decode("utf-8").split("\n")
                 if line != ""]
    failures = []

    # A case that cannot happen on every platform lists those where it can.
    platforms = read(os.path.join(case, "platforms"))
    if platforms is not None and args.platform not in platforms.decode().split():
        print("skipped: the case runs on %s only" % platforms.decode().strip())
        return SKIPPED
    # AddressSanitizer reserves terabytes of address space for its shadow at
    # start-up: a program built with it cannot run under an address-space limit.
    if os.path.exists(os.path.join(case, "ulimit-v")) and b"__asan_init" in read(program, b""):
        print("skipped: an address-space limit cannot hold a program built with AddressSanitizer")
        return SKIPPED

    def variant(name):
        """The platform's own expected file where the case has one."""
        specific = os.path.join(case, name + "." + args.platform)
        return specific if os.path.exists(specific) else os.path.join(case, name)

    work = tempfile.mkdtemp(prefix="quivor-e2e-")
    try:
        files = os.path.join(case, "files")
        if os.path.isdir(files):
            for entry in os.listdir(files):
                src = os.path.join(files, entry)
                if os.path.isdir(src):
                    shutil.copytree(src, os.path.join(work, entry), symlinks=True)
                else:
                    shutil.copy2(src, os.path.join(work, entry), follow_symlinks=False)
        setup = os.path.join(case, "setup")
        if os.path.exists(setup):
            subprocess.run(["bash", setup], cwd=work, check=True)
        before = snapshot(work)

        typed = read(os.path.join(case, "input"), b"")
        timeout = int(read(os.path.join(case, "timeout"), b"120"))
        command = args.wrapper.split() + [program] + arguments
        limit = read(os.path.join(case, "ulimit-v"))
        if limit is not None:
            kib = int(limit)
            import resource

            def preexec():
                resource.setrlimit(resource.RLIMIT_AS, (kib * 1024, kib * 1024))
        else:
            preexec = None
        try:
            run = subprocess.run(command, cwd=work, input=typed, capture_output=True,
                                 timeout=timeout, preexec_fn=preexec)
        except subprocess.TimeoutExpired:
            print("FAIL: the program did not end within %d s" % timeout)
            return 1

        cwd = windows_path(work) if args.platform == "windows" else work
        def expand(data):
            return expand_cwd(data, cwd, args.platform)

        status = run.returncode
        if status < 0:
            failures.append("the program was killed by signal %d" % -status)
        expected_status = int(read(variant("expected.status"), b"0"))
        if status != expected_status:
            failures.append("exit status %d, expected %d" % (status, expected_status))
        for channel, actual in (("stdout", run.stdout), ("stderr", run.stderr)):
            expected = expand(read(variant("expected." + channel), b""))
            if actual != expected:
                failures.append(first_difference(channel, expected, actual))

        if "--json" in arguments and run.returncode in (0, 1):
            try:
                document = json.loads(run.stdout.decode("utf-8"))
                if not isinstance(document, dict):
                    failures.append("stdout is JSON but not an object")
            except ValueError as error:
                failures.append("stdout is not one JSON document: %s" % error)

        after = snapshot(work)

        def expect_file(name, wanted, missing):
            """A file the run must leave, with these exact bytes (`missing`: the
            failure when there is none); it is then left out of the check that
            nothing else appeared or changed."""
            got = after.get(name, ("none",))
            if got[0] != "file":
                failures.append(missing)
            elif got[1] != wanted:
                failures.append(first_difference(name, wanted, got[1]))
            after.pop(name, None)
            before.pop(name, None)

        # Files the run must leave, each with its exact bytes.
        # NAME.windows there stands for NAME under the Windows build (its line ends).
        expected_dir = os.path.join(case, "expected-files")
        if os.path.isdir(expected_dir):
            # A file in a folder of the working folder sits in the same folder here.
            for root, _, names in sorted(os.walk(expected_dir)):
                for name in sorted(names):
                    if name.endswith(".windows"):
                        continue
                    path = os.path.join(root, name)
                    rel = os.path.relpath(path, expected_dir)
                    specific = path + "." + args.platform
                    wanted = read(specific if os.path.exists(specific) else path)
                    expect_file(rel, wanted, "no file %s" % rel)
        expected_rtf = read(variant("expected.rtf"))
        results_name = read(os.path.join(case, "results"))
        if results_name is not None:
            results_name = results_name.decode("latin-1").rstrip("\r\n")
        else:
            models = [n for n in os.listdir(files) if n.endswith(".txt")] if os.path.isdir(files) else []
            results_name = models[0][:-4] + ".rtf" if len(models) == 1 else None
        if expected_rtf is not None:
            if results_name is None:
                failures.append("the case does not say which file is the results file")
            else:
                expect_file(results_name, expected_rtf, "no results file %s" % results_name)
        for name in sorted(set(before) | set(after)):
            if name not in after:
                failures.append("%s disappeared" % name)
            elif name not in before:
                failures.append("%s appeared" % name)
            elif before[name] != after[name]:
                failures.append("%s changed" % name)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
