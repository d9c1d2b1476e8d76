#include "statistics/ClusterStatistics.h"

#include <cmath>

void ClusterStatistics::addPixel(FieldPoint pixel)
{
    ++pixels_;
    const double n = static_cast<double>(pixels_);
    const double dx = pixel.x - meanX_;
    const double dy = pixel.y - meanY_;
    meanX_ += dx / n;
    meanY_ += dy / n;
    squaresX_ += dx * (pixel.x - meanX_);
    squaresY_ += dy * (pixel.y - meanY_);
}

std::optional<double> ClusterStatistics::gyrationRadius() const
{
    if (pixels_ == 0)
        return std::nullopt;
    return std::sqrt((squaresX_ + squaresY_) / static_cast<double>(pixels_));
}
