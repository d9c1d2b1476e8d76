#include "RunningStatistics.h"

#include <cmath>

void RunningStatistics::add(double value)
{
    ++count_;
    const double delta = value - mean_;
    mean_ += delta / static_cast<double>(count_);
    squaredDeviations_ += delta * (value - mean_);
}

std::optional<double> RunningStatistics::mean() const
{
    if (count_ == 0)
        return std::nullopt;
    return mean_;
}

std::optional<double> RunningStatistics::standardDeviation() const
{
    if (count_ < 2)
        return std::nullopt;
    return std::sqrt(squaredDeviations_ / static_cast<double>(count_ - 1));
}
