// The Python module dla: the engine's growths as cluster objects whose particles and pictures
// are NumPy arrays. Arguments go through dla-grow's own checks (PythonArguments), so Python is
// told exactly what dla-grow would say.

#include "files/SaveError.h"
#include "lattice/FieldSizeError.h"
#include "LatticeCluster.h"
#include "MemoryRefusal.h"
#include "OffLatticeCluster.h"
#include "ParticleListReader.h"
#include "PlaneModel.h"
#include "SpaceModel.h"
#include "PythonArguments.h"
#include "UsageError.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdio>
#include <memory>
#include <string>

namespace py = pybind11;

namespace {

void registerErrors()
{
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised)
                std::rethrow_exception(raised);
        } catch (const UsageError& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const MemoryRefusal& error) {
            PyErr_SetString(PyExc_MemoryError, error.what());
        } catch (const SaveError& error) {
            PyErr_SetString(PyExc_OSError, error.what());
        } catch (const ParticleListReader::Malformed& error) {
            PyErr_SetString(PyExc_ValueError, error.what());
        } catch (const ParticleListReader::Unreadable& error) {
            PyErr_SetString(PyExc_OSError, error.what());
        } catch (const FieldSizeError& error) {
            // Memory is checked apart (MemoryRefusal): what is left is a size no picture may have.
            PyErr_SetString(PyExc_ValueError, error.what());
        }
    });
}

std::optional<FieldSize> optionalSize(py::handle size)
{
    if (size.is_none())
        return std::nullopt;
    return PythonArguments::size(size);
}

/// The growing function's result: a cluster in the plane or in space.
py::object growOffLattice(py::handle n, py::handle seed, py::handle dimensions)
{
    const std::string dimensionsText = PythonArguments::textOf(dimensions);
    if (dimensionsText != "2" && dimensionsText != "3")
        throw UsageError("dimensions must be 2 (the plane) or 3 (space), not '" + dimensionsText + "'");
    if (dimensionsText == "3") {
        const std::int64_t particles = PythonArguments::offLatticeParticles(n, SpaceModel::Mode);
        return py::cast(std::make_unique<OffLatticeCluster<SpaceModel>>(particles, PythonArguments::seed(seed)));
    }
    const std::int64_t particles = PythonArguments::offLatticeParticles(n, PlaneModel::Mode);
    return py::cast(std::make_unique<OffLatticeCluster<PlaneModel>>(particles, PythonArguments::seed(seed)));
}

/// `text` with "DEFAULT" written as `scale`, a model's default scale.
std::string withScale(std::string text, double scale)
{
    char written[32];
    std::snprintf(written, sizeof written, "%.1f", scale);
    return text.replace(text.find("DEFAULT"), 7, written);
}

