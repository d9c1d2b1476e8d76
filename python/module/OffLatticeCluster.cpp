#include "OffLatticeCluster.h"

#include "ArrayViews.h"
#include "InterruptPoll.h"
#include "memory/AvailableMemory.h"
#include "MemoryRefusal.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "OffLatticePlan.h"
#include "OffLatticeSettings.h"
#include "PythonArguments.h"
#include "picture/PictureFile.h"

#include <algorithm>

namespace py = pybind11;

namespace {

/// Refuses a growth the memory cannot hold, with dla-grow's message, before any of it is made.
std::int64_t checkedParticles(std::int64_t particles)
{
    const std::uint64_t needed = OffLatticeGrowth::memoryBytes(particles);
    if (needed > AvailableMemory::bytes()) {
        GrowRequest request;
        request.mode = &PythonArguments::mode("offlattice");
        request.size = OffLatticePlan::DefaultSize;
        request.sizeGiven = true;
        request.points = particles;
        throw MemoryRefusal(OffLatticePlan(request).memoryRefusal(needed));
    }
    return particles;
}

} // namespace

OffLatticeCluster::OffLatticeCluster(std::int64_t particles, std::uint32_t seed)
    : seed_(seed), particles_(particles), growth_(seed, checkedParticles(particles))
{
    InterruptPoll interrupt;
    OffLatticeGrowth::Limits limits;
    limits.particles = particles;
    {
        py::gil_scoped_release released;
        growth_.run(limits, interrupt);
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

GrowRequest OffLatticeCluster::pictureRequest(double scale, PictureColour colour, std::optional<FieldSize> size,
                                              const std::string& path) const
{
    GrowRequest request;
    request.mode = &PythonArguments::mode("offlattice");
    request.points = particles_;
    request.colour = colour;
    request.output = path;
    OffLatticeSettings settings;
    settings.scale = scale;
    request.modeSettings = settings;
    request.sizeGiven = size.has_value();
    request.size = size ? *size : OffLatticePlan::sizeWithoutSizeOption(request);
    return request;
}

FieldSize OffLatticeCluster::pictureSize(const GrowRequest& request) const
{
    const OffLatticePlan plan(request);
    if (!plan.sizedToCluster())
        return request.size;
    // As dla-grow does: a cluster that outgrew the square planned for it widens the picture.
    const std::int64_t needed = OffLatticePlan::sideHolding(growth_.radius(), plan.scale());
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(request.size.width, side), std::max(request.size.height, side)};
}

py::array OffLatticeCluster::picture(double scale, PictureColour colour, std::optional<FieldSize> size) const
{
    const GrowRequest request = pictureRequest(scale, colour, size, "picture.png");
    const FieldSize pictureSize = this->pictureSize(request);
    const OffLatticePicture picture(growth_.particles(), pictureSize.width, pictureSize.height, scale,
                                    colour == PictureColour::Age);
    if (colour == PictureColour::Age)
        return ArrayViews::colours(picture);
    return ArrayViews::grey(picture);
}

void OffLatticeCluster::savePicture(const std::string& path, double scale, PictureColour colour,
                                    std::optional<FieldSize> size) const
{
    const GrowRequest request = pictureRequest(scale, colour, size, path);
    const FieldSize pictureSize = this->pictureSize(request);
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
