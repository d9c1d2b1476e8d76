"""Plants and snowflakes grown in Python are the ones dla-grow grows from the same seed: the same
particle list, pictures, figures and files."""

import numpy as np
import pytest

import dla
from conftest import read_bmp, read_csv, summary_of

# mode, size, points (None: To Limit), seed
RUNS = [
    ("plant", (150, 300), None, 3),
    ("plant", (120, 200), 3000, 4),
    ("snowflake", (200, 200), 2000, 5),
    ("snowflake", (150, 150), None, 6),
]


@pytest.fixture(scope="module", params=RUNS, ids=lambda run: f"{run[0]}-{run[2]}")
def grown(request, dla_grow, tmp_path_factory):
    """The cluster in Python, and dla-grow's files and summary of the same run."""
    mode, (width, height), points, seed = request.param
    folder = tmp_path_factory.mktemp(mode)
    common = ["-m", mode, "-s", f"{width}x{height}", "-r", seed] + ([] if points is None else ["-n", points])
    done = dla_grow(*common, "--json", "-o", folder / "white.bmp", "--particles", folder / "list.csv")
    dla_grow(*common, "--colour", "age", "-o", folder / "age.bmp")
    grow = dla.plant if mode == "plant" else dla.snowflake
    return grow(size=(width, height), seed=seed, points=points), folder, summary_of(done)


def test_particles_are_those_of_the_particle_list(grown):
    cluster, folder, _ = grown
    index, x, y, parent = read_csv(folder / "list.csv")
    assert cluster.positions.dtype == np.int32 and cluster.parents.dtype == np.int32
    assert np.array_equal(cluster.positions, np.array([x, y], dtype=np.int32).T)
    assert np.array_equal(cluster.parents, np.array(parent, dtype=np.int32))
    assert len(cluster) == len(index)
    listed = dla.read_particles(str(folder / "list.csv"))
    assert not listed.off_lattice
    assert np.array_equal(listed.positions, cluster.positions) and np.array_equal(listed.parents, cluster.parents)


def test_figures_are_those_of_the_summary(grown):
    cluster, _, summary = grown
    assert cluster.mode == summary["mode"] and cluster.engine == summary["engine"]
    assert list(cluster.size) == [summary["width"], summary["height"]]
    assert cluster.seed == summary["seed"]
    for figure in ("wanderers", "moves", "marker", "pixels"):
        assert getattr(cluster, figure) == summary[figure], figure
    assert cluster.gyration_radius == pytest.approx(summary["gyration_radius"], rel=1e-12)
    if summary["dimension"] is None:
        assert cluster.dimension is None
    else:
        assert cluster.dimension == pytest.approx(summary["dimension"], rel=1e-12)


def test_pictures_are_dla_grows(grown, tmp_path):
    cluster, folder, _ = grown
    white = cluster.picture()
    assert white.dtype == np.uint8 and white.shape == (cluster.size[1], cluster.size[0])
    assert np.array_equal(white, read_bmp(folder / "white.bmp")[:, :, 0])
    assert np.array_equal(cluster.picture(colour="age"), read_bmp(folder / "age.bmp"))
    cluster.save_picture(str(tmp_path / "white.bmp"))
    cluster.save_picture(str(tmp_path / "age.bmp"), colour="age")
    cluster.save_particles(str(tmp_path / "list.csv"))
    for name in ("white.bmp", "age.bmp", "list.csv"):
        assert (tmp_path / name).read_bytes() == (folder / name).read_bytes(), name


def test_the_white_picture_is_a_view_that_outlives_its_cluster():
    cluster = dla.snowflake(size=(100, 100), seed=1, points=500)
    picture = cluster.picture()
    kept = picture.copy()
    assert not picture.flags.owndata and not picture.flags.writeable
    del cluster
    others = [dla.snowflake(size=(100, 100), seed=seed, points=500) for seed in (2, 3)]
    assert np.array_equal(picture, kept)
    assert len(others) == 2
