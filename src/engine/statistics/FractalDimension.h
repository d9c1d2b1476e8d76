#pragma once

#include "lattice/GrowthField.h"

#include <cstdint>
#include <optional>
#include <vector>

/// A box-counting estimate of the fractal dimension of a field's cluster (its white pixels).
///
/// The cluster's bounding box is covered with square boxes of side 1, 2, 4, ... up to a quarter
/// of the box's shorter side; N(s) boxes of side s hold a cluster pixel, and the dimension is the
/// least-squares slope of log N(s) against log(1 / s) over the sides from SmallestFittedSide on.
/// A filled square gives 2, a straight line 1, a DLA cluster about 1.7.
///
/// The estimate is given only when at least MinimumFittedSides box sizes lie between the lattice
/// and the cluster's own size: a slope through two or three points fits any cluster and says
/// nothing (a handful of wanderers gave 0 or 0.2), and boxes larger than a quarter of the
/// cluster's narrower side only see the outline of its bounding box.
class FractalDimension {
public:
    /// Boxes of one and two pixels see the lattice (one-pixel branches joined diagonally) more
    /// than the cluster's shape, and would pull the slope far below the cluster's dimension.
    static constexpr std::int32_t SmallestFittedSide = 4;
    /// Box sizes the fit needs: 4, 8, 16 and 32 pixels, a factor of eight in scale.
    static constexpr std::int32_t MinimumFittedSides = 4;
    /// The shorter side of the cluster's bounding box that gives MinimumFittedSides sizes: the
    /// largest fitted box is a quarter of it.
    static constexpr std::int32_t MinimumExtent = 4 * (SmallestFittedSide << (MinimumFittedSides - 1));

    /// The rows of the plant-life base strip, which is not part of the grown cluster.
    static constexpr std::int32_t PlantBaseRows = 5;

    /// The estimate for the white pixels of `field` above its bottom `rowsLeftOut` rows; empty
    /// when they span less than MinimumExtent pixels in either direction. Throws std::bad_alloc
    /// when its box grids cannot be had.
    static std::optional<double> estimate(const GrowthField& field, std::int32_t rowsLeftOut = 0);

    /// The estimate for a plant-life field: its base strip left out.
    static std::optional<double> ofPlant(const GrowthField& field) { return estimate(field, PlantBaseRows); }

    /// The most memory the estimate for a width x height field takes from the system at once
    /// (its box grids).
    static std::uint64_t peakBytesFor(std::int64_t width, std::int64_t height);

    /// N(s) for s = 1, 2, 4, ...: how many boxes of side s hold a white pixel of `field` above its
    /// bottom `rowsLeftOut` rows, boxes aligned to the cluster's bounding box, for every s up to
    /// a quarter of its shorter side (at least s = 1 when there is a white pixel).
    static std::vector<std::int64_t> boxCounts(const GrowthField& field, std::int32_t rowsLeftOut = 0);
};
