"""read_particles reads dla-grow's particle lists into a cluster's arrays, and refuses a file
that is not one, naming the line."""

import numpy as np
import pytest

import dla


def test_an_off_lattice_list_gets_the_origin_particle_in_front(dla_grow, tmp_path):
    dla_grow("-m", "offlattice", "-n", 800, "-r", 9, "-o", tmp_path / "c.bmp", "--particles", tmp_path / "c.csv")
    listed = dla.read_particles(str(tmp_path / "c.csv"))
    cluster = dla.offlattice(800, seed=9)
    assert listed.off_lattice and len(listed) == 801
    assert listed.positions.dtype == np.float64
    assert np.array_equal(listed.positions, cluster.positions)
    assert np.array_equal(listed.parents, cluster.parents)


@pytest.mark.parametrize("content, line, reason", [
    ("index,x,y\n0,1,2\n", 1, "not a particle list"),
    ("index,x,y,parent\n0,1,2,-1\n2,1,3,0\n", 3, "the index must be 1"),
    ("index,x,y,parent\n0,1,2,-1\n1,1,3,1\n", 3, "the parent must be -1 or an earlier row"),
    ("index,x,y,parent\n0,1,2\n", 2, "not index,x,y,parent"),
    ("index,x,y,parent\n0,1,2,-1,7\n", 2, "not index,x,y,parent"),
    ("index,x,y,parent\n0,1,two,-1\n", 2, "not index,x,y,parent"),
    # Lines are not read on without end: a row of 5000 characters is refused as too long.
    pytest.param("index,x,y,parent\n0,1," + "5" * 5000 + ",-1\n", 2, "a line longer than 4096 characters",
                 id="a-row-too-long"),
])
def test_a_file_that_is_not_a_list_is_refused(tmp_path, content, line, reason):
    path = tmp_path / "bad.csv"
    path.write_text(content)
    with pytest.raises(ValueError) as raised:
        dla.read_particles(str(path))
    assert str(raised.value).startswith(f"{path}:{line}: {reason}")


def test_a_missing_file_or_a_folder_is_an_os_error(tmp_path):
    with pytest.raises(OSError, match="Cannot read file"):
        dla.read_particles(str(tmp_path / "none.csv"))
    with pytest.raises(OSError, match=f"^Cannot read file {tmp_path}$"):
        dla.read_particles(str(tmp_path))


def ply(vertices, header_lines=None):
    """A binary PLY point cloud as dla-grow writes one: x, y, z doubles and an int parent."""
    import struct
    header = header_lines or ["ply", "format binary_little_endian 1.0", "comment a cluster",
                              f"element vertex {len(vertices)}", "property double x", "property double y",
                              "property double z", "property int parent", "end_header"]
    body = b"".join(struct.pack("<dddi", *vertex) for vertex in vertices)
    return ("\n".join(header) + "\n").encode() + body


def test_a_ply_cloud_is_read_with_the_origin_as_vertex_zero(tmp_path):
    path = tmp_path / "c.ply"
    path.write_bytes(ply([(0, 0, 0, -1), (1, 0, 0, 0), (1, 0.6, 0.8, 1)]))
    listed = dla.read_particles(str(path))
    assert listed.off_lattice
    assert np.array_equal(listed.positions, [[0, 0, 0], [1, 0, 0], [1, 0.6, 0.8]])
    assert list(listed.parents) == [-1, 0, 1]
    # A plane cluster's cloud, every z 0, has two coordinates, as its cluster's positions.
    path.write_bytes(ply([(0, 0, 0, -1), (0.6, 0.8, 0, 0)]))
    assert dla.read_particles(str(path)).positions.shape == (2, 2)


@pytest.mark.parametrize("content, reason", [
    (ply([(0, 0, 0, -1), (1, 0, 0, 0)])[:-3], "vertex 1 of 2 is missing"),
    (ply([(0, 0, 0, -1), (1, 0, 0, 0)]) + b"\0", "more bytes than its 2 vertices"),
    # A header that claims far more vertices than the file holds, more than memory could hold.
    pytest.param(ply([(0, 0, 0, -1), (1, 0, 0, 0)]).replace(b"element vertex 2", b"element vertex 2147483647"),
                 "vertex 2 of 2147483647 is missing", id="a-count-the-file-falls-short-of"),
    pytest.param(ply([(0, 0, 0, -1)]).replace(b"element vertex 1", b"element vertex 2147483648"),
                 "not a PLY particle list ('element vertex 2147483648' where 'element vertex N', N from 1 to 2147483647,",
                 id="a-count-beyond-32-bits"),
    (ply([(0, 0, 0, -1), (1, 0, 0, 1)]), "vertex 1: the parent must be an earlier vertex"),
    (ply([(0, 0, 0, 0)]), "vertex 0: the parent must be an earlier vertex"),
    pytest.param(ply([(0, 0, 0, -1), (1, 0, 0, 0), (5, 0, 0, -1)]), "vertex 2: the parent must be an earlier vertex",
                 id="a-second-cluster-without-a-parent"),
    (ply([(0, 0, 0, -1)], ["ply", "format ascii 1.0", "element vertex 1"]), "not a PLY particle list"),
    pytest.param(ply([(0, 0, 0, -1)], ["ply", "comment " + "x" * 5000]),
                 "not a PLY particle list (a header line longer than 4096", id="a-header-line-too-long"),
])
def test_a_cloud_that_is_not_a_list_is_refused(tmp_path, content, reason):
    path = tmp_path / "bad.ply"
    path.write_bytes(content)
    with pytest.raises(ValueError) as raised:
        dla.read_particles(str(path))
    assert str(raised.value).startswith(f"{path}: {reason}")


def test_a_file_with_no_line_ends_is_refused_without_reading_it_whole():
    # /dev/zero never ends: read whole, it would take all memory before anything was said.
    with pytest.raises(ValueError, match="^/dev/zero:1: a line longer than 4096 characters"):
        dla.read_particles("/dev/zero")
