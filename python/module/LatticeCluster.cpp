#include "LatticeCluster.h"

#include "ArrayViews.h"
#include "InterruptPoll.h"
#include "LatticeHost.h"
#include "LatticeRun.h"
#include "memory/AvailableMemory.h"
#include "MemoryRefusal.h"
#include "files/ParticleWriter.h"
#include "picture/AgePicture.h"
#include "picture/PictureFile.h"
#include "PythonArguments.h"
#include "lattice/RunFrame.h"
#include "statistics/ClusterStatistics.h"
#include "statistics/FractalDimension.h"
#include "statistics/RunRecorder.h"

#include <limits>

namespace py = pybind11;

namespace {

/// The other mode's field stays as small as a picture may be, as in dla-grow.
constexpr FieldSize Smallest{FieldSize::MinimumSide, FieldSize::MinimumSide};

} // namespace

GrowRequest LatticeCluster::requestFor(Lattice lattice, FieldSize size, std::optional<std::int64_t> points)
{
    GrowRequest request;
    request.mode = &PythonArguments::mode(lattice == Lattice::Plant ? "plant" : "snowflake");
    request.size = size;
    request.sizeGiven = true;
    request.points = points;
    request.colour = PictureColour::Age; // the order map is always kept
    return request;
}

ProgramState LatticeCluster::checkedState(Lattice lattice, FieldSize size, std::optional<std::int64_t> points,
                                          std::uint32_t seed)
{
    // A size no picture may have is bad input; one the memory cannot hold is refused as memory.
    GrowthField::checkSize(size.width, size.height, std::numeric_limits<std::uint64_t>::max());
    const GrowRequest request = requestFor(lattice, size, points);
    if (LatticeRun::memoryOfOneRun(request) > AvailableMemory::bytes())
        throw MemoryRefusal(LatticeRun::memoryRefusal(request));
    ProgramState state(seed, Smallest, Smallest);
    if (lattice == Lattice::Plant)
        state.resizePlant(size);
    else
        state.resizeSnowflake(size);
    return state;
}

LatticeCluster::LatticeCluster(Lattice lattice, FieldSize size, std::optional<std::int64_t> points, std::uint32_t seed)
    : lattice_(lattice), seed_(seed), state_(checkedState(lattice, size, points, seed)), order_(size)
{
    grow(points);
}

void LatticeCluster::grow(std::optional<std::int64_t> points)
{
    InterruptPoll interrupt;
    {
        py::gil_scoped_release released;
        ClusterStatistics statistics;
        RunRecorder recorder(statistics, &order_, nullptr);
        LatticeHost host(points, interrupt, state_.stopRequested);
        RunFrame frame(state_, host);
        auto observer = [&](const StuckWanderer& wanderer) {
            positions_.push_back(wanderer.at.x);
            positions_.push_back(wanderer.at.y);
            parents_.push_back(static_cast<std::int32_t>(recorder.parentOf(wanderer)));
            recorder(wanderer);
        };
        stats_ = lattice_ == Lattice::Plant ? frame.runPlantLife(observer) : frame.runSnowflake(observer);
        pixels_ = statistics.pixels();
        gyrationRadius_ = statistics.gyrationRadius();
    }
    interrupt.raiseIfInterrupted();
}

const GrowthField& LatticeCluster::field() const
{
    return lattice_ == Lattice::Plant ? state_.plantField() : state_.snowField();
}

std::int32_t LatticeCluster::marker() const
{
    return lattice_ == Lattice::Plant ? state_.plantTop : state_.snowRadius;
}

std::optional<double> LatticeCluster::dimension() const
{
    py::gil_scoped_release released;
    return lattice_ == Lattice::Plant ? FractalDimension::ofPlant(field()) : FractalDimension::estimate(field());
}

const char* LatticeCluster::engine() const
{
    return lattice_ == Lattice::Plant ? PlantLifeGrowth::EngineVersion : SnowflakeGrowth::EngineVersion;
}

py::array_t<std::int32_t> LatticeCluster::positions(py::handle self) const
{
    const auto rows = static_cast<py::ssize_t>(parents_.size());
    constexpr auto coordinate = static_cast<py::ssize_t>(sizeof(std::int32_t));
    return ArrayViews::view(positions_.data(), {rows, py::ssize_t{2}}, {2 * coordinate, coordinate}, self);
}

py::array_t<std::int32_t> LatticeCluster::parents(py::handle self) const
{
    const auto rows = static_cast<py::ssize_t>(parents_.size());
    return ArrayViews::view(parents_.data(), {rows}, {py::ssize_t{sizeof(std::int32_t)}}, self);
}

py::array LatticeCluster::picture(PictureColour colour, py::handle self) const
{
    if (colour == PictureColour::Age)
        return ArrayViews::colours(AgePicture(field(), order_));
    // The pixel block holds bottom-up rows of blue, green and red: the blue bytes, read from the
    // last row of the block upwards, are the picture top down, 255 on the cluster and 0 elsewhere.
    const GrowthField& field = this->field();
    const auto rowBytes = static_cast<py::ssize_t>(field.rowBytes());
    const std::uint8_t* topRow = field.pixelBlock() + static_cast<std::size_t>(field.height() - 1) * field.rowBytes();
    return ArrayViews::view(topRow, {py::ssize_t{field.height()}, py::ssize_t{field.width()}}, {-rowBytes, py::ssize_t{3}},
                            self);
}

void LatticeCluster::savePicture(const std::string& path, PictureColour colour) const
{
    py::gil_scoped_release released;
    if (colour == PictureColour::Age)
        PictureFile::save(AgePicture(field(), order_), path);
    else
        PictureFile::save(field(), path);
}

void LatticeCluster::saveParticles(const std::string& path) const
{
    py::gil_scoped_release released;
    ParticleWriter writer(path);
    for (std::size_t row = 0; row < parents_.size(); ++row)
        writer.write(static_cast<std::int64_t>(row), positions_[2 * row], positions_[2 * row + 1], parents_[row]);
    writer.commit();
}
