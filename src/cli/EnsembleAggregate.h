#pragma once

#include "GrowthMode.h"
#include "RunResult.h"
#include "RunningStatistics.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// What an ensemble of runs of one mode adds up to: the number of runs; for each figure the
/// mode sums up, the mean and sample standard deviation (over the runs that have it, with their
/// number, for a figure a run may lack) or the total (the seconds of all runs together).
///
/// The runs are summed up in the order of their seeds, whatever order they were added in, so
/// the last digits are the same for an ensemble and for --aggregate of its summaries in any
/// order of files and lines. It keeps 80 bytes a run until then.
class EnsembleAggregate {
public:
    explicit EnsembleAggregate(const GrowthMode& mode) : mode_(&mode) {}

    /// Adds a run of the aggregate's mode.
    void add(const RunResult& run);

    std::int64_t runs() const { return static_cast<std::int64_t>(runs_.size()); }
    /// The spread of a figure summed up by mean and deviation.
    const RunningStatistics& statistics(SummaryKeys::Figure figure) const { return sums().statistics[index(figure)]; }
    /// A figure summed up as a total.
    double total(SummaryKeys::Figure figure) const { return sums().totals[index(figure)]; }
    /// The seeds added, in order.
    std::vector<std::uint32_t> seeds() const;

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

    /// One run's seed and figures, NaN for a figure it lacks (no figure of a run is NaN).
    struct Run {
        std::uint32_t seed;
        std::array<double, SummaryKeys::FigureCount> figures;
    };
    struct Sums {
        std::array<RunningStatistics, SummaryKeys::FigureCount> statistics{};
        std::array<double, SummaryKeys::FigureCount> totals{};
    };

    /// The sums over the runs in seed order, worked out when first asked for after an add.
    const Sums& sums() const;

    const GrowthMode* mode_;
    mutable std::vector<Run> runs_;
    mutable std::optional<Sums> sums_;
};
