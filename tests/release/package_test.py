"""A release archive, as a student gets it (cmake --build --preset X --target
package):

- its name carries the project's version and the system;
- it holds exactly the two programs, the guide (and the page quivor.html,
  with --page) and the bundled examples in exemplos/ (the model files of
  examples/ that git tracks; the tarball inside one folder named as the
  archive, the zip without one), the programs executable, the examples, the
  guide and the page the very bytes of the sources and of this build's guide
  and page, the page that of the archive's version;
- the programs need nothing but the system: the Linux ones are static (no
  program interpreter), the Windows ones import only Windows' own DLLs;
- unpacked in a fresh folder, from its exemplos/ folder, quivor writes the
  Pratt bridge's report (the very bytes of the end-to-end case
  report-pratt), quivor-study studies it (its console that of study-pratt)
  and writes its page, and `quivor-study --version` names the archive's
  version. The Windows programs run under Wine (--wrapper).

    package_test.py --archive build/release/quivor-1.0.0-linux-x86_64.tar.gz \\
        --version 1.0.0 --guide build/release/LEIA-ME.html --source .
"""

import argparse
import os
import re
import shlex
import shutil
import struct
import subprocess
import sys
import tarfile
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "page"))
from checks import Checks  # noqa: E402

# The DLLs of every Windows, which a program may import.
WINDOWS_DLLS = {"kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll", "advapi32.dll"}
PT_INTERP = 3


def members(archive):
    """The archive's files (not its folders): name -> (bytes, executable)."""
    found = {}
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as packed:
            for info in packed.infolist():
                if not info.is_dir():
                    found[info.filename] = (packed.read(info), bool((info.external_attr >> 16) & 0o111))
    else:
        with tarfile.open(archive) as packed:
            for info in packed.getmembers():
                if info.isfile():
                    found[info.name] = (packed.extractfile(info).read(), bool(info.mode & 0o111))
                elif not info.isdir():
                    found[info.name] = (None, False)  # a link or a device: never wanted
    return found


def has_interpreter(program):
    """Whether a 64-bit ELF program names a program interpreter (a dynamic loader)."""
    with open(program, "rb") as elf:
        data = elf.read()
    if data[:5] != b"\x7fELF\x02":
        return True
    phoff = struct.unpack_from("<Q", data, 0x20)[0]
    size, count = struct.unpack_from("<HH", data, 0x36)
    return any(struct.unpack_from("<I", data, phoff + i * size)[0] == PT_INTERP for i in range(count))


