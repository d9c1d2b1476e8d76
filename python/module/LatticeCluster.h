#pragma once

#include "GrowRequest.h"
#include "lattice/GrowthField.h"
#include "lattice/OrderMap.h"
#include "lattice/ProgramState.h"
#include "lattice/RunStats.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// A plant or a snowflake grown for Python as dla-grow grows it: the field, the release order of
/// every pixel (for the picture by age and for parents), and the particle list as arrays.
class LatticeCluster {
public:
    enum class Lattice { Plant, Snowflake };

    /// Grows the lattice's field at `size` from `seed`, To Limit or N + 1 wanderers, without the
    /// GIL. Throws MemoryRefusal, before anything is allocated, when the memory cannot hold the
    /// run; FieldSizeError for a picture that could never be saved; the exception a signal
    /// handler raised (KeyboardInterrupt) when the run was stopped.
    LatticeCluster(Lattice lattice, FieldSize size, std::optional<std::int64_t> points, std::uint32_t seed);
    /// Views of its pixels and particles point into it: it stays where it was made.
    LatticeCluster(const LatticeCluster&) = delete;
    LatticeCluster& operator=(const LatticeCluster&) = delete;

    Lattice lattice() const { return lattice_; }
    std::uint32_t seed() const { return seed_; }
    const RunStats& stats() const { return stats_; }
    const GrowthField& field() const;
    /// plantTop or snowRadius at the end.
    std::int32_t marker() const;
    std::int64_t pixels() const { return pixels_; }
    std::optional<double> gyrationRadius() const { return gyrationRadius_; }
    std::optional<double> dimension() const;
    const char* engine() const;

    /// Where each wanderer stuck, wanderers x 2 (x, y) int32, a view (no copy).
    pybind11::array_t<std::int32_t> positions(pybind11::handle self) const;
    /// The wanderer whose pixel each one touched first, -1 for the starting cluster; a view.
    pybind11::array_t<std::int32_t> parents(pybind11::handle self) const;
    /// White: height x width uint8, a view of the field's pixels; by age: height x width x 3, a copy.
    pybind11::array picture(PictureColour colour, pybind11::handle self) const;
    void savePicture(const std::string& path, PictureColour colour) const;
    void saveParticles(const std::string& path) const;

private:
    /// What dla-grow is asked for such a run, for its memory check and message.
    static GrowRequest requestFor(Lattice lattice, FieldSize size, std::optional<std::int64_t> points);
    static ProgramState checkedState(Lattice lattice, FieldSize size, std::optional<std::int64_t> points,
                                     std::uint32_t seed);
    void grow(std::optional<std::int64_t> points);

    Lattice lattice_;
    std::uint32_t seed_;
    ProgramState state_;
    OrderMap order_;
    RunStats stats_;
    std::vector<std::int32_t> positions_; // x, y of each wanderer
    std::vector<std::int32_t> parents_;
    std::int64_t pixels_ = 0;
    std::optional<double> gyrationRadius_;
};
