#pragma once

#include <optional>

/// The figures of one run that an ensemble's aggregate sums up.
struct RunFigures {
    double wanderers = 0;
    double moves = 0;
    double pixels = 0;
    std::optional<double> gyrationRadius; ///< empty when the run has none
    std::optional<double> dimension;      ///< empty when the cluster is too small for one
    double seconds = 0;
};
