#include "OffLatticePlan.h"

#include "JobCount.h"
#include "OffLatticeSettings.h"
#include "memory/AvailableMemory.h"
#include "files/BmpFile.h"
#include "lattice/FieldSizeError.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice3d/OffLattice3DGrowth.h"
#include "offlattice3d/OffLattice3DPicture.h"
#include "picture/PictureFile.h"
#include "UsageError.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

/// A scale as messages show it: "2", "0.25".
std::string scaleText(double scale)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", scale);
    return text;
}

std::string pictureText(FieldSize size)
{
    return std::to_string(size.width) + " x " + std::to_string(size.height) + " pixels";
}

/// The side of the square that holds, at `scale`, every disc whose centre lies within `farthest`
/// diameters of the origin, with a pixel to spare on each side: a disc reaches half a diameter
/// beyond its centre.
std::int64_t sideHolding(double farthest, double scale)
{
    return 2 * static_cast<std::int64_t>(std::ceil((farthest + 0.5) * scale)) + 2;
}

} // namespace

const OffLatticeModel OffLatticeModel::Plane{
    "an off-lattice cluster", OffLatticeGrowth::MaxParticles, OffLatticeGrowth::radiusBound,
    OffLatticeGrowth::particlesBound, OffLatticeGrowth::memoryBytes,
    [](std::int64_t particles, std::int32_t width, std::int32_t height) -> std::uint64_t {
        // OffLatticePicture: the particles sorted by row (4 bytes each, a row start of 8 bytes
        // a row) and the owners of one row (4 bytes a pixel), beside a row of 3 bytes a pixel.
        return 4 * static_cast<std::uint64_t>(particles + 1) + 8 * static_cast<std::uint64_t>(height + 2) +
               7 * static_cast<std::uint64_t>(width);
    }};

const OffLatticeModel OffLatticeModel::Space{
    "a 3D off-lattice cluster", OffLattice3DGrowth::MaxParticles, OffLattice3DGrowth::radiusBound,
    OffLattice3DGrowth::particlesBound, OffLattice3DGrowth::memoryBytes,
    [](std::int64_t particles, std::int32_t width, std::int32_t height) -> std::uint64_t {
        return OffLattice3DPicture::workingBytes(particles, width, height) + 3 * static_cast<std::uint64_t>(width);
    }};

OffLatticePlan::OffLatticePlan(const GrowRequest& request, const OffLatticeModel& model)
    : model_(&model), size_(request.size), bmp_(request.wantsPicture() && !PictureFile::isPngName(request.output)),
      scale_(OffLatticeSettings::of(request).scale), particles_(request.points.value_or(0)),
      sizedToCluster_(request.points.has_value() && !request.sizeGiven)
{
    const double narrower = std::min(size_.width, size_.height) / scale_;
    if (narrower < NarrowestPicture)
        throw UsageError("a picture of " + pictureText(size_) + " at --scale " + scaleText(scale_) + " is " +
                         scaleText(narrower) + " particle diameters across, too small for the first particles (" +
                         scaleText(NarrowestPicture) + " at least): give a larger --size or a smaller --scale");
    if (particles_ == 0)
        edgeRadius_ = std::min(size_.width, size_.height) / (2 * scale_);
}

std::int64_t OffLatticePlan::expectedParticles() const
{
    return particles_ > 0 ? particles_ : model_->particlesBound(edgeRadius_);
}

std::uint64_t OffLatticePlan::memoryBytes() const
{
    // The writers' rows, zlib's state and the particle list's buffer.
    constexpr std::uint64_t Writers = 1 << 20;
    const std::int64_t particles = expectedParticles();
    return model_->memoryBytes(particles) + model_->pictureBytes(particles, size_.width, size_.height) + Writers +
           JobCount::workerBytes();
}

void OffLatticePlan::checkFits() const
{
    if (particles_ == 0 && model_->particlesBound(edgeRadius_) > model_->maxParticles)
        throw FieldSizeError("A cluster reaching the edge of " + pictureText(size_) + " at --scale " +
                             scaleText(scale_) + " could need more than " + std::to_string(model_->maxParticles) +
                             " particles: give a smaller --size, a larger --scale or --points");
    // The BMP header holds the file size in 32 bits.
    if (bmp_ && BmpFile::fileSize(size_.width, size_.height) >= std::uint64_t{1} << 32)
        throw FieldSizeError("A picture of " + pictureText(size_) +
                             " is too large to be saved as a BMP file, which must stay below 4 GiB");
    if (memoryBytes() > AvailableMemory::bytes())
        throw FieldSizeError(memoryRefusal(memoryBytes()));
}

std::string OffLatticePlan::memoryRefusal(std::uint64_t needed) const
{
    return "Not enough memory for " + std::string(model_->cluster) + " of " + std::string(particles_ > 0 ? "" : "up to ") +
           std::to_string(expectedParticles()) + " particles (" + std::to_string(needed >> 20) + " MiB)";
}

FieldSize OffLatticePlan::pictureSize(double farthest) const
{
    if (!sizedToCluster_)
        return size_;
    // The square was sized by a bound no cluster has been seen to pass.
    const std::int64_t needed = sideHolding(farthest, scale_);
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(size_.width, side), std::max(size_.height, side)};
}

FieldSize OffLatticePlan::sizeForParticles(std::int64_t particles, double scale, const OffLatticeModel& model)
{
    const std::int64_t side = std::max<std::int64_t>(FieldSize::MinimumSide, sideHolding(model.radiusBound(particles), scale));
    if (side > FieldSize::MaximumSide)
        throw UsageError(std::to_string(particles) + " particles at --scale " + scaleText(scale) +
                         " need a picture of up to " + std::to_string(side) + " pixels across, more than " +
                         std::to_string(FieldSize::MaximumSide) + ": give a smaller --scale or a --size");
    return FieldSize{static_cast<std::int32_t>(side), static_cast<std::int32_t>(side)};
}

FieldSize OffLatticePlan::sizeWithoutSizeOption(const GrowRequest& request)
{
    if (!request.points)
        return DefaultSize;
    return sizeForParticles(*request.points, OffLatticeSettings::of(request).scale);
}

FieldSize OffLatticePlan::spaceSizeWithoutSizeOption(const GrowRequest& request)
{
    if (!request.points)
        return DefaultSize;
    return sizeForParticles(*request.points, OffLatticeSettings::of(request).scale, OffLatticeModel::Space);
}
