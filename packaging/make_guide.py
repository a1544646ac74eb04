"""Makes the users' guide, one self-contained HTML file, from its source:
every picture the source names by a file name (src="guia-pagina.png") is
embedded as a data: URI, read from the source's folder, and @VERSION@ is
replaced by the project's version.

    make_guide.py --version 1.0.0 docs/LEIA-ME.html.in build/release/LEIA-ME.html

Fails, naming it, on a picture that is missing or of an unknown kind, and
on a placeholder left over."""

import argparse
import base64
import os
import re
import sys

KINDS = {".png": "image/png", ".jpg": "image/jpeg", ".jpeg": "image/jpeg", ".svg": "image/svg+xml"}
PICTURE = re.compile(r'(<img\b[^>]*?\bsrc=")([^":]+)(")', re.S)


def embed(source, folder, version):
    problems = []

    def data_uri(match):
        name = match.group(2)
        kind = KINDS.get(os.path.splitext(name)[1].lower())
        path = os.path.join(folder, name)
        if kind is None or not os.path.isfile(path):
            problems.append(f"picture {name}: " + ("not found" if kind else "unknown kind"))
            return match.group(0)
        with open(path, "rb") as picture:
            encoded = base64.b64encode(picture.read()).decode("ascii")
        return f"{match.group(1)}data:{kind};base64,{encoded}{match.group(3)}"

    text = PICTURE.sub(data_uri, source.replace("@VERSION@", version))
    problems += [f"placeholder {name} left over" for name in re.findall(r"@[A-Z_]+@", text)]
    return text, problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("source")
    parser.add_argument("output")
    args = parser.parse_args()
    with open(args.source, encoding="utf-8") as source:
        text, problems = embed(source.read(), os.path.dirname(os.path.abspath(args.source)),
                               args.version)
    if problems:
        for problem in problems:
            print(f"{args.source}: {problem}", file=sys.stderr)
        return 1
    temporary = args.output + ".part"
    with open(temporary, "w", encoding="utf-8", newline="\n") as output:
        output.write(text)
    os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
