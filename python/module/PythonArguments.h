#pragma once

#include "GrowOptions.h"
#include "lattice/FieldSize.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

/// The module's arguments read through dla-grow's own checks: each Python value is turned into
/// the text dla-grow would have been given on its command line and read by the same parser, so
/// a bad value is refused with dla-grow's one-line message (UsageError, raised as ValueError).
class PythonArguments {
public:
    /// An integer's digits (bool, NumPy integers and anything with __index__ included), else
    /// str(value): "2.5" and "ten" are then refused as dla-grow refuses them.
    static std::string textOf(pybind11::handle value);

    /// None: from the clock, as dla-grow does without --seed; else 0 to 4294967295.
    static std::uint32_t seed(pybind11::handle value);
    /// Off-lattice particles to grow, 1 to OffLatticeSettings::MaximumParticles.
    static std::int64_t offLatticeParticles(pybind11::handle value);
    /// A (width, height) pair, each from FieldSize::MinimumSide to FieldSize::MaximumSide.
    static FieldSize size(pybind11::handle value);
    /// None: to the limit; else any 32-bit number, N + 1 wanderers (none for a negative one).
    static std::optional<std::int32_t> points(pybind11::handle value);
    /// "white" or "age".
    static PictureColour colour(pybind11::handle value);
    /// Pixels per particle diameter.
    static double scale(pybind11::handle value);
};
