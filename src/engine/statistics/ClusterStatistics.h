#pragma once

#include "lattice/StuckWanderer.h"

#include <cstdint>
#include <optional>

/// Figures of the cluster a run grew, gathered wanderer by wanderer as they stick: the pixels
/// the run turned white inside the picture, and the radius of gyration of those wanderers
/// about their centre of mass.
class ClusterStatistics {
public:
    /// Takes in one stuck wanderer; one that turned no pixel white (outside the picture) is
    /// left out.
    void add(const StuckWanderer& wanderer)
    {
        if (wanderer.turnedWhite)
            addPixel(wanderer.at);
    }

    /// Takes in a pixel the run turned white.
    void addPixel(FieldPoint pixel);

    /// Pixels the run turned white.
    std::int64_t pixels() const { return pixels_; }
    /// sqrt(mean squared distance from the centre of mass), in pixels; empty without a pixel.
    std::optional<double> gyrationRadius() const;

private:
    // Running means and sums of squared deviations (Welford), which stay exact to the last
    // digits where sums of squares of large coordinates would cancel.
    std::int64_t pixels_ = 0;
    double meanX_ = 0;
    double meanY_ = 0;
    double squaresX_ = 0;
    double squaresY_ = 0;
};
