#pragma once

#include "GrowthMode.h"
#include "RunResult.h"
#include "RunningStatistics.h"

#include <array>
#include <cstdint>
#include <string>

/// What an ensemble of runs of one mode adds up to: the number of runs; for each figure the
/// mode sums up, the mean and sample standard deviation (over the runs that have it, with their
/// number, for a figure a run may lack) or the total (the seconds of all runs together).
class EnsembleAggregate {
public:
    explicit EnsembleAggregate(const GrowthMode& mode) : mode_(&mode) {}

    /// Adds a run of the aggregate's mode.
    void add(const RunResult& run);

    std::int64_t runs() const { return runs_; }
    /// The spread of a figure summed up by mean and deviation.
    const RunningStatistics& statistics(SummaryKeys::Figure figure) const { return statistics_[index(figure)]; }
    /// A figure summed up as a total.
    double total(SummaryKeys::Figure figure) const { return totals_[index(figure)]; }

    /// "8 runs: wanderers 62063.0 (sd 1520.3), moves ..., pixels ..., gyration_radius 183.21
    /// (sd 4.07, 8 runs), dimension 1.712 (sd 0.021, 8 runs), 4.31 s in all"; "n/a" where a
    /// figure has no value.
    std::string line() const;
    /// One JSON object on one line: {"runs":8,"wanderers":{"mean":..,"sd":..},"moves":..,
    /// "pixels":..,"gyration_radius":{"runs":..,"mean":..,"sd":..},"dimension":{..},"seconds":..};
    /// null where a figure has no value.
    std::string json() const;

private:
    static std::size_t index(SummaryKeys::Figure figure) { return static_cast<std::size_t>(figure); }

    const GrowthMode* mode_;
    std::int64_t runs_ = 0;
    std::array<RunningStatistics, SummaryKeys::FigureCount> statistics_{};
    std::array<double, SummaryKeys::FigureCount> totals_{};
};
