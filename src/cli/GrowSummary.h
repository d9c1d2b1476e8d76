#pragma once

#include "GrowMode.h"

#include <cstdint>
#include <optional>
#include <string>

/// What a dla-grow run did, told in one line for people or one JSON object for programs.
class GrowSummary {
public:
    GrowMode mode = GrowMode::Plant;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t seed = 0;
    std::int64_t wanderers = 0;   ///< released
    std::int64_t moves = 0;       ///< steps walked, one draw each
    std::int32_t marker = 0;      ///< plantTop or snowRadius at the end
    double seconds = 0;           ///< the run alone
    std::int64_t pixels = 0;      ///< pixels the run turned white
    std::optional<double> gyrationRadius; ///< of those pixels about their centre; empty for none
    std::optional<double> dimension; ///< box-counting estimate; empty when it would mean nothing
    std::string output;           ///< the file written
    std::string particles;        ///< the particle list written; empty for none

    /// "plant 150x300, seed 7: 3021 wanderers, 48061233 moves, plantTop 1, 0.52 s, 2990 pixels,
    /// gyration radius 52.10, fractal dimension 1.63, written to plant.bmp", then
    /// ", particles to FILE" when a particle list was written; a figure that cannot be had
    /// (gyration radius, dimension) is left out.
    std::string line() const;
    /// One JSON object with the keys mode, width, height, seed, wanderers, moves, marker,
    /// seconds, pixels, gyration_radius, dimension and output, in that order, on one line; a
    /// figure that cannot be had (gyration radius, dimension) is null.
    std::string json() const;
};
