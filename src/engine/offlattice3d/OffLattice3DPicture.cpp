#include "offlattice3d/OffLattice3DPicture.h"

#include "picture/AgePicture.h"
#include "picture/ColourMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t NoParticle = std::numeric_limits<std::int32_t>::max();
constexpr ColourMap::Rgb White{255, 255, 255};

/// The direction to the light: up and to the left of the viewer, towards the picture.
struct Light {
    double x, y, z;
};
constexpr double LightLength = 1.7320508075688772; // |(-1, 1, 1)|
constexpr Light ToLight{-1 / LightLength, 1 / LightLength, 1 / LightLength};

} // namespace

OffLattice3DPicture::OffLattice3DPicture(const std::vector<SpaceParticle>& particles, std::int32_t width,
                                         std::int32_t height, double scale, bool byAge)
    : particles_(particles), width_(width), height_(height), scale_(scale), radius_(scale / 2),
      rowReach_(static_cast<std::int32_t>(std::ceil(scale / 2)) + 1), byAge_(byAge),
      rowStart_(static_cast<std::size_t>(height) + 2, 0), depth_(static_cast<std::size_t>(width)),
      owner_(static_cast<std::size_t>(width)), light_(static_cast<std::size_t>(width))
{
    for (const SpaceParticle& particle : particles_) {
        nearestZ_ = std::max(nearestZ_, particle.at.z);
        farthestZ_ = std::min(farthestZ_, particle.at.z);
    }
    // A counting sort by centre row, the particles of each row in arrival order; particles far
    // outside the picture are left out.
    auto rowOf = [this](const SpaceParticle& particle) -> std::int64_t {
        const double y = std::floor(discOf(particle).y);
        if (y < -rowReach_ || y >= height_ + rowReach_ || std::isnan(y))
            return -1;
        return std::clamp<std::int64_t>(static_cast<std::int64_t>(y), 0, height_ - 1);
    };
    for (const SpaceParticle& particle : particles_)
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

std::uint64_t OffLattice3DPicture::workingBytes(std::int64_t particles, std::int32_t width, std::int32_t height)
{
    // The sorted particles, a row start a row, and a row of depths, owners and brightness.
    return 4 * static_cast<std::uint64_t>(particles + 1) + 8 * static_cast<std::uint64_t>(height + 2) +
           16 * static_cast<std::uint64_t>(width);
}

double OffLattice3DPicture::shading(double nx, double ny, double nz)
{
    const double cosine = nx * ToLight.x + ny * ToLight.y + nz * ToLight.z;
    return Ambient + (1 - Ambient) * std::max(0.0, cosine);
}

OffLattice3DPicture::Disc OffLattice3DPicture::discOf(const SpaceParticle& particle) const
{
    return {particle.at.x * scale_ + width_ / 2.0, height_ / 2.0 - particle.at.y * scale_};
}

const std::uint8_t* OffLattice3DPicture::row(std::int32_t y, std::uint8_t* buffer) const
{
    std::fill(depth_.begin(), depth_.end(), -std::numeric_limits<double>::infinity());
    std::fill(owner_.begin(), owner_.end(), NoParticle);
    const double centreY = y + 0.5;
    const double depthSpan = std::max(nearestZ_ - farthestZ_, 1e-9);
    const std::int32_t first = std::max(0, y - rowReach_);
    const std::int32_t last = std::min(height_ - 1, y + rowReach_);
    for (auto at = rowStart_[static_cast<std::size_t>(first)]; at < rowStart_[static_cast<std::size_t>(last) + 1]; ++at) {
        const std::int32_t index = byRow_[static_cast<std::size_t>(at)];
        const SpaceParticle& particle = particles_[static_cast<std::size_t>(index)];
        const Disc disc = discOf(particle);
        const double dimming = FarthestBrightness + (1 - FarthestBrightness) * (particle.at.z - farthestZ_) / depthSpan;
        // Offer pixel x the sphere's surface at `dx` pixels from its centre on this row; a
        // point beyond the outline (the centre's own pixel of a sphere smaller than a pixel)
        // is taken at the outline.
        const double dy = centreY - disc.y;
        auto offer = [&](std::int64_t x) {
            if (x < 0 || x >= width_)
                return;
            const double dx = x + 0.5 - disc.x;
            const double squared = std::max(0.0, radius_ * radius_ - dx * dx - dy * dy);
            const double height = std::sqrt(squared);
            const double depth = particle.at.z * scale_ + height;
            const auto slot = static_cast<std::size_t>(x);
            if (depth > depth_[slot] || (depth == depth_[slot] && index < owner_[slot])) {
                depth_[slot] = depth;
                owner_[slot] = index;
                const double inverse = 1.0 / std::max(radius_, 1e-300);
                // The normal in picture terms: x to the right, y upwards, z towards the viewer.
                light_[slot] = static_cast<float>(shading(dx * inverse, -dy * inverse, height * inverse) * dimming);
            }
        };
        if (std::floor(disc.y) == y)
            offer(static_cast<std::int64_t>(std::floor(disc.x)));
        const double squared = radius_ * radius_ - dy * dy;
        if (squared < 0)
            continue;
        const double half = std::sqrt(squared);
        const auto from = static_cast<std::int64_t>(std::max(-1.0, std::ceil(disc.x - half - 0.5)));
        const auto to = static_cast<std::int64_t>(std::min(static_cast<double>(width_), std::floor(disc.x + half - 0.5)));
        for (std::int64_t x = from; x <= to; ++x)
            offer(x);
    }
    const auto lastArrival = static_cast<std::uint64_t>(std::max<std::size_t>(particles_.size(), 2) - 2);
    std::uint8_t* pixel = buffer;
    for (std::size_t x = 0; x < owner_.size(); ++x) {
        const std::int32_t owner = owner_[x];
        ColourMap::Rgb colour{};
        if (owner == NoParticle)
            colour = {};
        else if (!byAge_)
            colour = White;
        else if (owner == 0)
            colour = AgePicture::StartColour;
        else
            colour = ColourMap::entry(ColourMap::entryFor(static_cast<std::uint64_t>(owner) - 1, lastArrival));
        const double light = owner == NoParticle ? 0.0 : light_[x];
        auto shaded = [light](std::uint8_t value) { return static_cast<std::uint8_t>(std::lround(value * light)); };
        *pixel++ = shaded(colour.blue);
        *pixel++ = shaded(colour.green);
        *pixel++ = shaded(colour.red);
    }
    return buffer;
}
