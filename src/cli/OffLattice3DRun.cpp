#include "OffLattice3DRun.h"

#include "OffLatticeGrowHost.h"
#include "files/SaveError.h"
#include "lattice/FieldSizeError.h"
#include "offlattice3d/OffLattice3DParticleList.h"
#include "offlattice3d/OffLattice3DPicture.h"
#include "picture/PictureFile.h"

#include <algorithm>
#include <chrono>
#include <new>

namespace {

using Figure = SummaryKeys::Figure;

} // namespace

OffLattice3DRun::OffLattice3DRun(const GrowRequest& request) : request_(request), plan_(request, OffLatticeModel::Space)
{
    try {
        growth_.emplace(request_.seed, plan_.expectedParticles());
    } catch (const std::bad_alloc&) {
        throw FieldSizeError("Not enough memory for a 3D off-lattice cluster of " +
                             std::to_string(plan_.expectedParticles()) + " particles");
    }
}

std::unique_ptr<GrowthRun> OffLattice3DRun::make(const GrowRequest& request)
{
    return std::make_unique<OffLattice3DRun>(request);
}

void OffLattice3DRun::checkBeforeRuns(const GrowRequest& request)
{
    OffLatticePlan(request, OffLatticeModel::Space).checkFits();
}

std::uint64_t OffLattice3DRun::memoryOfOneRun(const GrowRequest& request)
{
    return OffLatticePlan(request, OffLatticeModel::Space).memoryBytes();
}

std::string OffLattice3DRun::memoryRefusal(const GrowRequest& request)
{
    return OffLatticePlan(request, OffLatticeModel::Space).memoryRefusal(memoryOfOneRun(request));
}

void OffLattice3DRun::checkWritable() const
{
    checkFilesWritable(request_);
}

FieldSize OffLattice3DRun::pictureSize() const
{
    if (!plan_.sizedToCluster())
        return request_.size;
    // Should a cluster pass the bound its picture was sized by, the picture grows to hold it.
    const std::int64_t needed = OffLatticePlan::sideHolding(growth_->radius(), plan_.scale());
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(request_.size.width, side), std::max(request_.size.height, side)};
}

RunResult OffLattice3DRun::run(ProgressBar* bar, const std::atomic<bool>* cancelled)
{
    RunResult result = RunResult::of(request_);

    OffLatticeGrowHost host([this] { return growth_->radius(); }, plan_, bar, cancelled);
    OffLattice3DGrowth::Limits limits;
    limits.particles = plan_.particles();
    limits.radius = plan_.edgeRadius();
    const auto started = std::chrono::steady_clock::now();
    const OffLattice3DGrowth::Outcome outcome = growth_->run(limits, host);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    host.finish();
    if (outcome == OffLattice3DGrowth::Outcome::Stopped)
        return result;

    result.grown = true;
    result.size = pictureSize();
    // Each file that cannot be written is told on its own, naming it; the other is still written.
    if (request_.wantsPicture()) {
        try {
            const OffLattice3DPicture picture(growth_->particles(), result.size.width, result.size.height,
                                              plan_.scale(), request_.colour == PictureColour::Age);
            PictureFile::save(picture, request_.output);
            result.pictureWritten = true;
        } catch (const SaveError& error) {
            result.errors.push_back(failureOf(error, request_.output));
        }
    }
    if (!request_.particles.empty()) {
        try {
            OffLattice3DParticleList::save(growth_->particles(), request_.particles);
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
