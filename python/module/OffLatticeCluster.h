#pragma once

#include "GrowRequest.h"
#include "offlattice/OffLatticeGrowth.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <optional>
#include <string>

/// An off-lattice cluster grown for Python: the growth as the engine left it, and what the
/// module hands out of it. It never grows again once made, so views of its particles stay valid
/// for as long as it lives.
class OffLatticeCluster {
public:
    /// Grows `particles` arrivals from `seed` without the GIL. Throws MemoryRefusal, before
    /// anything is allocated, when the memory cannot hold the growth; the exception a signal
    /// handler raised (KeyboardInterrupt) when the growth was stopped.
    OffLatticeCluster(std::int64_t particles, std::uint32_t seed);

    const OffLatticeGrowth& growth() const { return growth_; }
    std::uint32_t seed() const { return seed_; }

    /// The centres, an N x 2 view of the particles (no copy); `self` is this cluster's Python object.
    pybind11::array_t<double> positions(pybind11::handle self) const;
    /// Each particle's parent as a row of positions, -1 for the origin particle (a copy: the
    /// engine numbers parents by the particle list's rows, one less).
    pybind11::array_t<std::int32_t> parents() const;
    /// The picture dla-grow writes for this cluster: `size` as given, or the square it makes for
    /// the cluster's particles at `scale`. Throws UsageError as dla-grow refuses a picture.
    pybind11::array picture(double scale, PictureColour colour, std::optional<FieldSize> size) const;
    void savePicture(const std::string& path, double scale, PictureColour colour, std::optional<FieldSize> size) const;
    void saveParticles(const std::string& path) const;

private:
    /// What dla-grow is asked for a picture of this cluster.
    GrowRequest pictureRequest(double scale, PictureColour colour, std::optional<FieldSize> size,
                               const std::string& path) const;
    /// The picture's size as dla-grow chooses it, read through its checks.
    FieldSize pictureSize(const GrowRequest& request) const;

    std::uint32_t seed_;
    std::int64_t particles_;
    OffLatticeGrowth growth_;
};