def imported_dlls(program):
    objdump = shutil.which("x86_64-w64-mingw32-objdump") or shutil.which("objdump")
    text = subprocess.run([objdump, "-p", program], capture_output=True, text=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", text)}


def bundled_models(source):
    """The examples the archive bundles: the model files (*.txt, as the install
    rule takes them) and the sample table of strand tests of examples/ that git tracks, so that a report or a page
    left there by a run is no part of it; without git (a source tarball),
    the model files there."""
    examples = os.path.join(source, "examples")
    try:
        listed = subprocess.run(["git", "-C", source, "ls-files", "-z", "--", "examples"],
                                capture_output=True, check=True).stdout
        tracked = [os.path.relpath(os.path.join(source, name.decode()), examples)
                   for name in listed.split(b"\0") if name]
    except (OSError, subprocess.CalledProcessError):
        tracked = []
    names = tracked or os.listdir(examples)
    return sorted(name for name in names
                  if (name.endswith(".txt") or name == "ensaios.csv") and os.sep not in name)


def run(wrapper, program, args, folder, typed=b""):
    return subprocess.run(wrapper + [program] + args, cwd=folder, input=typed,
                          capture_output=True, timeout=300)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--archive", required=True)
    parser.add_argument("--version", required=True, help="the project's version")
    parser.add_argument("--guide", required=True, help="this build's LEIA-ME.html")
    parser.add_argument("--source", required=True, help="the project's source folder")
    parser.add_argument("--wrapper", default="", help="runs a program of the archive (Wine)")
    parser.add_argument("--page", help="the quivor.html the archive must hold, when it holds one")
    args = parser.parse_args()

    checks = Checks()
    windows = args.archive.endswith(".zip")
    system = "windows" if windows else "linux-x86_64"
    suffix = ".exe" if windows else ""
    name = f"quivor-{args.version}-{system}"
    checks.expect(os.path.basename(args.archive) == name + (".zip" if windows else ".tar.gz"),
                  f"named {os.path.basename(args.archive)}, for version {args.version} on {system}")

    examples = os.path.join(args.source, "examples")
    expected = {"quivor" + suffix: None, "quivor-study" + suffix: None, "LEIA-ME.html": args.guide}
    if args.page:
        expected["quivor.html"] = args.page
    for model in bundled_models(args.source):
        expected["exemplos/" + model] = os.path.join(examples, model)
    prefix = "" if windows else name + "/"
    found = members(args.archive)
    checks.expect(set(found) == {prefix + file for file in expected},
                  f"holds exactly {sorted(expected)}: it holds {sorted(found)}")
    for file, source in expected.items():
        data, executable = found.get(prefix + file, (None, False))
        if source:
            with open(source, "rb") as original:
                checks.expect(data == original.read(), f"{file}: the bytes of {source}")
        elif not windows:
            checks.expect(executable, f"{file}: executable")
    if args.page:
        page = found.get(prefix + "quivor.html", (b"", False))[0]
        checks.expect(f"<title>quivor {args.version}</title>".encode() in page,
                      f"quivor.html: the page of version {args.version}")

    work = tempfile.mkdtemp(prefix="quivor-package-")
    try:
        if windows:
            with zipfile.ZipFile(args.archive) as packed:
                packed.extractall(work)
        else:
            with tarfile.open(args.archive) as packed:
                if hasattr(tarfile, "data_filter"):
                    packed.extractall(work, filter="data")
                else:
                    packed.extractall(work)
        unpacked = os.path.join(work, prefix)
        for program in ("quivor", "quivor-study"):
            path = os.path.join(unpacked, program + suffix)
            if not os.path.exists(path):
                continue
            os.chmod(path, 0o755)  # a zip keeps no Unix modes
            if windows:
                dlls = imported_dlls(path)
                checks.expect(dlls and dlls <= WINDOWS_DLLS, f"{program}: imports only {dlls}")
            else:
                checks.expect(not has_interpreter(path), f"{program}: static, needs no loader")

        # From the unpacked exemplos/ folder, as a student would.
        folder = os.path.join(unpacked, "exemplos")
        wrapper = [os.path.abspath(word) if os.path.exists(word) else word
                   for word in shlex.split(args.wrapper)]
        quivor = os.path.join(unpacked, "quivor" + suffix)
        study = os.path.join(unpacked, "quivor-study" + suffix)
        cases = os.path.join(args.source, "tests", "e2e")
        result = run(wrapper, quivor, [], folder, b"pratt\n\n")
        checks.expect(result.returncode == 0, f"quivor: status {result.returncode}: {result.stderr!r}")
        with open(os.path.join(cases, "report-pratt", "expected.rtf"), "rb") as report:
            written = os.path.join(folder, "pratt.rtf")
            checks.expect(os.path.exists(written) and open(written, "rb").read() == report.read(),
                          "quivor: pratt.rtf is the report of the end-to-end case report-pratt")
        result = run(wrapper, study, ["pratt"], folder)
        checks.expect(result.returncode == 0,
                      f"quivor-study: status {result.returncode}: {result.stderr!r}")
        with open(os.path.join(cases, "study-pratt", "expected.stdout"), "rb") as console:
            checks.expect(result.stdout.startswith(console.read()) and
                          result.stdout.endswith(b"Desenho e gabarito: pratt.html.\n"),
                          f"quivor-study: shows the study of study-pratt: {result.stdout[-200:]!r}")
        page = os.path.join(folder, "pratt.html")
        checks.expect(os.path.exists(page) and b"<svg" in open(page, "rb").read() and
                      open(page, "rb").read().rstrip().endswith(b"</html>"),
                      "quivor-study: writes the page pratt.html")
        result = run(wrapper, study, ["--version"], folder)
        checks.expect(result.stdout == f"quivor-study {args.version}\n".encode(),
                      f"quivor-study --version: {result.stdout!r}")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"{args.archive}: {len(found)} files")
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
