"""What the module's tests share: dla-grow run as a subprocess, and its files read back."""

import csv
import json
import os
import struct
import subprocess

import numpy as np
import pytest


@pytest.fixture(scope="session")
def dla_grow():
    """Runs the dla-grow built beside the module; returns the finished process."""
    program = os.environ.get("DLA_GROW")
    if not program:
        pytest.fail("DLA_GROW must name the dla-grow program (ctest sets it)")

    def run(*arguments, check=True):
        done = subprocess.run([program, "-q", *map(str, arguments)], capture_output=True, text=True, timeout=600)
        if check and done.returncode != 0:
            pytest.fail(f"dla-grow {' '.join(map(str, arguments))} failed: {done.stderr}")
        return done

    return run


def summary_of(done):
    """The JSON summary dla-grow printed with --json."""
    return json.loads(done.stdout.splitlines()[-1])


def refusal_of(done):
    """dla-grow's one-line message for bad input, without its name."""
    assert done.returncode == 2, done.stderr
    line = done.stderr.strip()
    assert line.startswith("dla-grow: ")
    return line[len("dla-grow: "):]


def read_csv(path, space=False):
    """The particle list's rows as (index, x, y, parent) columns of text, (index, x, y, z,
    parent) for a list in space."""
    with open(path, newline="") as file:
        rows = list(csv.reader(file))
    assert rows[0] == (["index", "x", "y", "z", "parent"] if space else ["index", "x", "y", "parent"])
    return [list(column) for column in zip(*rows[1:])]


def read_bmp(path):
    """A 24-bit BMP file as an H x W x 3 array of red, green and blue, row 0 at the top."""
    data = open(path, "rb").read()
    assert data[:2] == b"BM"
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    bits, = struct.unpack_from("<H", data, 28)
    assert bits == 24
    row_bytes = (3 * width + 3) // 4 * 4
    rows = np.frombuffer(data, np.uint8, row_bytes * height, offset).reshape(height, row_bytes)
    bgr = rows[:, : 3 * width].reshape(height, width, 3)
    return bgr[::-1, :, ::-1]
