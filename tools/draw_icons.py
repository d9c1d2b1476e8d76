#!/usr/bin/env python3
"""Draws the program icon and the six 16x16 menu glyphs as RGBA PNG files.

The pictorial glyphs are pixel maps written out below; the two cluster glyphs
and the icon are grown by a small seeded diffusion-limited aggregation, so they
look like the program's own output and come out the same on every run.
Standard library only: the PNG files are assembled with zlib and struct.

Usage: tools/draw_icons.py [--preview FILE]
(run from anywhere; the files land in src/app/resources of this checkout)
"""

import argparse
import math
import random
import struct
import zlib
from pathlib import Path

RESOURCES = Path(__file__).resolve().parent.parent / "src" / "app" / "resources"

# The classic 16-colour palette; every glyph uses only these colours.
PALETTE = {
    "k": (0x00, 0x00, 0x00),  # black
    "m": (0x80, 0x00, 0x00),  # maroon
    "g": (0x00, 0x80, 0x00),  # green
    "o": (0x80, 0x80, 0x00),  # olive
    "n": (0x00, 0x00, 0x80),  # navy
    "p": (0x80, 0x00, 0x80),  # purple
    "t": (0x00, 0x80, 0x80),  # teal
    "s": (0xC0, 0xC0, 0xC0),  # silver
    "d": (0x80, 0x80, 0x80),  # grey
    "r": (0xFF, 0x00, 0x00),  # red
    "l": (0x00, 0xFF, 0x00),  # lime
    "y": (0xFF, 0xFF, 0x00),  # yellow
    "b": (0x00, 0x00, 0xFF),  # blue
    "f": (0xFF, 0x00, 0xFF),  # fuchsia
    "c": (0x00, 0xFF, 0xFF),  # cyan
    "w": (0xFF, 0xFF, 0xFF),  # white
}
TRANSPARENT = (0, 0, 0, 0)

# '.' is transparent; every other letter is a PALETTE key.
EXIT_MAP = [
    "................",
    ".gggggggggggggg.",
    ".gggggggggggggg.",
    "..kkkkkkkkkkkk..",
    "..kbbbbbkccccck.",
    "..kbbbbbkccccck.",
    "..kbbbbbkccccck.",
    "..kbbbbbkccccck.",
    "..kbbbbbkccccck.",
    "..kbbbbbkccccck.",
    "..kbbbgggcccck..",
    "..kbbgggggccck..",
    "..kbgggggggcck..",
    "..kggggggggggk..",
    ".dddddddddddddd.",
    "dddddddddddddddd",
]

ABOUT_MAP = [
    ".....kkkkkk.....",
    "....kyyyyyyk....",
    "...kyyyyyyyyk...",
    "...kyykkkkyyk...",
    "...kkk...kyyk...",
    "........kyyyk...",
    ".......kyyyk....",
    "......kyyyk.....",
    "......kyyk......",
    "......kyyk......",
    "......kkkk......",
    "................",
    "......kkkk......",
    "......kyyk......",
    "......kyyk......",
    "......kkkk......",
]

