#pragma once

#include "ArrayViews.h"
#include "GrowRequest.h"
#include "InterruptPoll.h"
#include "memory/AvailableMemory.h"
#include "MemoryRefusal.h"
#include "OffLatticePlan.h"
#include "OffLatticeSettings.h"
#include "picture/PictureFile.h"
#include "PythonArguments.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

/// An off-lattice cluster grown for Python, in the plane or in space (`Model`: PlaneModel,
/// SpaceModel): the growth as the engine left it, and what the module hands out of it. It never
/// grows again once made, so views of its particles stay valid for as long as it lives.
template <class Model>
class OffLatticeCluster {
public:
    using Growth = typename Model::Growth;
    using Particle = typename Model::Particle;

    /// Grows `particles` arrivals from `seed` without the GIL. Throws MemoryRefusal, before
    /// anything is allocated, when the memory cannot hold the growth; the exception a signal
    /// handler raised (KeyboardInterrupt) when the growth was stopped.
    OffLatticeCluster(std::int64_t particles, std::uint32_t seed)
        : seed_(seed), particles_(particles), growth_(seed, checkedParticles(particles))
    {
        InterruptPoll interrupt;
        typename Growth::Limits limits;
        limits.particles = particles;
        {
            pybind11::gil_scoped_release released;
            growth_.run(limits, interrupt);
        }
        interrupt.raiseIfInterrupted();
    }
    /// Views of its particles point into it: it stays where it was made.
    OffLatticeCluster(const OffLatticeCluster&) = delete;
    OffLatticeCluster& operator=(const OffLatticeCluster&) = delete;

    const Growth& growth() const { return growth_; }
    std::uint32_t seed() const { return seed_; }

    /// The centres, an N x Dimensions view of the particles (no copy); `self` is this cluster's
    /// Python object, which the view keeps alive.
    pybind11::array_t<double> positions(pybind11::handle self) const
    {
        const auto& particles = growth_.particles();
        const auto rows = static_cast<pybind11::ssize_t>(particles.size());
        constexpr auto row = static_cast<pybind11::ssize_t>(sizeof(Particle));
        static_assert(offsetof(decltype(Particle::at), y) == offsetof(decltype(Particle::at), x) + sizeof(double));
        return ArrayViews::view(&particles.front().at.x, {rows, pybind11::ssize_t{Model::Dimensions}},
                                {row, pybind11::ssize_t{sizeof(double)}}, self);
    }

    /// Each particle's parent as a row of positions, -1 for the origin particle (a copy: the
    /// engine numbers parents by the particle list's rows, one less).
    pybind11::array_t<std::int32_t> parents() const
    {
        const auto& particles = growth_.particles();
        pybind11::array_t<std::int32_t> parents(static_cast<pybind11::ssize_t>(particles.size()));
        std::int32_t* out = parents.mutable_data();
        out[0] = -1;
        for (std::size_t i = 1; i < particles.size(); ++i)
            out[i] = particles[i].parent + 1;
        return parents;
    }

    /// The picture dla-grow writes for this cluster: `size` as given, or the square it makes for
    /// the cluster's particles at `scale`. Throws UsageError as dla-grow refuses a picture.
    pybind11::array picture(double scale, PictureColour colour, std::optional<FieldSize> size) const
    {
        const FieldSize pictureSize = this->pictureSize(pictureRequest(scale, colour, size, "picture.png"));
        const typename Model::Picture picture(growth_.particles(), pictureSize.width, pictureSize.height, scale,
                                              colour == PictureColour::Age);
        if (colour == PictureColour::Age)
            return ArrayViews::colours(picture);
        return ArrayViews::grey(picture);
    }

    void savePicture(const std::string& path, double scale, PictureColour colour, std::optional<FieldSize> size) const
    {
        const FieldSize pictureSize = this->pictureSize(pictureRequest(scale, colour, size, path));
        pybind11::gil_scoped_release released;
        const typename Model::Picture picture(growth_.particles(), pictureSize.width, pictureSize.height, scale,
                                              colour == PictureColour::Age);
        PictureFile::save(picture, path);
    }

    void saveParticles(const std::string& path) const
    {
        pybind11::gil_scoped_release released;
        Model::ParticleList::save(growth_.particles(), path);
    }

private:
    /// Refuses a growth the memory cannot hold, with dla-grow's message, before any of it is made.
    static std::int64_t checkedParticles(std::int64_t particles)
    {
        const std::uint64_t needed = Growth::memoryBytes(particles);
        if (needed > AvailableMemory::bytes()) {
            GrowRequest request;
            request.mode = &PythonArguments::mode(Model::Mode);
            request.size = OffLatticePlan::DefaultSize;
            request.sizeGiven = true;
            request.points = particles;
            throw MemoryRefusal(Model::plan(request).memoryRefusal(needed));
        }
        return particles;
    }

    /// What dla-grow is asked for a picture of this cluster.
    GrowRequest pictureRequest(double scale, PictureColour colour, std::optional<FieldSize> size,
                               const std::string& path) const
    {
        GrowRequest request;
        request.mode = &PythonArguments::mode(Model::Mode);
        request.points = particles_;
        request.colour = colour;
        request.output = path;
        OffLatticeSettings settings;
        settings.scale = scale;
        request.modeSettings = settings;
        request.sizeGiven = size.has_value();
        request.size = size ? *size : Model::sizeWithoutSizeOption(request);
        return request;
    }

    /// The picture's size as dla-grow chooses it, read through its checks: a cluster that
    /// outgrew the square planned for it widens the picture.
    FieldSize pictureSize(const GrowRequest& request) const { return Model::plan(request).pictureSize(growth_.radius()); }

    std::uint32_t seed_;
    std::int64_t particles_;
    Growth growth_;
};
