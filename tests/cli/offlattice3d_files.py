#!/usr/bin/env python3
"""The 3D off-lattice mode's files, read by a real reader (meshio's PLY reader):
- a PLY list has one vertex per particle, the origin's first, x, y, z and the parent's vertex;
- every particle lies 1 +- 1e-9 from its parent and no two closer than 1 - 1e-9, over the
  whole cluster (a hash of unit cells, not a sample);
- the CSV list index,x,y,z,parent holds the same doubles as the PLY file;
- the plane mode's PLY list has z = 0 and the rows of its CSV list;
- the picture is a PNG of the size the summary gives.
    offlattice3d_files.py DLA_GROW WORK_FOLDER
"""
import csv
import json
import math
import subprocess
import sys
from collections import defaultdict
from pathlib import Path

import meshio
import numpy


def grow(dla_grow, folder, *args):
    done = subprocess.run([dla_grow, *args, "--json", "-q"], cwd=folder, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"dla-grow {' '.join(args)} failed: {done.stderr.strip()}")
    return json.loads(done.stdout)


def contact_faults(points, parents):
    faults = []
    for vertex in range(1, len(points)):
        parent = parents[vertex]
        if not 0 <= parent < vertex:
            faults.append(f"vertex {vertex}: parent {parent}")
            continue
        gap = numpy.linalg.norm(points[vertex] - points[parent])
        if abs(gap - 1) > 1e-9:
            faults.append(f"vertex {vertex}: {gap!r} from its parent")
    cells = defaultdict(list)
    keys = numpy.floor(points).astype(numpy.int64)
    for vertex, key in enumerate(map(tuple, keys)):
        cells[key].append(vertex)
    closest = math.inf
    for key, members in cells.items():
        near = [v for dx in (-1, 0, 1) for dy in (-1, 0, 1) for dz in (-1, 0, 1)
                for v in cells.get((key[0] + dx, key[1] + dy, key[2] + dz), ())]
        near = numpy.array(near)
        for vertex in members:
            others = near[near != vertex]
            if len(others):
                closest = min(closest, numpy.min(numpy.linalg.norm(points[others] - points[vertex], axis=1)))
    if closest < 1 - 1e-9:
        faults.append(f"two particles {closest!r} apart")
    return faults


def read_ply(path, vertices):
    mesh = meshio.read(path)
    if mesh.points.shape != (vertices, 3) or mesh.points.dtype != numpy.float64:
        sys.exit(f"{path}: {mesh.points.shape} {mesh.points.dtype} points, not {vertices} of doubles")
    return mesh.points, numpy.asarray(mesh.point_data["parent"])


def main():
    dla_grow, folder = sys.argv[1], Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    faults = []

    summary = grow(dla_grow, folder, "-m", "offlattice3d", "-n", "20000", "-r", "5", "--colour", "age",
                   "-o", "space.png", "--particles", "space.PLY")
    if summary["mode"] != "offlattice3d" or summary["particles"] != 20000 or summary["particle_list"] != "space.PLY":
        faults.append(f"summary {summary}")
    if not 2.3 < summary["dimension"] < 2.7:
        faults.append(f"dimension {summary['dimension']}")
    points, parents = read_ply(folder / "space.PLY", 20001)
    if parents[0] != -1 or tuple(points[0]) != (0, 0, 0):
        faults.append("vertex 0 is not the origin particle with parent -1")
    faults += contact_faults(points, parents)

    grow(dla_grow, folder, "-m", "offlattice3d", "-n", "20000", "-r", "5", "-o", "space.bmp",
         "--particles", "space.csv")
    with open(folder / "space.csv", newline="") as rows:
        table = list(csv.reader(rows))
    if table[0] != ["index", "x", "y", "z", "parent"] or len(table) != 20001:
        faults.append(f"CSV header {table[0]}, {len(table)} lines")
    for row in table[1:]:
        vertex = int(row[0]) + 1
        if [float(v) for v in row[1:4]] != list(points[vertex]) or int(row[4]) + 1 != parents[vertex]:
            faults.append(f"CSV row {row} is not vertex {vertex} of the PLY file")
            break

    data = (folder / "space.png").read_bytes()
    width, height = int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
    if data[:8] != b"\x89PNG\r\n\x1a\n" or (width, height) != (summary["width"], summary["height"]):
        faults.append(f"picture {width} x {height}, summary {summary['width']} x {summary['height']}")

    grow(dla_grow, folder, "-m", "offlattice", "-n", "3000", "-r", "2", "-o", "plane.png", "--particles", "plane.ply")
    grow(dla_grow, folder, "-m", "offlattice", "-n", "3000", "-r", "2", "-o", "plane.png", "--particles", "plane.csv")
    plane, plane_parents = read_ply(folder / "plane.ply", 3001)
    if numpy.any(plane[:, 2] != 0):
        faults.append("the plane's PLY list has z other than 0")
    with open(folder / "plane.csv", newline="") as rows:
        table = list(csv.reader(rows))
    for row in table[1:]:
        vertex = int(row[0]) + 1
        if [float(v) for v in row[1:3]] != list(plane[vertex, :2]) or int(row[3]) + 1 != plane_parents[vertex]:
            faults.append(f"the plane's CSV row {row} is not vertex {vertex} of its PLY file")
            break
    faults += contact_faults(plane, plane_parents)

    for fault in faults[:20]:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
