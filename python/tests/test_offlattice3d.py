"""A cluster grown in space in Python is the one dla-grow grows from the same seed, and the PLY
point clouds of both off-lattice modes read back into their clusters' arrays."""

import numpy as np
import pytest

import dla
from conftest import read_bmp, read_csv, summary_of

SEED = 4
PARTICLES = 2000


@pytest.fixture(scope="module")
def grown(dla_grow, tmp_path_factory):
    folder = tmp_path_factory.mktemp("offlattice3d")
    common = ["-m", "offlattice3d", "-n", PARTICLES, "-r", SEED]
    done = dla_grow(*common, "--json", "-o", folder / "white.bmp", "--particles", folder / "list.csv")
    dla_grow(*common, "--colour", "age", "--scale", "1.5", "-o", folder / "age.bmp", "--particles", folder / "list.ply")
    return dla.offlattice(PARTICLES, seed=SEED, dimensions=3), folder, summary_of(done)


def test_particles_are_those_of_the_particle_list(grown):
    cluster, folder, _ = grown
    index, x, y, z, parent = read_csv(folder / "list.csv", space=True)
    assert cluster.positions.shape == (PARTICLES + 1, 3)
    assert list(cluster.positions[0]) == [0.0, 0.0, 0.0]
    assert np.array_equal(cluster.positions[1:], np.array([x, y, z], dtype=float).T)
    assert cluster.parents[0] == -1
    assert np.array_equal(cluster.parents[1:] - 1, np.array(parent, dtype=int))
    children = np.arange(1, len(cluster))
    gaps = np.linalg.norm(cluster.positions[children] - cluster.positions[cluster.parents[1:]], axis=1)
    assert np.allclose(gaps, 1.0, atol=1e-9)


def test_figures_and_files_are_dla_grows(grown, tmp_path):
    cluster, folder, summary = grown
    assert cluster.engine == summary["engine"]
    assert cluster.jumps == summary["jumps"]
    assert cluster.gyration_radius == pytest.approx(summary["gyration_radius"], rel=1e-12)
    cluster.save_particles(str(tmp_path / "list.csv"))
    cluster.save_particles(str(tmp_path / "list.ply"))
    cluster.save_picture(str(tmp_path / "white.bmp"))
    cluster.save_picture(str(tmp_path / "age.bmp"), scale=1.5, colour="age")
    for name in ("list.csv", "list.ply", "white.bmp", "age.bmp"):
        assert (tmp_path / name).read_bytes() == (folder / name).read_bytes(), name
    assert np.array_equal(cluster.picture(scale=1.5, colour="age"), read_bmp(folder / "age.bmp"))
    assert np.array_equal(cluster.picture(), read_bmp(folder / "white.bmp")[:, :, 0])


def test_the_lists_of_both_modes_read_back_into_their_arrays(grown, dla_grow, tmp_path):
    cluster, folder, _ = grown
    for name in ("list.csv", "list.ply"):
        listed = dla.read_particles(str(folder / name))
        assert np.array_equal(listed.positions, cluster.positions), name
        assert np.array_equal(listed.parents, cluster.parents), name
    dla_grow("-m", "offlattice", "-n", 500, "-r", 2, "-o", tmp_path / "p.bmp", "--particles", tmp_path / "p.ply")
    plane = dla.offlattice(500, seed=2)
    listed = dla.read_particles(str(tmp_path / "p.ply"))
    assert np.array_equal(listed.positions, plane.positions) and np.array_equal(listed.parents, plane.parents)