template <class Model>
void defineOffLatticeCluster(py::module_& module, const char* name, const char* description)
{
    using OffLatticeCluster = ::OffLatticeCluster<Model>;
    py::class_<OffLatticeCluster>(module, name, description)
        .def_property_readonly(
            "positions",
            [](py::object self) { return self.cast<const OffLatticeCluster&>().positions(self); },
            R"(positions: numpy.ndarray, shape (N + 1, 2) or (N + 1, 3), float64, read-only

Every particle's centre (x, y), or (x, y, z) in space, in arrival order, the
origin particle first.
A view of the cluster's own memory, no copy; it keeps the cluster's memory alive
for as long as it (or any view of it) lives, also after the cluster object is gone.)")
        .def_property_readonly("parents", &OffLatticeCluster::parents,
                               R"(parents: numpy.ndarray, shape (N + 1,), int32

The row of positions each particle touched when it stuck, -1 for the origin
particle. A new array at each access (the particle list's file numbers the same
parents one less, as it has no row for the origin particle).)")
        .def_property_readonly(
            "gyration_radius", [](const OffLatticeCluster& c) { return c.growth().gyrationRadius(); },
            "gyration_radius: float\n\nThe radius of gyration of all particles, in diameters.")
        .def_property_readonly(
            "gyration_history",
            [](const OffLatticeCluster& c) {
                const auto history = c.growth().gyrationHistory();
                py::array_t<std::int64_t> counts(static_cast<py::ssize_t>(history.size()));
                py::array_t<double> radii(static_cast<py::ssize_t>(history.size()));
                for (std::size_t i = 0; i < history.size(); ++i) {
                    counts.mutable_at(i) = history[i].particles;
                    radii.mutable_at(i) = history[i].gyrationRadius;
                }
                return py::make_tuple(counts, radii);
            },
            R"(gyration_history: tuple[numpy.ndarray, numpy.ndarray]

(counts, radii): the gyration radius of the first counts[i] particles (the
origin's included) as the cluster grew, 20 counts a decade evenly spaced in
their logarithm, the last one the whole cluster.)")
        .def_property_readonly(
            "dimension", [](const OffLatticeCluster& c) { return c.growth().growthDimension(); },
            R"(dimension: float | None

The fractal dimension from the cluster's growth: the least-squares slope of
log N against log R_g(N) over gyration_history from N = 100 on, as dla-grow
reports it. None for a cluster spanning less than two decades beyond 100.)")
        .def_property_readonly(
            "jumps", [](const OffLatticeCluster& c) { return c.growth().jumps(); },
            "jumps: int\n\nThe jumps the particles took: to a point of the largest circle (sphere in space) that touches nothing.")
        .def_property_readonly("seed", &OffLatticeCluster::seed,
                               "seed: int\n\nThe seed it grew from (drawn from the system when none was given).")
        .def_property_readonly(
            "engine", [](const OffLatticeCluster&) { return std::string(Model::Growth::EngineVersion); },
            R"(engine: str

The engine version that grew it, as dla-grow's summaries name it: a seed gives
the same cluster, bit for bit, within one engine version.)")
        .def("__len__", [](const OffLatticeCluster& c) { return c.growth().particles().size(); })
        .def("__repr__",
             [name](const OffLatticeCluster& c) {
                 return "<dla." + std::string(name) + " of " + std::to_string(c.growth().particles().size()) +
                        " particles, seed " + std::to_string(c.seed()) + ">";
             })
        .def(
            "picture",
            [](const OffLatticeCluster& c, py::handle scale, py::handle colour, py::handle size) {
                return c.picture(PythonArguments::scale(scale), PythonArguments::colour(colour), optionalSize(size));
            },
            py::arg("scale") = Model::DefaultScale, py::arg("colour") = "white", py::arg("size") = py::none(),
            withScale(R"(picture(scale: float = DEFAULT, colour: str = "white", size: tuple[int, int] | None = None) -> numpy.ndarray

The picture dla-grow draws of the cluster, as an array (a copy): each particle a
disc (a shaded sphere seen along z in space) of `scale` pixels per diameter, the
origin at the centre, y upwards.
colour "white" gives an H x W uint8 array, 255 on the cluster and 0 elsewhere
(in space the cluster's pixels are its spheres' shades of grey, 42 to 255);
"age" an H x W x 3 array of red, green and blue bytes, each disc in the colour
of its arrival. size (width, height) in pixels; by default the square dla-grow
makes for the cluster's particle count at that scale.
Raises ValueError with dla-grow's message for a bad scale, colour or size.)", Model::DefaultScale).c_str())
        .def(
            "save_picture",
            [](const OffLatticeCluster& c, const std::string& path, py::handle scale, py::handle colour,
               py::handle size) {
                c.savePicture(path, PythonArguments::scale(scale), PythonArguments::colour(colour), optionalSize(size));
            },
            py::arg("path"), py::arg("scale") = Model::DefaultScale, py::arg("colour") = "white", py::arg("size") = py::none(),
            withScale(R"(save_picture(path: str, scale: float = DEFAULT, colour: str = "white", size: tuple[int, int] | None = None) -> None

Writes the picture as dla-grow does, byte for byte: PNG when the name ends in
".png" (any case), else BMP. The file appears complete or not at all; an old file
of that name stays as it was when the save fails (OSError).)", Model::DefaultScale).c_str())
        .def("save_particles", &OffLatticeCluster::saveParticles, py::arg("path"),
             R"(save_particles(path: str) -> None

Writes the particle list as dla-grow's --particles does, byte for byte: CSV with
the header index,x,y,parent (index,x,y,z,parent in space) and a row for every
particle but the origin one; a PLY point cloud, every particle a vertex, for a
name ending in ".ply" (any case), where dla-grow writes one.)");
}

void defineOffLattice(py::module_& module)
{
    defineOffLatticeCluster<PlaneModel>(module, "OffLatticeCluster", R"(An off-lattice DLA cluster in the plane, as dla.offlattice() grew it.

Discs of diameter 1; the first particle sits at the origin and every other one
touches its parent. Lengths are in particle diameters.)");
    defineOffLatticeCluster<SpaceModel>(module, "OffLattice3DCluster", R"(An off-lattice DLA cluster in space, as dla.offlattice(n, dimensions=3) grew it.

Balls of diameter 1; the first particle sits at the origin and every other one
touches its parent. Lengths are in particle diameters; the picture shows it seen
along z, each particle a shaded sphere.)");
    module.def("offlattice", &growOffLattice, py::arg("n"), py::arg("seed") = py::none(), py::arg("dimensions") = 2,
               R"(offlattice(n: int, seed: int | None = None, dimensions: int = 2) -> OffLatticeCluster | OffLattice3DCluster

Grows an off-lattice DLA cluster of n particles beside the one at the origin,
the same cluster dla-grow -m offlattice -n N -r SEED grows: discs of diameter 1
moving by exact Brownian motion until they touch the cluster; with dimensions=3
balls in space, as dla-grow -m offlattice3d grows them.

n           particles to grow, 1 to 2147483646.
seed        0 to 4294967295; None draws one from the system, as dla-grow does.
dimensions  2, the plane, or 3, space.

Other Python threads run while it grows, and Ctrl-C stops it with
KeyboardInterrupt. Raises ValueError with dla-grow's one-line message for a bad
argument, and MemoryError, before anything grows, when the memory cannot hold
the cluster.)");
}

std::unique_ptr<LatticeCluster> growLattice(LatticeCluster::Lattice lattice, py::handle size, py::handle seed,
                                            py::handle points)
{
    const char* name = lattice == LatticeCluster::Lattice::Plant ? "plant" : "snowflake";
    const FieldSize fieldSize = PythonArguments::size(size);
    const std::optional<std::int64_t> wanderers = PythonArguments::points(points, PythonArguments::mode(name));
    return std::make_unique<LatticeCluster>(lattice, fieldSize, wanderers, PythonArguments::seed(seed));
}

constexpr const char* LatticeGrowthText = R"(
size    (width, height) in pixels, each 10 to 1000000.
seed    0 to 4294967295; None draws one from the system, as dla-grow does.
points  None grows To Limit (until the cluster reaches the picture's edge);
        N releases N + 1 wanderers (none for a negative N), any 32-bit N.

Other Python threads run while it grows, and Ctrl-C stops it with
KeyboardInterrupt. Raises ValueError with dla-grow's one-line message for a bad
argument, and MemoryError, before anything grows, when the memory cannot hold
the picture.)";

void defineLattice(py::module_& module)
{
    py::class_<LatticeCluster>(module, "LatticeCluster", R"(A plant or a snowflake, as dla.plant() or dla.snowflake() grew it.

The picture of the desktop program's walks and its particle list: one particle
per wanderer, in release order. Coordinates are pixels, column from the left and
row from the top.)")
        .def_property_readonly(
            "mode", [](const LatticeCluster& c) { return c.lattice() == LatticeCluster::Lattice::Plant ? "plant" : "snowflake"; },
            "mode: str\n\n\"plant\" or \"snowflake\".")
        .def_property_readonly(
            "positions",
            [](py::object self) { return self.cast<const LatticeCluster&>().positions(self); },
            R"(positions: numpy.ndarray, shape (wanderers, 2), int32, read-only

Where each wanderer stuck (x, y), in release order, also outside the picture:
the rows of dla-grow's particle list. A view, no copy; it keeps the cluster's
memory alive.)")
        .def_property_readonly(
            "parents",
            [](py::object self) { return self.cast<const LatticeCluster&>().parents(self); },
            R"(parents: numpy.ndarray, shape (wanderers,), int32, read-only

The row of positions of the wanderer whose pixel each one touched first (its
touch test's first white pixel), -1 for the starting cluster: dla-grow's parent
column. A view, no copy.)")
        .def(
            "picture",
            [](py::object self, py::handle colour) {
                return self.cast<const LatticeCluster&>().picture(PythonArguments::colour(colour), self);
            },
            py::arg("colour") = "white",
            R"(picture(colour: str = "white") -> numpy.ndarray

The picture dla-grow writes, row 0 at the top. "white": an H x W uint8 array,
255 on the cluster and 0 elsewhere, a read-only view of the field's own pixels
(no copy); "age": H x W x 3 red, green and blue bytes, each wanderer's pixel in
the colour of its release order (a copy).)")
        .def(
            "save_picture",
            [](const LatticeCluster& c, const std::string& path, py::handle colour) {
                c.savePicture(path, PythonArguments::colour(colour));
            },
            py::arg("path"), py::arg("colour") = "white",
            R"(save_picture(path: str, colour: str = "white") -> None

Writes the picture as dla-grow does, byte for byte: PNG when the name ends in
".png" (any case), else BMP. An old file of that name stays as it was when the
save fails (OSError).)")
        .def("save_particles", &LatticeCluster::saveParticles, py::arg("path"),
             R"(save_particles(path: str) -> None

Writes the particle list as dla-grow's --particles does, byte for byte.)")
        .def_property_readonly(
            "size", [](const LatticeCluster& c) { return py::make_tuple(c.field().width(), c.field().height()); },
            "size: tuple[int, int]\n\nThe picture's (width, height).")
        .def_property_readonly(
            "wanderers", [](const LatticeCluster& c) { return c.stats().wanderers; },
            "wanderers: int\n\nThe wanderers released.")
        .def_property_readonly(
            "moves", [](const LatticeCluster& c) { return c.stats().moves; },
            "moves: int\n\nThe steps they walked, one random draw each.")
        .def_property_readonly("marker", &LatticeCluster::marker,
                               "marker: int\n\nplantTop (the plant's highest row) or snowRadius at the end.")
        .def_property_readonly("pixels", &LatticeCluster::pixels,
                               "pixels: int\n\nThe pixels the wanderers turned white inside the picture.")
        .def_property_readonly("gyration_radius", &LatticeCluster::gyrationRadius,
                               R"(gyration_radius: float | None

The radius of gyration of the wanderers that stuck inside the picture, in
pixels, the starting cluster left out; None when none did.)")
        .def_property_readonly("dimension", &LatticeCluster::dimension,
                               R"(dimension: float | None

dla-grow's box-counting estimate of the fractal dimension; None for a cluster
whose bounding box is under 128 pixels either way.)")
        .def_property_readonly("seed", &LatticeCluster::seed, "seed: int\n\nThe seed it grew from.")
        .def_property_readonly(
            "engine", [](const LatticeCluster& c) { return std::string(c.engine()); },
            "engine: str\n\nThe engine version that grew it, as dla-grow's summaries name it.")
        .def("__len__", [](const LatticeCluster& c) { return c.stats().wanderers; })
        .def("__repr__", [](const LatticeCluster& c) {
            return "<dla.LatticeCluster " + std::string(c.lattice() == LatticeCluster::Lattice::Plant ? "plant" : "snowflake") +
                   " " + std::to_string(c.field().width()) + "x" + std::to_string(c.field().height()) + ", " +
                   std::to_string(c.stats().wanderers) + " wanderers, seed " + std::to_string(c.seed()) + ">";
        });

    module.def(
        "plant",
        [](py::handle size, py::handle seed, py::handle points) {
            return growLattice(LatticeCluster::Lattice::Plant, size, seed, points);
        },
        py::arg("size") = py::make_tuple(150, 300), py::arg("seed") = py::none(), py::arg("points") = py::none(),
        (std::string(R"(plant(size: tuple[int, int] = (150, 300), seed: int | None = None, points: int | None = None) -> LatticeCluster

Grows plant life as dla-grow -m plant -s WxH -r SEED [-n N] does: upward from a
white strip along the bottom, on a field whose left and right edges are joined.
)") + LatticeGrowthText).c_str());
    module.def(
        "snowflake",
        [](py::handle size, py::handle seed, py::handle points) {
            return growLattice(LatticeCluster::Lattice::Snowflake, size, seed, points);
        },
        py::arg("size") = py::make_tuple(300, 300), py::arg("seed") = py::none(), py::arg("points") = py::none(),
        (std::string(R"(snowflake(size: tuple[int, int] = (300, 300), seed: int | None = None, points: int | None = None) -> LatticeCluster

Grows a snowflake as dla-grow -m snowflake -s WxH -r SEED [-n N] does: outward
from one white pixel at the centre.
)") + LatticeGrowthText).c_str());
}

/// A particle list read back, as the arrays of the cluster that grew it.
struct ParticleListArrays {
    py::array positions;
    py::array parents;
    bool offLattice = false;
};

ParticleListArrays readParticles(const std::string& path)
{
    ParticleListReader::Particles particles;
    {
        py::gil_scoped_release released;
        particles = ParticleListReader::read(path);
    }
    const auto rows = static_cast<py::ssize_t>(particles.parents.size());
    ParticleListArrays arrays;
    arrays.offLattice = particles.offLattice;
    arrays.parents = py::array_t<std::int32_t>(rows, particles.parents.data());
    if (particles.offLattice) {
        arrays.positions = py::array_t<double>({rows, py::ssize_t{particles.dimensions}}, particles.positions.data());
    } else {
        py::array_t<std::int32_t> positions({rows, py::ssize_t{2}});
        std::int32_t* out = positions.mutable_data();
        for (const double coordinate : particles.positions)
            *out++ = static_cast<std::int32_t>(coordinate);
        arrays.positions = positions;
    }
    return arrays;
}

void defineReading(py::module_& module)
{
    py::class_<ParticleListArrays>(module, "ParticleList", R"(A particle list dla-grow wrote, read back by dla.read_particles().)")
        .def_readonly("positions", &ParticleListArrays::positions,
                      R"(positions: numpy.ndarray

The positions array of the cluster that grew the list: float64 with the origin
particle first for an off-lattice list (N x 2, or N x 3 in space), int32 for a
lattice mode's.)")
        .def_readonly("parents", &ParticleListArrays::parents,
                      "parents: numpy.ndarray\n\nThe parents array of that cluster (int32).")
        .def_readonly("off_lattice", &ParticleListArrays::offLattice,
                      "off_lattice: bool\n\nWhether the list is an off-lattice one.")
        .def("__len__", [](const ParticleListArrays& list) { return py::len(list.parents); });
    module.def("read_particles", &readParticles, py::arg("path"),
               R"(read_particles(path: str) -> ParticleList

Reads a particle list dla-grow (or save_particles) wrote, CSV or PLY, into the
arrays of the cluster that grew it: c.positions and c.parents of
dla.offlattice(n, seed=s) are those of read_particles() of
dla-grow -m offlattice -n N -r S --particles FILE.
A CSV list whose coordinates are all whole numbers is a lattice mode's; any other
an off-lattice one, which gets the origin particle in front (its row 0, parent
-1) and its parents counted in those rows. A PLY cloud (a name ending in .ply
for dla-grow) has the origin particle as vertex 0; one whose every z is 0 is a
plane cluster's, with two coordinates.
Raises OSError for a file that cannot be read and ValueError, naming the line,
for one that is not a particle list.)");
}

} // namespace

PYBIND11_MODULE(_dla, module)
{
    py::options options;
    options.disable_function_signatures(); // each docstring opens with its signature, as the stub has it
    module.doc() = "The engine of the Python module dla; import dla, not this.";
    module.attr("__version__") = DLA_VERSION;
    registerErrors();
    defineOffLattice(module);
    defineLattice(module);
    defineReading(module);
}
