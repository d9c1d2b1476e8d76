#include "LatticeRun.h"

#include "picture/AgePicture.h"
#include "statistics/ClusterStatistics.h"
#include "statistics/FractalDimension.h"
#include "GrowHost.h"
#include "GrowRequest.h"
#include "GrowthMode.h"
#include "lattice/GrowthField.h"
#include "JobCount.h"
#include "lattice/OrderMap.h"
#include "lattice/OwnerTable.h"
#include "files/ParticleWriter.h"
#include "picture/PictureFile.h"
#include "lattice/RunFrame.h"
#include "statistics/RunRecorder.h"
#include "files/SaveError.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <stdexcept>
#include <memory>
#include <new>

namespace {

using Figure = SummaryKeys::Figure;

/// The dimension is a nicety of the summary: if its working memory cannot be had, leave it out.
std::optional<double> dimensionOf(const GrowthField& field, LatticeRun::Lattice lattice)
{
    try {
        return lattice == LatticeRun::Lattice::Plant ? FractalDimension::ofPlant(field)
                                                     : FractalDimension::estimate(field);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

/// Neither field at a size of its own: the run gives its own field its size, and the other
/// stays as small as a picture may be.
constexpr FieldSize Smallest{FieldSize::MinimumSide, FieldSize::MinimumSide};

} // namespace

LatticeRun::LatticeRun(Lattice lattice, const GrowRequest& request)
    : lattice_(lattice), request_(request), state_(request.seed, Smallest, Smallest)
{
    // The parser keeps --points in the mode's range; a request filled by a program may not.
    if (request_.points && (*request_.points < std::numeric_limits<std::int32_t>::min() ||
                            *request_.points > std::numeric_limits<std::int32_t>::max()))
        throw std::invalid_argument("a lattice run takes a 32-bit number of points, not " +
                                    std::to_string(*request_.points));
    if (lattice_ == Lattice::Plant)
        state_.resizePlant(request_.size);
    else
        state_.resizeSnowflake(request_.size);
    // Without a picture, the colours by age would be made for nothing.
    if (request_.colour == PictureColour::Age && request_.wantsPicture())
        order_.emplace(request_.size);
}

std::unique_ptr<GrowthRun> LatticeRun::makePlant(const GrowRequest& request)
{
    return std::make_unique<LatticeRun>(Lattice::Plant, request);
}

std::unique_ptr<GrowthRun> LatticeRun::makeSnowflake(const GrowRequest& request)
{
    return std::make_unique<LatticeRun>(Lattice::Snowflake, request);
}

void LatticeRun::checkBeforeRuns(const GrowRequest& request)
{
    GrowthField::checkSize(request.size.width, request.size.height);
}

namespace {

/// The most wanderers a run can stick inside its picture: one a pixel, and no more than it
/// releases (N + 1, or the To-Limit bound).
std::uint64_t mostStuck(const GrowRequest& request)
{
    const std::uint64_t pixels = static_cast<std::uint64_t>(request.size.width) * static_cast<std::uint64_t>(request.size.height);
    const std::int64_t released = request.points ? std::max<std::int64_t>(std::int64_t{*request.points} + 1, 0)
                                                 : std::int64_t{RunFrame::ToLimitWanderers} + 1;
    return std::min(pixels, static_cast<std::uint64_t>(released));
}

} // namespace

/// Memory one run of an ensemble takes at its peak, with the worker thread it runs on: the
/// start state's two smallest fields (the other mode's stays so; the grown mode's is there
/// while its picture is made at the size asked for) and that picture, with their touch
/// counts; the order map of a picture coloured by age, or else the owner table of a particle
/// list (and the list's buffer); the fractal dimension's box grids over the cluster's largest
/// possible bounding box; what saving the picture takes; the worker's stack.
std::uint64_t LatticeRun::memoryOfOneRun(const GrowRequest& request)
{
    const FieldSize size = request.size;
    const std::uint64_t stuck = mostStuck(request);
    std::uint64_t bytes = 2 * GrowthField::bytesFor(Smallest.width, Smallest.height) +
                          GrowthField::bytesFor(size.width, size.height);
    if (request.colour == PictureColour::Age && request.wantsPicture())
        bytes += OrderMap::bytesFor(size);
    else if (!request.particles.empty())
        bytes += OwnerTable::peakBytesFor(size, stuck);
    if (!request.particles.empty())
        bytes += ParticleWriter::BufferBytes;
    // The cluster's pixels span at most one more than the wanderers stuck, each way.
    bytes += FractalDimension::peakBytesFor(std::min<std::uint64_t>(size.width, stuck + 1),
                                            std::min<std::uint64_t>(size.height, stuck + 1));
    bytes += PictureFile::workingBytesFor(size.width);
    return bytes + JobCount::workerBytes();
}

void LatticeRun::saveFiles(ParticleWriter* particles, RunResult& result) const
{
    // A list whose writing fell short (a full disk) is dropped before the picture is saved, so
    // its temporary file leaves the picture the room it took.
    if (particles != nullptr && !particles->writeOut()) {
        particles->abandon();
        result.errors.push_back(failureOf(SaveError("Stream write error"), request_.particles));
        particles = nullptr;
    }
    if (request_.wantsPicture()) {
        try {
            if (order_)
                PictureFile::save(AgePicture(field(), *order_), request_.output);
            else
                PictureFile::save(field(), request_.output);
            result.pictureWritten = true;
        } catch (const SaveError& error) {
            result.errors.push_back(failureOf(error, request_.output));
        }
    }
    if (particles == nullptr)
        return;
    try {
        particles->commit();
        result.particlesWritten = true;
        if (!result.errors.empty())
            result.errors.back() += "; the particle list " + request_.particles + " is written";
    } catch (const SaveError& error) {
        result.errors.push_back(failureOf(error, request_.particles));
    }
}

std::string LatticeRun::memoryRefusal(const GrowRequest& request)
{
    return "Not enough memory for a picture of " + std::to_string(request.size.width) + " x " +
           std::to_string(request.size.height) + " pixels";
}

const GrowthField& LatticeRun::field() const
{
    return lattice_ == Lattice::Plant ? state_.plantField() : state_.snowField();
}

void LatticeRun::checkWritable() const
{
    checkFilesWritable(request_);
}

RunResult LatticeRun::run(ProgressBar* bar, const std::atomic<bool>* cancelled)
{
    RunResult result = RunResult::of(request_);

    std::unique_ptr<ParticleWriter> particles;
    std::unique_ptr<OwnerTable> ownerTable;
    PixelOwners* owners = order_ ? &*order_ : nullptr;
    if (!request_.particles.empty()) {
        try {
            particles = std::make_unique<ParticleWriter>(request_.particles);
        } catch (const SaveError& error) {
            result.end = RunResult::End::NotWritten;
            result.errors.push_back(failureOf(error, request_.particles));
            return result;
        }
        if (owners == nullptr) {
            // Without an order map, parents come from a table that grows with the wanderers.
            ownerTable = std::make_unique<OwnerTable>(request_.size);
            owners = ownerTable.get();
        }
    }

    ClusterStatistics statistics;
    RunRecorder recorder(statistics, owners, particles.get());
    // The mode's range of points (GrowthMode) keeps them within 32 bits.
    const auto points = request_.points ? std::optional<std::int32_t>(static_cast<std::int32_t>(*request_.points))
                                        : std::nullopt;
    GrowHost host(points, request_.mode->markerName, bar);
    if (cancelled != nullptr)
        host.stopWhen(*cancelled, state_.stopRequested);
    RunFrame frame(state_, host);
    const auto started = std::chrono::steady_clock::now();
    const RunStats stats = lattice_ == Lattice::Plant ? frame.runPlantLife(recorder) : frame.runSnowflake(recorder);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    host.finish();
    if (stats.end == RunEnd::Stopped)
        return result; // the particle list's temporary file goes with its writer
    ownerTable.reset(); // its memory is better spent on writing

    result.grown = true;
    saveFiles(particles.get(), result);
    result.end = result.errors.empty() ? RunResult::End::Written : RunResult::End::NotWritten;
    if (!result.summarised())
        return result;

    result.setFigure(Figure::Wanderers, static_cast<double>(stats.wanderers));
    result.setFigure(Figure::Moves, static_cast<double>(stats.moves));
    result.setFigure(Figure::Marker, lattice_ == Lattice::Plant ? state_.plantTop : state_.snowRadius);
    result.setFigure(Figure::Seconds, seconds.count());
    result.setFigure(Figure::Pixels, static_cast<double>(statistics.pixels()));
    result.setFigure(Figure::GyrationRadius, statistics.gyrationRadius());
    result.setFigure(Figure::Dimension, dimensionOf(field(), lattice_));
    return result;
}
