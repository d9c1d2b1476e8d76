#include "OffLatticeRun.h"

#include "lattice/FieldSizeError.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "picture/PictureFile.h"
#include "OffLatticeGrowHost.h"
#include "files/SaveError.h"

#include <algorithm>
#include <chrono>
#include <new>

namespace {

using Figure = SummaryKeys::Figure;

} // namespace

OffLatticeRun::OffLatticeRun(const GrowRequest& request) : request_(request), plan_(request)
{
    try {
        growth_.emplace(request_.seed, plan_.expectedParticles());
    } catch (const std::bad_alloc&) {
        throw FieldSizeError("Not enough memory for an off-lattice cluster of " +
                             std::to_string(plan_.expectedParticles()) + " particles");
    }
}

std::unique_ptr<GrowthRun> OffLatticeRun::make(const GrowRequest& request)
{
    return std::make_unique<OffLatticeRun>(request);
}

void OffLatticeRun::checkBeforeRuns(const GrowRequest& request)
{
    OffLatticePlan(request).checkFits();
}

std::uint64_t OffLatticeRun::memoryOfOneRun(const GrowRequest& request)
{
    return OffLatticePlan(request).memoryBytes();
}

std::string OffLatticeRun::memoryRefusal(const GrowRequest& request)
{
    // What an ensemble counts for one run: the cluster with the worker it runs on.
    return OffLatticePlan(request).memoryRefusal(memoryOfOneRun(request));
}

void OffLatticeRun::checkWritable() const
{
    // A picture sized to the cluster can only come out larger than planned, never smaller.
    checkFilesWritable(request_);
}

FieldSize OffLatticeRun::pictureSize() const
{
    if (!plan_.sizedToCluster())
        return request_.size;
    // The picture was sized by a bound no cluster has been seen to pass; should one pass it,
    // the picture grows to hold it rather than cut it off.
    const std::int64_t needed = OffLatticePlan::sideHolding(growth_->radius(), plan_.scale());
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(request_.size.width, side), std::max(request_.size.height, side)};
}

RunResult OffLatticeRun::run(ProgressBar* bar, const std::atomic<bool>* cancelled)
{
    RunResult result = RunResult::of(request_);

    OffLatticeGrowHost host([this] { return growth_->radius(); }, plan_, bar, cancelled);
    OffLatticeGrowth::Limits limits;
    limits.particles = plan_.particles();
    limits.radius = plan_.edgeRadius();
    const auto started = std::chrono::steady_clock::now();
    const OffLatticeGrowth::Outcome outcome = growth_->run(limits, host);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    host.finish();
    if (outcome == OffLatticeGrowth::Outcome::Stopped)
        return result;

    result.grown = true;
    result.size = pictureSize();
    // Each file that cannot be written is told on its own, naming it; the other is still written.
    if (request_.wantsPicture()) {
        try {
            const OffLatticePicture picture(growth_->particles(), result.size.width, result.size.height,
                                            plan_.scale(), request_.colour == PictureColour::Age);
            PictureFile::save(picture, request_.output);
            result.pictureWritten = true;
        } catch (const SaveError& error) {
            result.errors.push_back(failureOf(error, request_.output));
        }
    }
    if (!request_.particles.empty()) {
        try {
            OffLatticeParticleList::save(growth_->particles(), request_.particles);
            result.particlesWritten = true;
            if (!result.errors.empty())
                result.errors.back() += "; the particle list " + request_.particles + " is written";
        } catch (const SaveError& error) {
            result.errors.push_back(failureOf(error, request_.particles));
        }
    }
    result.end = result.errors.empty() ? RunResult::End::Written : RunResult::End::NotWritten;
    if (!result.summarised())
        return result;

    result.setFigure(Figure::Particles, static_cast<double>(growth_->arrivals()));
    result.setFigure(Figure::Jumps, static_cast<double>(growth_->jumps()));
    result.setFigure(Figure::Seconds, seconds.count());
    result.setFigure(Figure::GyrationRadius, growth_->gyrationRadius());
    result.setFigure(Figure::Dimension, growth_->growthDimension());
    return result;
}
