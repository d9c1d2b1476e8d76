#!/usr/bin/env python3
"""Runs every example in the README and docs/ that shows what dla-grow prints, and checks
that the program prints just that today, times aside.

An example is a line `$ dla-grow ...` (in an indented or fenced block; a trailing backslash
continues it) followed at once by the lines it prints, up to a blank line, a fence or the
next `$`. Examples that show no output are not run. Times differ from run to run and are
compared as "…"; every other figure must match. A picture in docs/ whose command is given
in the text (`dla-grow ... -o NAME.png`, the file docs/NAME.png) must be the program's
picture byte for byte. So a change to the engine that alters a seed's cluster fails here
until the docs are made again:

    docs_figures.py DLA_GROW_FOLDER ROOT            check
    docs_figures.py DLA_GROW_FOLDER ROOT --update   write what the program prints into the docs
"""
import os
import re
import subprocess
import sys
import tempfile
from dataclasses import dataclass
from pathlib import Path

TIMINGS = [
    (re.compile(r'("seconds":)(-?[0-9][0-9.eE+-]*|null)'), r'\1…'),
    (re.compile(r'(, )[0-9]+\.[0-9]+( s,)'), r'\1…\2'),
    (re.compile(r'(, )[0-9]+\.[0-9]+( s in all)'), r'\1…\2'),
]


def masked(text: str) -> str:
    for pattern, replacement in TIMINGS:
        text = pattern.sub(replacement, text)
    return text


@dataclass
class Example:
    path: Path
    command: str
    first_output_line: int  # index into the file's lines
    shown: list


def examples_in(path: Path):
    lines = path.read_text(encoding="utf-8").split("\n")
    i = 0
    while i < len(lines):
        stripped = lines[i].strip()
        if not stripped.startswith("$ dla-grow"):
            i += 1
            continue
        indent = lines[i][: len(lines[i]) - len(lines[i].lstrip())]
        command = stripped[2:]
        while command.endswith("\\") and i + 1 < len(lines):
            i += 1
            command = command[:-1] + " " + lines[i].strip()
        i += 1
        first = i
        shown = []
        while i < len(lines):
            line = lines[i]
            if not line.strip() or line.strip().startswith("```") or line.strip().startswith("$ "):
                break
            shown.append(line[len(indent):] if line.startswith(indent) else line.strip())
            i += 1
        if shown:
            yield Example(path, command, first, shown)


def run(example: Example, grow_folder: str, scratch: Path) -> list:
    environment = dict(os.environ, PATH=grow_folder + os.pathsep + os.environ.get("PATH", ""))
    result = subprocess.run(["bash", "-c", example.command], cwd=scratch, env=environment,
                            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        raise RuntimeError(f"{example.path}: `{example.command}` exited with {result.returncode}: "
                           f"{result.stderr.strip()}")
    return result.stdout.rstrip("\n").split("\n")


PICTURE_COMMAND = re.compile(r"`(dla-grow [^`]*?-o ([\w.-]+\.png))`", re.DOTALL)


def check_pictures(document: Path, root: Path, grow_folder: str, update: bool):
    """Yields (picture, failure message or None) for each picture command in the document."""
    for match in PICTURE_COMMAND.finditer(document.read_text(encoding="utf-8")):
        command = " ".join(match.group(1).split())
        picture = root / "docs" / match.group(2)
        if not picture.exists():
            continue
        with tempfile.TemporaryDirectory(prefix="dla-docs-") as scratch:
            run(Example(document, command, 0, []), grow_folder, Path(scratch))
            made = (Path(scratch) / match.group(2)).read_bytes()
        if made == picture.read_bytes():
            yield picture, None
        elif update:
            picture.write_bytes(made)
            print(f"updated {picture.name}: {command}")
            yield picture, None
        else:
            yield picture, f"{document.name}: `{command}` makes another picture than {picture.name}"


def main() -> int:
    grow_folder, root = str(Path(sys.argv[1]).resolve()), Path(sys.argv[2])
    update = "--update" in sys.argv[3:]
    documents = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    failures = 0
    checked = 0
    for document in documents:
        for picture, failure in check_pictures(document, root, grow_folder, update):
            checked += 1
            if failure:
                failures += 1
                print(failure)
        found = list(examples_in(document))
        if not found:
            continue
        lines = document.read_text(encoding="utf-8").split("\n")
        # Later examples first, so an update keeps the earlier ones' line numbers.
        for example in reversed(found):
            with tempfile.TemporaryDirectory(prefix="dla-docs-") as scratch:
                printed = run(example, grow_folder, Path(scratch))
            checked += 1
            if [masked(line) for line in printed] == [masked(line) for line in example.shown]:
                continue
            if update:
                indent = lines[example.first_output_line][: len(lines[example.first_output_line])
                                                          - len(lines[example.first_output_line].lstrip())]
                lines[example.first_output_line:example.first_output_line + len(example.shown)] = [
                    indent + line for line in printed]
                print(f"updated {document.name}: {example.command}")
                continue
            failures += 1
            print(f"{document.name}:{example.first_output_line + 1}: `{example.command}` prints")
            for line in printed:
                print(f"    {line}")
            print("  where the docs show")
            for line in example.shown:
                print(f"    {line}")
        if update:
            document.write_text("\n".join(lines), encoding="utf-8")
    if checked == 0:
        print("no example found: the docs lost their examples, or this script lost its way")
        return 1
    if failures:
        print(f"{failures} of {checked} examples print other figures than the docs show; if the "
              f"engine changed on purpose, run {Path(sys.argv[0]).name} {grow_folder} {root} --update")
        return 1
    print(f"{checked} examples print what the docs show")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except RuntimeError as failure:  # an example that no longer runs
        print(failure)
        sys.exit(1)
