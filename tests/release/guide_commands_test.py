"""Every command of the users' guide, run exactly as printed, in the order a
reader meets them, in one fresh folder that holds the bundled examples (as
the guide tells the reader to set it up), with the programs on PATH.

The guide marks what it shows (docs/LEIA-ME.html.in):
  <pre class="comando" data-estado="N">   a command line; its exit status (default 0)
  <pre class="saida">                     right after one: what the console shows
  <pre class="janela" data-programa="P">  the window of P started by a double-click
                                           (no arguments), with what it shows
  data-abre="F" on either                  the run opens F in the browser; without
                                           it, a run opens nothing
  <pre class="modelo" data-arquivo="F">   a model the reader writes: saved as F
  <pre class="modelo" data-exemplo="F">   a bundled model, shown: it must be F
  <pre class="arquivo" data-arquivo="F">  a file a command left: F as it is then
In what a console shows, <kbd> is what the reader types (its text, or its
data-digita), then Enter; a line "[…]" stands for any number of lines,
and <var> for any text within a line. Lines are compared without their
trailing blanks, the programs' CR LF as LF, quivor's Windows-1252 decoded.

Also: every subcommand and every option that `quivor-study --help` lists
is in the guide, each subcommand with a command of its own; every <pre> is
one of the kinds above; a command written within the text (<code>) is one
of those run (.\\ or ./ before it aside)."""

import argparse
import html.parser
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "page"))
from checks import Checks  # noqa: E402

KINDS = {"comando", "saida", "janela", "modelo", "arquivo"}
ELISION = "[…]"
PROGRAMS = ("quivor", "quivor-study")


def trimmed(text):
    """The lines, without trailing blanks, nor blank lines first or last."""
    text = "\n".join(line.rstrip() for line in text.replace("\r\n", "\n").split("\n"))
    return text.strip("\n").split("\n")


class Block:
    def __init__(self, kind, attributes):
        self.kind = kind
        self.attributes = attributes
        self.parts = []  # ("text", s), ("typed", s), ("any", s)

    def shown(self):
        return "".join(text for _, text in self.parts)

    def typed(self):
        return "".join(text + "\n" for what, text in self.parts if what == "typed")

    def pattern(self):
        """The lines to match: regular expressions, None for an elision."""
        text = ""
        parts = list(self.parts)
        for at, (what, value) in enumerate(parts):
            if what == "typed":
                # The echo of what is typed, and its Enter, are the console's.
                following = parts[at + 1] if at + 1 < len(parts) else None
                if following and following[0] == "text" and following[1].startswith("\n"):
                    parts[at + 1] = ("text", following[1][1:])
            else:
                text += value if what == "text" else "\0"
        return [None if line == ELISION
                else re.compile(".*".join(re.escape(piece) for piece in line.split("\0")))
                for line in trimmed(text)]


class GuideReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.blocks = []
        self.pres = 0
        self.block = None
        self.inner = None  # "typed" or "any" inside a block
        self.text = []
        self.codes = []  # the text of each <code>
        self.code = None

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if tag == "pre":
            self.pres += 1
            kind = next((c for c in (attributes.get("class") or "").split() if c in KINDS), None)
            if kind:
                self.block = Block(kind, attributes)
                self.blocks.append(self.block)
        elif self.block and tag == "kbd":
            self.inner = "typed"
            self.block.parts.append(("typed", attributes.get("data-digita")))
        elif tag == "code":
            self.code = ""
        elif self.block and tag == "var":
            self.inner = "any"
            self.block.parts.append(("any", ""))

    def handle_endtag(self, tag):
        if tag == "code" and self.code is not None:
            self.codes.append(self.code)
            self.code = None
        elif tag == "pre":
            self.block = None
        elif tag in ("kbd", "var"):
            self.inner = None

    def handle_data(self, data):
        self.text.append(data)
        if self.code is not None:
            self.code += data
        if not self.block:
            return
        if self.inner:
            what, value = self.block.parts[-1]
            if value is None or what == "any":
                self.block.parts[-1] = (what, data if value is None else value + data)
        else:
            self.block.parts.append(("text", data))


def normal(data, name):
    """The lines of a program's output or of a file."""
    return trimmed(data.decode("cp1252" if name == "quivor" or name.endswith(".rtf")
                               else "utf-8-sig"))


def matches(pattern, lines):
    """Whether the lines are those of the pattern, elisions taking any number."""
    if not pattern:
        return not lines
    if pattern[0] is None:
        return any(matches(pattern[1:], lines[at:]) for at in range(len(lines) + 1))
    return bool(lines) and bool(pattern[0].fullmatch(lines[0])) and matches(pattern[1:], lines[1:])


