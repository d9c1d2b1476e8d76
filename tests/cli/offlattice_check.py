#!/usr/bin/env python3
"""Checks of what dla-grow's offlattice mode writes, for offlattice.sh. Each command prints what
is wrong, one line each, and exits with 1 when anything is; silent and 0 when all holds.

  contact LIST                   the particle list's rows, contacts and overlaps
  figures LIST SUMMARY           the summary's particles and gyration radius against the list
  picture LIST PPM SCALE COLOUR WHICH
                                 the picture (binary PPM) against the list, COLOUR white or age;
                                 WHICH all (every particle must be in the picture, the last but
                                 for its outer half) or inside
  keys SUMMARY                   a run summary's keys, in order, and the nulls of other modes
  reach LIST                     prints the farthest disc's reach with and without the last row
"""

import json
import math
import sys

TOLERANCE = 1e-9
ALL_KEYS = ["mode", "engine", "width", "height", "seed", "wanderers", "moves", "marker", "seconds", "pixels",
            "gyration_radius", "dimension", "particles", "jumps", "output", "particle_list"]
LATTICE_ONLY = ["wanderers", "moves", "marker", "pixels"]

problems = []


def problem(text):
    if len(problems) < 20:
        problems.append(text)


def read_list(path):
    """The rows as (x, y, parent), after checking the header and the numbering."""
    with open(path) as listing:
        header = listing.readline().rstrip("\n")
        if header != "index,x,y,parent":
            problem(f"header is '{header}'")
        rows = []
        for number, line in enumerate(listing):
            fields = line.rstrip("\n").split(",")
            if len(fields) != 4:
                problem(f"row {number}: '{line.strip()}' is not index,x,y,parent")
                continue
            index, x, y, parent = int(fields[0]), float(fields[1]), float(fields[2]), int(fields[3])
            if index != number:
                problem(f"row {number} has index {index}")
            if not -1 <= parent < index:
                problem(f"row {index}: parent {parent} is not an earlier row or -1")
            rows.append((x, y, parent))
    return rows


def centres(rows):
    """Every particle's centre, the origin particle's first."""
    return [(0.0, 0.0)] + [(x, y) for x, y, _ in rows]


def check_contact(rows):
    points = centres(rows)
    for index, (x, y, parent) in enumerate(rows):
        px, py = points[parent + 1]
        distance = math.hypot(x - px, y - py)
        if abs(distance - 1) > TOLERANCE:
            problem(f"row {index}: {distance!r} from its parent {parent}, not 1")
    # No two centres closer than a diameter: every pair within a cell of each other on a grid of
    # unit cells is compared, which covers every pair closer than 1.
    grid = {}
    for number, (x, y) in enumerate(points):
        grid.setdefault((math.floor(x), math.floor(y)), []).append(number)
    for (cx, cy), members in grid.items():
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                for other in grid.get((cx + dx, cy + dy), []):
                    for number in members:
                        if other <= number:
                            continue
                        distance = math.dist(points[number], points[other])
                        if distance < 1 - TOLERANCE:
                            problem(f"particles {number - 1} and {other - 1} (rows; -1 the origin) are "
                                    f"{distance!r} apart")


def check_figures(rows, summary):
    if summary["particles"] != len(rows):
        problem(f"summary says {summary['particles']} particles, the list has {len(rows)} rows")
    points = centres(rows)
    mean_x = sum(x for x, _ in points) / len(points)
    mean_y = sum(y for _, y in points) / len(points)
    gyration = math.sqrt(sum((x - mean_x) ** 2 + (y - mean_y) ** 2 for x, y in points) / len(points))
    if not math.isclose(gyration, summary["gyration_radius"], rel_tol=1e-9):
        problem(f"gyration radius {summary['gyration_radius']} in the summary, {gyration} from the list")


def read_ppm(path):
    with open(path, "rb") as picture:
        data = picture.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path} is not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]


