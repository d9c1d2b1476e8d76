"""An off-lattice cluster grown in Python is the one dla-grow grows from the same seed: the same
particles, parents, figures, pictures and files."""

import gc

import numpy as np
import pytest

import dla
from conftest import read_bmp, read_csv, summary_of

SEED = 7
PARTICLES = 3000


@pytest.fixture(scope="module")
def grown(dla_grow, tmp_path_factory):
    """The cluster in Python, and dla-grow's files and summary of the same seed."""
    folder = tmp_path_factory.mktemp("offlattice")
    done = dla_grow("-m", "offlattice", "-n", PARTICLES, "-r", SEED, "--json",
                    "-o", folder / "white.bmp", "--particles", folder / "list.csv")
    dla_grow("-m", "offlattice", "-n", PARTICLES, "-r", SEED, "--colour", "age", "--scale", "2.5",
             "-o", folder / "age.bmp")
    return dla.offlattice(PARTICLES, seed=SEED), folder, summary_of(done)


def test_particles_are_those_of_the_particle_list(grown):
    cluster, folder, _ = grown
    index, x, y, parent = read_csv(folder / "list.csv")
    assert cluster.positions.shape == (PARTICLES + 1, 2)
    assert cluster.positions.dtype == np.float64
    assert list(cluster.positions[0]) == [0.0, 0.0]
    # The list's shortest decimal forms read back as the very same doubles.
    assert np.array_equal(cluster.positions[1:, 0], np.array(x, dtype=float))
    assert np.array_equal(cluster.positions[1:, 1], np.array(y, dtype=float))
    # parents are rows of positions; the list numbers its rows without the origin particle.
    assert cluster.parents[0] == -1
    assert np.array_equal(cluster.parents[1:] - 1, np.array(parent, dtype=int))
    assert index == [str(i) for i in range(PARTICLES)]


def test_every_particle_touches_its_parent(grown):
    cluster = grown[0]
    children = np.arange(1, len(cluster))
    parents = cluster.parents[1:]
    assert np.all(parents < children) and np.all(parents >= 0)
    distances = np.hypot(*(cluster.positions[children] - cluster.positions[parents]).T)
    assert np.allclose(distances, 1.0, atol=1e-9)


def test_figures_are_those_of_the_summary(grown):
    cluster, _, summary = grown
    assert cluster.seed == SEED
    assert cluster.jumps == summary["jumps"]
    assert cluster.gyration_radius == pytest.approx(summary["gyration_radius"], rel=1e-12)
    assert cluster.engine == summary["engine"]
    counts, radii = cluster.gyration_history
    assert counts[-1] == PARTICLES + 1 and radii[-1] == pytest.approx(cluster.gyration_radius)
    assert np.all(np.diff(counts) > 0)
    # 3000 particles span less than two decades beyond the first hundred: no dimension.
    assert summary["dimension"] is None and cluster.dimension is None


def test_files_are_dla_grows_byte_for_byte(grown, tmp_path):
    cluster, folder, _ = grown
    cluster.save_particles(str(tmp_path / "list.csv"))
    cluster.save_picture(str(tmp_path / "white.bmp"))
    cluster.save_picture(str(tmp_path / "age.bmp"), scale=2.5, colour="age")
    for name in ("list.csv", "white.bmp", "age.bmp"):
        assert (tmp_path / name).read_bytes() == (folder / name).read_bytes(), name


def test_pictures_are_dla_grows_pixels(grown):
    cluster, folder, _ = grown
    white = cluster.picture()
    assert white.dtype == np.uint8 and white.ndim == 2
    assert np.array_equal(white, read_bmp(folder / "white.bmp")[:, :, 0])
    assert set(np.unique(white)) == {0, 255}
    assert np.array_equal(cluster.picture(scale=2.5, colour="age"), read_bmp(folder / "age.bmp"))
    assert cluster.picture(size=(40, 30)).shape == (30, 40)


def test_a_larger_dimension_is_fitted():
    cluster = dla.offlattice(20_000, seed=3)
    assert cluster.dimension == pytest.approx(1.71, abs=0.1)


def test_positions_stay_valid_after_the_cluster_is_gone():
    cluster = dla.offlattice(20_000, seed=11)
    positions = cluster.positions
    kept = positions.copy()
    del cluster
    gc.collect()
    # Memory given back would now be taken by these clusters and their particles.
    others = [dla.offlattice(20_000, seed=seed) for seed in (12, 13)]
    assert np.array_equal(positions, kept)
    assert len(others) == 2


def test_positions_are_a_read_only_view():
    cluster = dla.offlattice(100, seed=1)
    positions = cluster.positions
    assert not positions.flags.owndata
    with pytest.raises(ValueError):
        positions[0, 0] = 1.0
    assert cluster.positions[0, 0] == 0.0


def test_a_seed_drawn_from_the_system_is_told():
    cluster = dla.offlattice(50)
    again = dla.offlattice(50, seed=cluster.seed)
    assert 0 <= cluster.seed <= 2**32 - 1
    assert np.array_equal(cluster.positions, again.positions)
