#include "OffLatticeRun.h"

#include "lattice/FieldSizeError.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "picture/PictureFile.h"
#include "ProgressPace.h"
#include "files/SaveError.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>

namespace {

using Figure = SummaryKeys::Figure;

} // namespace

OffLatticeRun::OffLatticeRun(const GrowOptions& options) : options_(options), settings_(options)
{
    try {
        growth_.emplace(options_.seed, settings_.expectedParticles());
    } catch (const std::bad_alloc&) {
        throw FieldSizeError("Not enough memory for an off-lattice cluster of " +
                             std::to_string(settings_.expectedParticles()) + " particles");
    }
}

std::unique_ptr<GrowthRun> OffLatticeRun::make(const GrowOptions& options)
{
    return std::make_unique<OffLatticeRun>(options);
}

void OffLatticeRun::checkBeforeRuns(const GrowOptions& options)
{
    OffLatticeSettings(options).checkFits();
}

std::uint64_t OffLatticeRun::memoryOfOneRun(const GrowOptions& options)
{
    return OffLatticeSettings(options).memoryBytes();
}

std::string OffLatticeRun::memoryRefusal(const GrowOptions& options)
{
    // What an ensemble counts for one run: the cluster with the worker it runs on.
    return OffLatticeSettings(options).memoryRefusal(memoryOfOneRun(options));
}

void OffLatticeRun::checkWritable() const
{
    // A picture sized to the cluster can only come out larger than planned, never smaller.
    checkFilesWritable(options_);
}

FieldSize OffLatticeRun::pictureSize() const
{
    if (!settings_.sizedToCluster())
        return options_.size;
    // The picture was sized by a bound no cluster has been seen to pass; should one pass it,
    // the picture grows to hold it rather than cut it off.
    const std::int64_t needed = OffLatticeSettings::sideHolding(growth_->radius(), settings_.scale());
    const auto side = static_cast<std::int32_t>(std::min<std::int64_t>(needed, FieldSize::MaximumSide));
    return FieldSize{std::max(options_.size.width, side), std::max(options_.size.height, side)};
}

double OffLatticeRun::progressFraction(std::int64_t arrivals) const
{
    if (settings_.particles() > 0)
        return static_cast<double>(arrivals) / static_cast<double>(settings_.particles());
    return std::clamp(growth_->radius() / settings_.edgeRadius(), 0.0, 1.0);
}

std::string OffLatticeRun::progressText(std::int64_t arrivals, double seconds) const
{
    char text[160];
    if (settings_.particles() > 0)
        std::snprintf(text, sizeof text, "%lld particles of %lld  %.0f s", static_cast<long long>(arrivals),
                      static_cast<long long>(settings_.particles()), seconds);
    else
        std::snprintf(text, sizeof text, "%lld particles  radius %.1f -> %.1f  %.0f s", static_cast<long long>(arrivals),
                      growth_->radius(), settings_.edgeRadius(), seconds);
    return text;
}

RunResult OffLatticeRun::run(ProgressBar* bar, const std::atomic<bool>* cancelled)
{
    RunResult result = RunResult::of(options_);

    ProgressPace pace;
    pace.start();
    OffLatticeGrowth::Hooks hooks;
    hooks.stop = cancelled;
    if (bar != nullptr)
        hooks.progress = [&](std::int64_t arrivals) {
            if (pace.due(bar->shown()))
                bar->draw(progressFraction(arrivals),
                          progressText(arrivals, std::chrono::duration<double>(pace.elapsed()).count()));
        };
    OffLatticeGrowth::Limits limits;
    limits.particles = settings_.particles();
    limits.radius = settings_.edgeRadius();
    const auto started = std::chrono::steady_clock::now();
    const OffLatticeGrowth::Outcome outcome = growth_->run(limits, hooks);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    if (bar != nullptr)
        bar->clear();
    if (outcome == OffLatticeGrowth::Outcome::Stopped)
        return result;

    result.size = pictureSize();
    // Each file that cannot be written is told on its own, naming it; the other is still written.
    try {
        const OffLatticePicture picture(growth_->particles(), result.size.width, result.size.height,
                                        settings_.scale(), options_.colour == PictureColour::Age);
        PictureFile::save(picture, options_.output);
        result.pictureWritten = true;
    } catch (const SaveError& error) {
        result.errors.push_back(failureOf(error, options_.output));
    }
    if (!options_.particles.empty()) {
        try {
            OffLatticeParticleList::save(growth_->particles(), options_.particles);
            result.particlesWritten = true;
            if (!result.pictureWritten)
                result.errors.back() += "; the particle list " + options_.particles + " is written";
        } catch (const SaveError& error) {
            result.errors.push_back(failureOf(error, options_.particles));
        }
    }
    result.end = result.errors.empty() ? RunResult::End::Written : RunResult::End::NotWritten;
    if (!result.pictureWritten)
        return result;

    result.setFigure(Figure::Particles, static_cast<double>(growth_->arrivals()));
    result.setFigure(Figure::Jumps, static_cast<double>(growth_->jumps()));
    result.setFigure(Figure::Seconds, seconds.count());
    result.setFigure(Figure::GyrationRadius, growth_->gyrationRadius());
    result.setFigure(Figure::Dimension, growth_->growthDimension());
    return result;
}
