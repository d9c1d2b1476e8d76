#pragma once

#include <cstdint>
#include <optional>

/// The count, mean and sample standard deviation of a stream of values, kept by Welford's
/// update: no sum of squares, which for values as large as move counts (10^8 and more) would
/// lose their spread to rounding.
class RunningStatistics {
public:
    void add(double value);

    std::int64_t count() const { return count_; }
    /// Empty when no value was added.
    std::optional<double> mean() const;
    /// The sample standard deviation (divided by n - 1); empty with fewer than two values.
    std::optional<double> standardDeviation() const;

private:
    std::int64_t count_ = 0;
    double mean_ = 0;
    double squaredDeviations_ = 0;
};
