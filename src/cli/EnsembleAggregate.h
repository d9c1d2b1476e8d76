#pragma once

#include "RunFigures.h"
#include "RunningStatistics.h"

#include <cstdint>
#include <string>

/// What an ensemble of runs adds up to: the number of runs, the mean and sample standard
/// deviation of wanderers, moves, pixels, gyration radius and fractal dimension (the last two
/// over the runs that have one), and the seconds of all runs together.
class EnsembleAggregate {
public:
    void add(const RunFigures& run);

    std::int64_t runs() const { return wanderers_.count(); }
    const RunningStatistics& wanderers() const { return wanderers_; }
    const RunningStatistics& moves() const { return moves_; }
    const RunningStatistics& pixels() const { return pixels_; }
    const RunningStatistics& gyrationRadius() const { return gyrationRadius_; }
    const RunningStatistics& dimension() const { return dimension_; }
    double totalSeconds() const { return seconds_; }

    /// "8 runs: wanderers 62063.0 (sd 1520.3), moves ..., pixels ..., gyration_radius 183.21
    /// (sd 4.07), dimension 1.712 (sd 0.021, 8 runs), 4.31 s in all"; "n/a" where a figure has
    /// no value.
    std::string line() const;
    /// One JSON object on one line: {"runs":8,"wanderers":{"mean":..,"sd":..},"moves":..,
    /// "pixels":..,"gyration_radius":{"runs":..,"mean":..,"sd":..},"dimension":{..},"seconds":..};
    /// null where a figure has no value.
    std::string json() const;

private:
    RunningStatistics wanderers_;
    RunningStatistics moves_;
    RunningStatistics pixels_;
    RunningStatistics gyrationRadius_;
    RunningStatistics dimension_;
    double seconds_ = 0;
};
