"""Bad arguments are refused with the errors the docs name, and with dla-grow's own message
for the same value on its command line."""

import pytest

import dla
from conftest import refusal_of

# A Python call and the dla-grow command line that gives the same value.
REFUSED = [
    (lambda: dla.offlattice(0), ["-m", "offlattice", "-n", "0"]),
    (lambda: dla.offlattice(3_000_000_000), ["-m", "offlattice", "-n", "3000000000"]),
    (lambda: dla.offlattice(2.5), ["-m", "offlattice", "-n", "2.5"]),
    (lambda: dla.offlattice("ten"), ["-m", "offlattice", "-n", "ten"]),
    (lambda: dla.offlattice(10, seed=-1), ["-m", "offlattice", "-n", "10", "-r", "-1"]),
    (lambda: dla.offlattice(10, seed=2**32), ["-m", "offlattice", "-n", "10", "-r", "4294967296"]),
    (lambda: dla.offlattice(10, seed=1).picture(scale=0), ["-m", "offlattice", "-n", "10", "--scale", "0"]),
    (lambda: dla.offlattice(10, seed=1).picture(scale="2e3"), ["-m", "offlattice", "-n", "10", "--scale", "2e3"]),
    (lambda: dla.offlattice(10, seed=1).picture(colour="red"), ["-m", "offlattice", "-n", "10", "--colour", "red"]),
    (lambda: dla.offlattice(10, seed=1).picture(size=(5, 10)), ["-m", "offlattice", "-n", "10", "-s", "5x10"]),
    (lambda: dla.offlattice(10, seed=1).save_picture("never.bmp", size=(20, 20), scale=10),
     ["-m", "offlattice", "-n", "10", "-s", "20x20", "--scale", "10"]),
    (lambda: dla.offlattice(0, dimensions=3), ["-m", "offlattice3d", "-n", "0"]),
    (lambda: dla.offlattice(10, seed=1, dimensions=3).picture(scale=0), ["-m", "offlattice3d", "-n", "10", "--scale", "0"]),
    (lambda: dla.snowflake(size=(5, 10)), ["-m", "snowflake", "-s", "5x10"]),
    (lambda: dla.plant(size="wide"), ["-m", "plant", "-s", "wide"]),
    (lambda: dla.plant(size=(100, 2_000_000)), ["-m", "plant", "-s", "100x2000000"]),
    (lambda: dla.plant(points=2**31), ["-m", "plant", "-n", "2147483648"]),
    (lambda: dla.snowflake(seed="x"), ["-m", "snowflake", "-r", "x"]),
    (lambda: dla.snowflake(size=(20, 20), points=5).save_picture("never.bmp", colour="grey"),
     ["-m", "snowflake", "--colour", "grey"]),
]


@pytest.mark.parametrize("call, command_line", REFUSED)
def test_bad_values_are_refused_with_dla_grows_message(dla_grow, tmp_path, call, command_line):
    expected = refusal_of(dla_grow(*command_line, "-o", tmp_path / "never.bmp", check=False))
    with pytest.raises(ValueError) as raised:
        call()
    assert str(raised.value) == expected


def test_only_the_plane_and_space_are_dimensions():
    for dimensions in (1, 4, "3d"):
        with pytest.raises(ValueError) as raised:
            dla.offlattice(10, dimensions=dimensions)
        assert str(raised.value) == f"dimensions must be 2 (the plane) or 3 (space), not '{dimensions}'"


def test_a_file_that_cannot_be_written_is_an_os_error(tmp_path):
    cluster = dla.offlattice(10, seed=1)
    missing = tmp_path / "no-such-folder" / "c.bmp"
    with pytest.raises(OSError, match="Cannot create file"):
        cluster.save_picture(str(missing))
    with pytest.raises(OSError, match="Cannot create file"):
        cluster.save_particles(str(missing))
    assert not missing.parent.exists()