class GuideRun:
    def __init__(self, checks, blocks, folder, bin_folder, examples):
        self.checks = checks
        self.blocks = blocks
        self.folder = folder
        self.opened = os.path.join(bin_folder, "opened")
        self.env = dict(os.environ, PATH=bin_folder + os.pathsep + os.environ.get("PATH", ""),
                        QUIVOR_GUIDE_OPENED=self.opened)
        self.examples = examples

    def run(self, argv, block, shown):
        status = int(block.attributes.get("data-estado", "0"))
        typed = (shown or block).typed().encode()
        result = subprocess.run(argv, cwd=self.folder, env=self.env, input=typed,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
        what = " ".join(argv) if len(argv) > 1 or block.kind == "comando" else f"{argv[0]} (janela)"
        self.checks.expect(result.returncode == status,
                           f"{what}: status {result.returncode}, the guide says {status}",
                           result.stdout.decode(errors="replace"))
        page = block.attributes.get("data-abre")
        # The browser is started apart, and the program does not wait for it:
        # the opener's line may not be whole yet when its file is there.
        for _ in range(50 if page else 0):
            if os.path.exists(self.opened):
                with open(self.opened) as names:
                    if names.read().endswith("\n"):
                        break
            time.sleep(0.1)
        opened = []
        if os.path.exists(self.opened):
            with open(self.opened) as names:
                opened = names.read().split()
            os.remove(self.opened)
        self.checks.expect(opened == ([page] if page else []),
                           f"{what}: opens {opened} in the browser")
        if shown is not None:
            lines = normal(result.stdout, argv[0])
            self.checks.expect(matches(shown.pattern(), lines),
                               f"{what}: shows what the guide shows",
                               "--- the program shows:\n" + "\n".join(lines) +
                               "\n--- the guide:\n" + shown.shown().strip("\n"))
        print(f"ran: {what}", flush=True)

    def file(self, block, path, name):
        with open(path, "rb") as data:
            lines = normal(data.read(), name)
        self.checks.expect(matches(block.pattern(), lines), f"{name}: as the guide shows it",
                           "--- the file:\n" + "\n".join(lines))

    def go(self):
        blocks = self.blocks
        for at, block in enumerate(blocks):
            following = blocks[at + 1] if at + 1 < len(blocks) else None
            attributes = block.attributes
            if block.kind == "comando":
                argv = shlex.split(block.shown())
                self.checks.expect(argv and argv[0] in PROGRAMS,
                                   f"a command of ours: {block.shown()!r}")
                self.run(argv, block, following if following and following.kind == "saida" else None)
            elif block.kind == "saida":
                self.checks.expect(at > 0 and blocks[at - 1].kind == "comando",
                                   f"output that follows a command: {block.shown()[:60]!r}")
            elif block.kind == "janela":
                self.run([attributes["data-programa"]], block, block)
            elif block.kind == "modelo" and "data-exemplo" in attributes:
                name = attributes["data-exemplo"]
                self.file(block, os.path.join(self.examples, name), name)
            elif block.kind == "modelo":
                with open(os.path.join(self.folder, attributes["data-arquivo"]), "w") as model:
                    model.write(block.shown().strip("\n") + "\n")
            else:
                name = attributes["data-arquivo"]
                path = os.path.join(self.folder, name)
                self.checks.expect(os.path.isfile(path), f"{name}: left by the commands before it")
                if os.path.isfile(path):
                    self.file(block, path, name)


def help_words(study):
    """The subcommands that `quivor-study --help` lists, and the options of
    the command and of each subcommand."""
    def shown(*args):
        text = subprocess.run([study, *args, "--help"], capture_output=True, text=True,
                              check=True).stdout
        return text.split("Subcomandos:")

    main_help = shown()
    commands = re.findall(r"^  ([a-z]+) ", main_help[1], re.M) if len(main_help) > 1 else []
    options = set()
    for text in [main_help[0]] + [shown(name)[0] for name in commands]:
        options |= set(re.findall(r"(?<![\w-])--[a-z][a-z-]+", text))
    return options, commands


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--guide", required=True, help="the built LEIA-ME.html")
    parser.add_argument("--program", required=True, help="quivor")
    parser.add_argument("--study", required=True, help="quivor-study")
    parser.add_argument("--examples", required=True, help="the bundled examples' folder")
    args = parser.parse_args()

    reader = GuideReader()
    with open(args.guide, encoding="utf-8") as guide:
        reader.feed(guide.read())
    checks = Checks()
    work = tempfile.mkdtemp(prefix="quivor-guide-")
    try:
        bin_folder = os.path.join(work, "bin")
        folder = os.path.join(work, "pasta")
        os.makedirs(bin_folder)
        os.makedirs(folder)
        for name, target in (("quivor", args.program), ("quivor-study", args.study)):
            os.symlink(os.path.abspath(target), os.path.join(bin_folder, name))
        # The browser: it only notes what it was asked to open.
        with open(os.path.join(bin_folder, "xdg-open"), "w") as opener:
            opener.write('#!/bin/sh\nprintf "%s\\n" "$@" >>"$QUIVOR_GUIDE_OPENED"\n')
        os.chmod(os.path.join(bin_folder, "xdg-open"), 0o755)
        for name in os.listdir(args.examples):
            shutil.copy(os.path.join(args.examples, name), folder)

        run = GuideRun(checks, reader.blocks, folder, bin_folder, args.examples)
        checks.expect(len(reader.blocks) == reader.pres,
                      f"every <pre> is of a known kind: {reader.pres - len(reader.blocks)} are not")
        commands = [shlex.split(b.shown()) for b in reader.blocks if b.kind == "comando"]
        for code in reader.codes:
            written = re.fullmatch(r"(?:\.[\\/])?(quivor(?:-study)?\s.*)", code)
            checks.expect(not written or shlex.split(written.group(1)) in commands,
                          f"the command {code!r} in the text is one the guide runs")
        options, subcommands = help_words(args.study)
        text = "".join(reader.text)
        for option in sorted(options):
            checks.expect(option in text, f"the guide tells of {option}")
        for name in subcommands:
            checks.expect(any(argv[1:2] == [name] for argv in commands),
                          f"the guide has a command with quivor-study {name}")
        run.go()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{len(reader.blocks)} blocks of the guide")
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
