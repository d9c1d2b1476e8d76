#!/usr/bin/env python3
"""Checks the layering that docs/architecture.md describes, from the includes themselves:

- the engine includes no Qt and nothing of the front ends;
- an engine folder includes only folders below its own layer, so no two parts depend on
  each other;
- in dla-grow, only main.cpp reads the command line's parser (GrowOptions): the request, the
  plan and the runs stand below it;
- no growth mode's name is written in dla-grow outside the mode table.

    layers.py SOURCE_ROOT
"""
import re
import sys
from pathlib import Path

# Top to bottom; a folder may include its own layer's files and those of lower layers.
ENGINE_LAYERS = [
    {"offlattice3d"},  # builds on the plane growth's random source, directions and host
    {"offlattice"},
    {"picture", "statistics"},
    {"lattice"},
    {"files"},
    {"memory"},
]
INCLUDE = re.compile(r'^\s*#\s*include\s+["<]([^">]+)[">]', re.MULTILINE)


def layer_of(folder: str) -> int:
    for depth, layer in enumerate(ENGINE_LAYERS):
        if folder in layer:
            return depth
    return -1


def sources(folder: Path):
    return sorted(p for p in folder.rglob("*") if p.suffix in (".h", ".cpp"))


def engine_faults(engine: Path):
    for path in sources(engine):
        folder = path.relative_to(engine).parts[0]
        own = layer_of(folder)
        if own < 0:
            yield f"{path}: the folder {folder}/ has no layer in this test or docs/architecture.md"
            continue
        for included in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if included.startswith("Q") or "/Q" in included:
                yield f"{path}: includes Qt ({included})"
            if "/" not in included:
                continue
            target = included.split("/")[0]
            if not (engine / target).is_dir():
                continue
            if layer_of(target) < own:
                yield f"{path}: {folder}/ includes {included}, a layer above its own"
            elif layer_of(target) == own and target != folder:
                yield f"{path}: {folder}/ includes {included}, a part beside its own"


def grower_faults(cli: Path, mode_names):
    for path in sources(cli):
        text = path.read_text(encoding="utf-8")
        if path.name != "main.cpp" and not path.name.startswith("GrowOptions") and \
                '"GrowOptions.h"' in text:
            yield f"{path}: includes the command line's parser; only main.cpp stands above it"
        if path.name.startswith("ModeTable"):
            continue
        code = re.sub(r"//[^\n]*", "", text)  # a comment may name a mode as an example
        for name in mode_names:
            if re.search(r'"' + re.escape(name) + r'"', code):
                yield f"{path}: names the mode \"{name}\"; only the mode table may"


def mode_names(cli: Path):
    table = (cli / "ModeTable.cpp").read_text(encoding="utf-8")
    return re.findall(r'\.name\s*=\s*"([^"]+)"', table)


def main() -> int:
    root = Path(sys.argv[1])
    names = mode_names(root / "src/cli")
    if len(names) < 3:
        print(f"found only {names} in the mode table: this test has lost its way")
        return 1
    faults = list(engine_faults(root / "src/engine")) + list(grower_faults(root / "src/cli", names))
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"the layers hold: {len(sources(root / 'src/engine'))} engine files, modes {', '.join(names)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
