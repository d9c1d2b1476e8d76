#pragma once

#include "lattice/FieldSize.h"
#include "PictureColour.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>

struct GrowthMode;

/// The module's arguments read through dla-grow's own checks: each Python value is turned into
/// the text dla-grow would have been given on its command line and read by the same parser, so
/// a bad value is refused with dla-grow's one-line message (UsageError, raised as ValueError).
class PythonArguments {
public:
    /// An integer's digits (bool, NumPy integers and anything with __index__ included), else
    /// str(value): "2.5" and "ten" are then refused as dla-grow refuses them.
    static std::string textOf(pybind11::handle value);

    /// The mode of that name in dla-grow's mode table.
    static const GrowthMode& mode(std::string_view name);

    /// None: drawn from the system, as dla-grow does without --seed; else 0 to 4294967295.
    static std::uint32_t seed(pybind11::handle value);
    /// Off-lattice particles to grow, in the range of `mode` (offlattice or offlattice3d).
    static std::int64_t offLatticeParticles(pybind11::handle value, std::string_view mode);
    /// A (width, height) pair, each from FieldSize::MinimumSide to FieldSize::MaximumSide.
    static FieldSize size(pybind11::handle value);
    /// None: to the limit; else a number in `mode`'s range: N + 1 wanderers for a lattice mode
    /// (none for a negative one).
    static std::optional<std::int64_t> points(pybind11::handle value, const GrowthMode& mode);
    /// "white" or "age".
    static PictureColour colour(pybind11::handle value);
    /// Pixels per particle diameter.
    static double scale(pybind11::handle value);
};
