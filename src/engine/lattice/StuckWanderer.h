#pragma once

#include "lattice/FieldPoint.h"

#include <cstdint>
#include <optional>

/// One wanderer as the run stamped it, for an observer of the run.
struct StuckWanderer {
    /// Its place in release order, from 0.
    std::int64_t index = 0;
    /// Where it stuck; may lie outside the picture.
    FieldPoint at;
    /// The first white pixel of its touch test, in the test's read order and through the column
    /// map; empty only when the wanderer touched nothing (it never does: a walk ends on a touch).
    std::optional<FieldPoint> touched;
    /// Whether its stamp turned a pixel of the picture white (false outside the picture).
    bool turnedWhite = false;
};

/// The run's default observer: sees nothing, and costs nothing.
struct NoObserver {
    void operator()(const StuckWanderer&) const {}
};
