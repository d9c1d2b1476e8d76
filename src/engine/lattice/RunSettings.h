#pragma once

#include <cstdint>

/// What a run is asked to do, read from its host once, at its start.
struct RunSettings {
    /// Grow until the cluster reaches the edge (at most RunFrame::ToLimitWanderers wanderers).
    bool toLimit = true;
    /// Without To Limit, release numberOfPoints + 1 wanderers; none when it is negative.
    std::int32_t numberOfPoints = 0;
};
