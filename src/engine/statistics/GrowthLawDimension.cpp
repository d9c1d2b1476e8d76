#include "statistics/GrowthLawDimension.h"

#include <cmath>

std::optional<double> GrowthLawDimension::estimate(const std::vector<Sample>& samples)
{
    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    double firstLogN = 0, lastLogN = 0;
    std::int64_t fitted = 0;
    for (const Sample& sample : samples) {
        if (sample.particles < FirstFitted)
            continue;
        if (!(sample.gyrationRadius > 0))
            return std::nullopt;
        const double x = std::log10(sample.gyrationRadius);
        const double y = std::log10(static_cast<double>(sample.particles));
        if (fitted++ == 0)
            firstLogN = y;
        lastLogN = y;
        sumX += x;
        sumY += y;
        sumXX += x * x;
        sumXY += x * y;
    }
    if (fitted < 2 || lastLogN - firstLogN < MinimumDecades - 1e-9)
        return std::nullopt;
    const double n = static_cast<double>(fitted);
    const double spread = sumXX - sumX * sumX / n;
    if (!(spread > 0))
        return std::nullopt;
    return (sumXY - sumX * sumY / n) / spread;
}
