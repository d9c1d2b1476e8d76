// The Python module dla: the engine's growths as cluster objects whose particles and pictures
// are NumPy arrays. Arguments go through dla-grow's own checks (PythonArguments), so Python is
// told exactly what dla-grow would say.

#include "files/SaveError.h"
#include "MemoryRefusal.h"
#include "OffLatticeCluster.h"
#include "PythonArguments.h"
#include "UsageError.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>

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
        }
    });
}

std::optional<FieldSize> optionalSize(py::handle size)
{
    if (size.is_none())
        return std::nullopt;
    return PythonArguments::size(size);
}

std::unique_ptr<OffLatticeCluster> growOffLattice(py::handle n, py::handle seed, py::handle dimensions)
{
    const std::string dimensionsText = PythonArguments::textOf(dimensions);
    if (dimensionsText != "2")
        throw UsageError("dimensions must be 2 (the plane), not '" + dimensionsText + "'");
    const std::int64_t particles = PythonArguments::offLatticeParticles(n);
    return std::make_unique<OffLatticeCluster>(particles, PythonArguments::seed(seed));
}

void defineOffLattice(py::module_& module)
{
    py::class_<OffLatticeCluster>(module, "OffLatticeCluster", R"(An off-lattice DLA cluster, as dla.offlattice() grew it.

Discs of diameter 1; the first particle sits at the origin and every other one
touches its parent. Lengths are in particle diameters.)")
        .def_property_readonly(
            "positions",
            [](py::object self) { return self.cast<const OffLatticeCluster&>().positions(self); },
            R"(positions: numpy.ndarray, shape (N + 1, 2), float64, read-only

Every particle's centre (x, y) in arrival order, the origin particle first.
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
            "jumps: int\n\nCircle jumps and straight steps the particles took.")
        .def_property_readonly("seed", &OffLatticeCluster::seed,
                               "seed: int\n\nThe seed it grew from (drawn from the system when none was given).")
        .def_property_readonly(
            "engine", [](const OffLatticeCluster&) { return std::string(OffLatticeGrowth::EngineVersion); },
            R"(engine: str

The engine version that grew it, as dla-grow's summaries name it: a seed gives
the same cluster, bit for bit, within one engine version.)")
        .def("__len__", [](const OffLatticeCluster& c) { return c.growth().particles().size(); })
        .def("__repr__",
             [](const OffLatticeCluster& c) {
                 return "<dla.OffLatticeCluster of " + std::to_string(c.growth().particles().size()) +
                        " particles, seed " + std::to_string(c.seed()) + ">";
             })
        .def(
            "picture",
            [](const OffLatticeCluster& c, py::handle scale, py::handle colour, py::handle size) {
                return c.picture(PythonArguments::scale(scale), PythonArguments::colour(colour), optionalSize(size));
            },
            py::arg("scale") = 1.0, py::arg("colour") = "white", py::arg("size") = py::none(),
            R"(picture(scale: float = 1.0, colour: str = "white", size: tuple[int, int] | None = None) -> numpy.ndarray

The picture dla-grow draws of the cluster, as an array (a copy): each particle a
disc of `scale` pixels per diameter, the origin at the centre, y upwards.
colour "white" gives an H x W uint8 array, 255 on the cluster and 0 elsewhere;
"age" an H x W x 3 array of red, green and blue bytes, each disc in the colour
of its arrival. size (width, height) in pixels; by default the square dla-grow
makes for the cluster's particle count at that scale.
Raises ValueError with dla-grow's message for a bad scale, colour or size.)")
        .def(
            "save_picture",
            [](const OffLatticeCluster& c, const std::string& path, py::handle scale, py::handle colour,
               py::handle size) {
                c.savePicture(path, PythonArguments::scale(scale), PythonArguments::colour(colour), optionalSize(size));
            },
            py::arg("path"), py::arg("scale") = 1.0, py::arg("colour") = "white", py::arg("size") = py::none(),
            R"(save_picture(path: str, scale: float = 1.0, colour: str = "white", size: tuple[int, int] | None = None) -> None

Writes the picture as dla-grow does, byte for byte: PNG when the name ends in
".png" (any case), else BMP. The file appears complete or not at all; an old file
of that name stays as it was when the save fails (OSError).)")
        .def("save_particles", &OffLatticeCluster::saveParticles, py::arg("path"),
             R"(save_particles(path: str) -> None

Writes the particle list as dla-grow's --particles does, byte for byte: CSV with
the header index,x,y,parent and a row for every particle but the origin one.)");

    module.def("offlattice", &growOffLattice, py::arg("n"), py::arg("seed") = py::none(), py::arg("dimensions") = 2,
               R"(offlattice(n: int, seed: int | None = None, dimensions: int = 2) -> OffLatticeCluster

Grows an off-lattice DLA cluster of n particles beside the one at the origin,
the same cluster dla-grow -m offlattice -n N -r SEED grows: discs of diameter 1
moving by exact Brownian motion until they touch the cluster.

n           particles to grow, 1 to 2147483646.
seed        0 to 4294967295; None draws one from the system, as dla-grow does.
dimensions  2, the plane.

Other Python threads run while it grows, and Ctrl-C stops it with
KeyboardInterrupt. Raises ValueError with dla-grow's one-line message for a bad
argument, and MemoryError, before anything grows, when the memory cannot hold
the cluster.)");
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
}
