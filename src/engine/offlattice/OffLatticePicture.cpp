#include "offlattice/OffLatticePicture.h"

#include "picture/AgePicture.h"
#include "picture/ColourMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t NoParticle = std::numeric_limits<std::int32_t>::max();
constexpr ColourMap::Rgb White{255, 255, 255};

} // namespace

OffLatticePicture::OffLatticePicture(const std::vector<OffLatticeParticle>& particles, std::int32_t width,
                                     std::int32_t height, double scale, bool byAge)
    : particles_(particles), width_(width), height_(height), scale_(scale), radius_(scale / 2),
      rowReach_(static_cast<std::int32_t>(std::ceil(scale / 2)) + 1), byAge_(byAge),
      rowStart_(static_cast<std::size_t>(height) + 2, 0), owner_(static_cast<std::size_t>(width))
{
    // A counting sort by centre row, the particles of each row in arrival order; particles far
    // outside the picture are left out.
    auto rowOf = [this](const OffLatticeParticle& particle) -> std::int64_t {
        const double y = std::floor(discOf(particle).y);
        if (y < -rowReach_ || y >= height_ + rowReach_ || std::isnan(y))
            return -1;
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(y), 0, height_ - 1);
    };
    for (const OffLatticeParticle& particle : particles_)
        if (const std::int64_t row = rowOf(particle); row >= 0)
            ++rowStart_[static_cast<std::size_t>(row) + 2];
    for (std::size_t row = 2; row < rowStart_.size(); ++row)
        rowStart_[row] += rowStart_[row - 1];
    byRow_.resize(static_cast<std::size_t>(rowStart_.back()));
    for (std::size_t index = 0; index < particles_.size(); ++index)
        if (const std::int64_t row = rowOf(particles_[index]); row >= 0)
            byRow_[static_cast<std::size_t>(rowStart_[static_cast<std::size_t>(row) + 1]++)] = static_cast<std::int32_t>(index);
    rowStart_.pop_back();
}

OffLatticePicture::Disc OffLatticePicture::discOf(const OffLatticeParticle& particle) const
{
    return {particle.at.x * scale_ + width_ / 2.0, height_ / 2.0 - particle.at.y * scale_};
}

const std::uint8_t* OffLatticePicture::row(std::int32_t y, std::uint8_t* buffer) const
{
    std::fill(owner_.begin(), owner_.end(), NoParticle);
    const double centreY = y + 0.5;
    // Centres more than rowReach_ rows away are sorted into the first or last row, with the
    // particles of those rows; the test below places each exactly.
    const std::int32_t first = std::max(0, y - rowReach_);
    const std::int32_t last = std::min(height_ - 1, y + rowReach_);
    for (auto at = rowStart_[static_cast<std::size_t>(first)]; at < rowStart_[static_cast<std::size_t>(last) + 1]; ++at) {
        const std::int32_t index = byRow_[static_cast<std::size_t>(at)];
        const Disc disc = discOf(particles_[static_cast<std::size_t>(index)]);
        auto claim = [&](std::int64_t x) {
            if (x >= 0 && x < width_) {
                std::int32_t& owner = owner_[static_cast<std::size_t>(x)];
                owner = std::min(owner, index);
            }
        };
        if (std::floor(disc.y) == y)
            claim(static_cast<std::int64_t>(std::floor(disc.x)));
        const double dy = centreY - disc.y;
        const double squared = radius_ * radius_ - dy * dy;
        if (squared < 0)
            continue;
        const double half = std::sqrt(squared);
        const auto from = static_cast<std::int64_t>(std::max(-1.0, std::ceil(disc.x - half - 0.5)));
        const auto to = static_cast<std::int64_t>(std::min(static_cast<double>(width_), std::floor(disc.x + half - 0.5)));
        for (std::int64_t x = from; x <= to; ++x)
            claim(x);
    }
    const auto lastArrival = static_cast<std::uint64_t>(std::max<std::size_t>(particles_.size(), 2) - 2);
    std::uint8_t* pixel = buffer;
    for (const std::int32_t owner : owner_) {
        ColourMap::Rgb colour{};
        if (owner == NoParticle)
            colour = {};
        else if (!byAge_)
            colour = White;
        else if (owner == 0)
            colour = AgePicture::StartColour;
        else
            colour = ColourMap::entry(ColourMap::entryFor(static_cast<std::uint64_t>(owner) - 1, lastArrival));
        *pixel++ = colour.blue;
        *pixel++ = colour.green;
        *pixel++ = colour.red;
    }
    return buffer;
}