SAVEAS_MAP = [
    ".kkkkkkkkkkkkkk.",
    ".kokwwwwwwwwkok.",
    ".kokwwwwwwwwkok.",
    ".kokwwwwwwwwkok.",
    ".kokwwwwwwwwkok.",
    ".kokwwwwwwwwkok.",
    ".kookkkkkkkkook.",
    ".kooooooooooook.",
    ".kooooooooooook.",
    ".koossssssssook.",
    ".koosskkssssook.",
    ".koosskkssssook.",
    ".koossssssssook.",
    ".kooooooooooook.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

RESET_MAP = [
    "..kkkkkkkkk.....",
    "..kwwwwwwwkk....",
    "..kwwwwwwwksk...",
    "..kwwwwwwwkssk..",
    "..kwwwwwwwkkkkk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "..kkkkkkkkkkkkk.",
]


def picture_from_map(rows):
    """Turns a list of equal-length letter rows into rows of RGBA tuples."""
    width = len(rows[0])
    picture = []
    for y, row in enumerate(rows):
        if len(row) != width:
            raise ValueError(f"row {y} is {len(row)} wide, expected {width}: {row!r}")
        picture.append([TRANSPARENT if ch == "." else PALETTE[ch] + (255,) for ch in row])
    return picture


def picture_from_cells(width, height, cells):
    """White cells on an opaque black ground."""
    white = PALETTE["w"] + (255,)
    black = PALETTE["k"] + (255,)
    return [[white if (x, y) in cells else black for x in range(width)] for y in range(height)]


NEIGHBOURS = [(dx, dy) for dy in (-1, 0, 1) for dx in (-1, 0, 1) if (dx, dy) != (0, 0)]


def touches(cells, x, y):
    return any((x + dx, y + dy) in cells for dx, dy in NEIGHBOURS)


def grow_snowflake(size, points, seed):
    """Grows a cluster outward from the centre; walkers start on a circle a
    little outside it, wander in eight directions and restart from a new
    place on the circle when they stray too far."""
    rng = random.Random(seed)
    centre = (size - 1) / 2
    cells = {(size // 2, size // 2)}
    radius = 1.0
    limit = size / 2 - 1

    def release():
        angle = rng.random() * 2 * math.pi
        distance = min(radius + 3, limit)
        return round(centre + distance * math.cos(angle)), round(centre + distance * math.sin(angle))

    while len(cells) < points and radius < limit:
        x, y = release()
        while True:
            if touches(cells, x, y):
                cells.add((x, y))
                radius = max(radius, math.hypot(x - centre, y - centre))
                break
            dx, dy = NEIGHBOURS[int(rng.random() * 8)]
            x, y = x + dx, y + dy
            if math.hypot(x - centre, y - centre) > limit + 1:
                x, y = release()
    return cells


def grow_plant(width, height, points, seed):
    """Grows a cluster upward from a line along the bottom edge; walkers fall
    from just above the top of the cluster, and the side edges are joined."""
    rng = random.Random(seed)
    cells = {(x, height - 1) for x in range(width)}
    top = height - 1
    while len(cells) < points + width and top > 1:
        x, y = int(rng.random() * width), max(top - 3, 0)
        while True:
            if touches_wrapped(cells, x, y, width):
                cells.add((x, y))
                top = min(top, y)
                break
            step = rng.random()
            if step < 0.3:
                x = (x - 1) % width
            elif step < 0.6:
                x = (x + 1) % width
            elif step < 0.75:
                y -= 1
            else:
                y += 1
            if y < top - 6:
                x, y = int(rng.random() * width), max(top - 3, 0)
    return cells


def touches_wrapped(cells, x, y, width):
    return any(((x + dx) % width, y + dy) in cells for dx, dy in NEIGHBOURS)


def png_bytes(picture):
    """Encodes rows of RGBA tuples as an 8-bit RGBA PNG."""
    height, width = len(picture), len(picture[0])
    raw = bytearray()
    for row in picture:
        raw.append(0)  # filter type None
        for pixel in row:
            raw.extend(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_png(path, picture):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png_bytes(picture))


def preview(pictures, scale, gap):
    """Lays the pictures side by side, enlarged, on a checkerboard that shows
    the transparent parts."""
    width = sum(len(p[0]) * scale + gap for p in pictures) + gap
    height = max(len(p) for p in pictures) * scale + 2 * gap
    sheet = [[(0xA0, 0xA0, 0xA0, 255) if ((x // 8 + y // 8) % 2) else (0xE0, 0xE0, 0xE0, 255)
              for x in range(width)] for y in range(height)]
    left = gap
    for picture in pictures:
        for y, row in enumerate(picture):
            for x, pixel in enumerate(row):
                if pixel[3] == 0:
                    continue
                for sy in range(scale):
                    for sx in range(scale):
                        sheet[gap + y * scale + sy][left + x * scale + sx] = pixel
        left += len(picture[0]) * scale + gap
    return sheet


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", type=Path, help="also write an enlarged montage here")
    args = parser.parse_args()

    # The seeds were picked by eye from a few dozen: small clusters easily grow
    # lopsided, and these spread evenly enough to read at menu size.
    glyphs = {
        "exit": picture_from_map(EXIT_MAP),
        "about": picture_from_map(ABOUT_MAP),
        "saveas": picture_from_map(SAVEAS_MAP),
        "reset": picture_from_map(RESET_MAP),
        "snowflake": picture_from_cells(16, 16, grow_snowflake(16, 60, seed=107)),
        "plantlife": picture_from_cells(16, 16, grow_plant(16, 16, 45, seed=6)),
    }
    icon = picture_from_cells(32, 32, grow_snowflake(32, 250, seed=172))

    for name, picture in glyphs.items():
        write_png(RESOURCES / "glyphs" / f"{name}.png", picture)
    write_png(RESOURCES / "dla.png", icon)

    if args.preview:
        write_png(args.preview, preview(list(glyphs.values()) + [icon], scale=6, gap=12))


if __name__ == "__main__":
    main()
