#include "OffLatticeCluster.h"

#include "ArrayViews.h"
#include "memory/AvailableMemory.h"
#include "MemoryRefusal.h"
#include "ModeTable.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "OffLatticeSettings.h"
#include "picture/PictureFile.h"

#include <algorithm>

namespace py = pybind11;

namespace {

/// Refuses a growth the memory cannot hold, with dla-grow's message, before any of it is made.
std::int64_t checkedParticles(std::int64_t particles)
{
    const std::uint64_t needed = OffLatticeGrowth::memoryBytes(particles);
    if (needed > AvailableMemory::bytes()) {
        GrowOptions options;
        options.mode = ModeTable::find("offlattice");
        options.size = OffLatticeSettings::DefaultSize;
        options.points = static_cast<std::int32_t>(particles);
        throw MemoryRefusal(OffLatticeSettings(options).memoryRefusal(needed));
    }
    return particles;
}

} // namespace

OffLatticeCluster::OffLatticeCluster(std::int64_t particles, std::uint32_t seed)
    : seed_(seed), particles_(particles), growth_(seed, checkedParticles(particles))
{
    InterruptPoll interrupt;
    OffLatticeGrowth::Hooks hooks;
    hooks.stop = interrupt.stopFlag();
    hooks.progress = [&](std::int64_t) { interrupt.poll(); };
    OffLatticeGrowth::Limits limits;
    limits.particles = particles;
    {
        py::gil_scoped_release released;
        growth_.run(limits, hooks);
    }
    interrupt.raiseIfInterrupted();
}

py::array_t<double> OffLatticeCluster::positions(py::handle self) const
{
    const auto& particles = growth_.particles();
    const auto rows = static_cast<py::ssize_t>(particles.size());
    constexpr auto row = static_cast<py::ssize_t>(sizeof(OffLatticeParticle));
    static_assert(offsetof(PlanePoint, y) == offsetof(PlanePoint, x) + sizeof(double));
    return ArrayViews::view(&particles.front().at.x, {rows, py::ssize_t{2}}, {row, py::ssize_t{sizeof(double)}}, self);
}

py::array_t<std::int32_t> OffLatticeCluster::parents() const
{
    const auto& particles = growth_.particles();
    py::array_t<std::int32_t> parents(static_cast<py::ssize_t>(particles.size()));
    std::int32_t* out = parents.mutable_data();
    out[0] = -1;
    for (std::size_t i = 1; i < particles.size(); ++i)
        out[i] = particles[i].parent + 1;
    return parents;
}

GrowOptions OffLatticeCluster::pictureOptions(double scale, PictureColour colour, std::optional<FieldSize> size,
                                              const std::string& path) const
{
    GrowOptions options;
    options.mode = ModeTable::find("offlattice");
    options.points = static_cast<std::int32_t>(particles_);
    options.colour = colour;
    options.output = path;
    char scaleText[40];
    std::snprintf(scaleText, sizeof scaleText, "%.17g", scale);
    options.modeOptions[std::string(OffLatticeSettings::ScaleOption)] = scaleText;
    options.sizeGiven = size.has_value();
    options.size = size ? *size : OffLatticeSettings::sizeWithoutSizeOption(options);
    return options;
}

FieldSize OffLatticeCluster::pictureSize(const GrowOptions& options) const
{
    const OffLatticeSettings settings(options);
    if (!settings.sizedToCluster())
        return options.size;
    // As dla-grow does: a cluster that outgrew the square planned for it widens the picture.
    const std::int64_t needed = OffLatticeSettings::sideHolding(growth_.radius(), settings.scale());
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(options.size.width, side), std::max(options.size.height, side)};
}

py::array OffLatticeCluster::picture(double scale, PictureColour colour, std::optional<FieldSize> size) const
{
    const GrowOptions options = pictureOptions(scale, colour, size, "picture.png");
    const FieldSize pictureSize = this->pictureSize(options);
    const OffLatticePicture picture(growth_.particles(), pictureSize.width, pictureSize.height, scale,
                                    colour == PictureColour::Age);
    if (colour == PictureColour::Age)
        return ArrayViews::colours(picture);
    return ArrayViews::grey(picture);
}

void OffLatticeCluster::savePicture(const std::string& path, double scale, PictureColour colour,
                                    std::optional<FieldSize> size) const
{
    const GrowOptions options = pictureOptions(scale, colour, size, path);
    const FieldSize pictureSize = this->pictureSize(options);
    py::gil_scoped_release released;
    const OffLatticePicture picture(growth_.particles(), pictureSize.width, pictureSize.height, scale,
                                    colour == PictureColour::Age);
    PictureFile::save(picture, path);
}

void OffLatticeCluster::saveParticles(const std::string& path) const
{
    py::gil_scoped_release released;
    OffLatticeParticleList::save(growth_.particles(), path);
}