def check_picture(rows, path, scale, colour, which):
    width, height, pixels = read_ppm(path)
    points = centres(rows)

    def pixel_of(x, y):
        return math.floor(x * scale + width / 2), math.floor(height / 2 - y * scale)

    def colour_at(column, row):
        at = 3 * (row * width + column)
        return tuple(pixels[at:at + 3])

    # Every particle lies in the picture and lights the pixel its centre is in; in a run to the
    # edge, the last one's disc reaches the edge, so its centre may lie up to half a diameter
    # beyond it.
    def beyond(x, y):
        return max(abs(x) - width / 2 / scale, abs(y) - height / 2 / scale)

    for number, (x, y) in enumerate(points):
        column, row = pixel_of(x, y)
        if not (0 <= column < width and 0 <= row < height):
            last_within_reach = number == len(points) - 1 and beyond(x, y) <= 0.5
            if which == "all" and not last_within_reach:
                problem(f"particle {number - 1} at {x}, {y} is outside the {width} x {height} picture")
        elif colour_at(column, row) == (0, 0, 0):
            problem(f"particle {number - 1}: its centre's pixel {column}, {row} is black")
    # Every lit pixel is near a particle: within its disc, or the pixel its centre is in.
    near = {}
    for x, y in points:
        column, row = pixel_of(x, y)
        near.setdefault((column // 8, row // 8), []).append((x * scale + width / 2, height / 2 - y * scale))
    reach = scale / 2 + 1.5
    lit = 0
    for row in range(height):
        for column in range(width):
            value = colour_at(column, row)
            if value == (0, 0, 0):
                continue
            lit += 1
            if colour == "white" and value != (255, 255, 255):
                problem(f"pixel {column}, {row} is {value} in a white picture")
            centre = (column + 0.5, row + 0.5)
            candidates = [p for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                          for p in near.get((column // 8 + dx, row // 8 + dy), [])]
            if not any(math.dist(centre, p) <= reach for p in candidates):
                problem(f"pixel {column}, {row} is lit with no particle near it")
    if colour == "age":
        origin = colour_at(*pixel_of(0, 0))
        if origin != (255, 255, 255):
            problem(f"the origin particle is {origin}, not white")

        def lightness(members):
            values = [colour_at(*pixel_of(x, y)) for x, y in members]
            return sum(sum(value) for value in values) / len(values)

        count = max(1, len(rows) // 10)
        first, last = lightness(points[1:count + 1]), lightness(points[-count:])
        if not first < last:
            problem(f"the first arrivals are not darker than the last ({first} against {last})")


def check_keys(summary_text):
    pairs = json.loads(summary_text, object_pairs_hook=lambda pairs: pairs)
    keys = [key for key, _ in pairs]
    if keys != ALL_KEYS:
        problem(f"keys are {keys}")
    summary = dict(pairs)
    for key in LATTICE_ONLY:
        if summary.get(key, "missing") is not None:
            problem(f"{key} is {summary.get(key, 'missing')}, not null")
    for key in ("particles", "jumps"):
        if not isinstance(summary.get(key), int) or summary[key] < 1:
            problem(f"{key} is {summary.get(key)}, not a whole number of 1 or more")
    if not isinstance(summary.get("gyration_radius"), float):
        problem(f"gyration_radius is {summary.get('gyration_radius')}")


def main():
    command, arguments = sys.argv[1], sys.argv[2:]
    if command == "contact":
        check_contact(read_list(arguments[0]))
    elif command == "figures":
        with open(arguments[1]) as summary:
            check_figures(read_list(arguments[0]), json.loads(summary.readline()))
    elif command == "picture":
        check_picture(read_list(arguments[0]), arguments[1], float(arguments[2]), arguments[3], arguments[4])
    elif command == "keys":
        with open(arguments[0]) as summary:
            check_keys(summary.readline())
    elif command == "reach":
        points = centres(read_list(arguments[0]))
        reach = [math.hypot(x, y) + 0.5 for x, y in points]
        print(max(reach), max(reach[:-1]))
    else:
        raise SystemExit(f"unknown command {command}")
    for text in problems:
        print(text)
    sys.exit(1 if problems else 0)


main()
