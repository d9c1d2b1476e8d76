#pragma once

#include "GrowRequest.h"
#include "GrowthRun.h"
#include "OffLatticeGrowHost.h"
#include "OffLatticePlan.h"
#include "files/SaveError.h"
#include "lattice/FieldSizeError.h"
#include "picture/PictureFile.h"

#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <string>

/// One run of an off-lattice mode: grows a cluster (`Growth`: OffLatticeGrowth in the plane,
/// OffLattice3DGrowth in space) to N particles or to the picture's edge, then draws it at its
/// scale (`Picture`), writes the picture and the particle list (`ParticleList`) and tells what it
/// did. `Model` is what the plan knows of the growth's reach and cost.
template <class Growth, class Picture, class ParticleList, const OffLatticeModel& Model>
class OffLatticeRun : public GrowthRun {
public:
    /// Reads the options and makes the growth for the particles expected. Throws UsageError for
    /// bad options, FieldSizeError when the memory cannot hold the growth: nothing is grown or
    /// written.
    explicit OffLatticeRun(const GrowRequest& request) : request_(request), plan_(request, Model)
    {
        try {
            growth_.emplace(request_.seed, plan_.expectedParticles());
        } catch (const std::bad_alloc&) {
            throw FieldSizeError("Not enough memory for " + std::string(Model.cluster) + " of " +
                                 std::to_string(plan_.expectedParticles()) + " particles");
        }
    }

    /// The mode table's entry points.
    static std::unique_ptr<GrowthRun> make(const GrowRequest& request) { return std::make_unique<OffLatticeRun>(request); }
    /// Throws UsageError or FieldSizeError for a run that could never be done (OffLatticePlan).
    static void checkBeforeRuns(const GrowRequest& request) { OffLatticePlan(request, Model).checkFits(); }
    static std::uint64_t memoryOfOneRun(const GrowRequest& request) { return OffLatticePlan(request, Model).memoryBytes(); }
    static std::string memoryRefusal(const GrowRequest& request)
    {
        // What an ensemble counts for one run: the cluster with the worker it runs on.
        return OffLatticePlan(request, Model).memoryRefusal(memoryOfOneRun(request));
    }

    /// A BMP file's size is known before the run (at least that of the picture planned); for a
    /// PNG file and the particle list only the place is checked.
    void checkWritable() const override
    {
        // A picture sized to the cluster can only come out larger than planned, never smaller.
        checkFilesWritable(request_);
    }

    /// Both files are written after the growth, each through SafeSave; a file that cannot be
    /// written leaves its old file as it was, the other is still written, and the result
    /// (NotWritten) has one message for each file that failed, naming it, and its figures when
    /// the picture was written.
    RunResult run(ProgressBar* bar, const std::atomic<bool>* cancelled) override
    {
        RunResult result = RunResult::of(request_);

        OffLatticeGrowHost host([this] { return growth_->radius(); }, plan_, bar, cancelled);
        typename Growth::Limits limits;
        limits.particles = plan_.particles();
        limits.radius = plan_.edgeRadius();
        const auto started = std::chrono::steady_clock::now();
        const typename Growth::Outcome outcome = growth_->run(limits, host);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        host.finish();
        if (outcome == Growth::Outcome::Stopped)
            return result;

        result.grown = true;
        result.size = plan_.pictureSize(growth_->radius());
        writeFiles(result);
        result.end = result.errors.empty() ? RunResult::End::Written : RunResult::End::NotWritten;
        if (!result.summarised())
            return result;

        using Figure = SummaryKeys::Figure;
        result.setFigure(Figure::Particles, static_cast<double>(growth_->arrivals()));
        result.setFigure(Figure::Jumps, static_cast<double>(growth_->jumps()));
        result.setFigure(Figure::Seconds, seconds.count());
        result.setFigure(Figure::GyrationRadius, growth_->gyrationRadius());
        result.setFigure(Figure::Dimension, growth_->growthDimension());
        return result;
    }

private:
    /// Writes the picture and the particle list; each file that cannot be written is told on its
    /// own, naming it, and the other is still written.
    void writeFiles(RunResult& result) const
    {
        if (request_.wantsPicture()) {
            try {
                const Picture picture(growth_->particles(), result.size.width, result.size.height, plan_.scale(),
                                      request_.colour == PictureColour::Age);
                PictureFile::save(picture, request_.output);
                result.pictureWritten = true;
            } catch (const SaveError& error) {
                result.errors.push_back(failureOf(error, request_.output));
            }
        }
        if (!request_.particles.empty()) {
            try {
                ParticleList::save(growth_->particles(), request_.particles);
                result.particlesWritten = true;
                if (!result.errors.empty())
                    result.errors.back() += "; the particle list " + request_.particles + " is written";
            } catch (const SaveError& error) {
                result.errors.push_back(failureOf(error, request_.particles));
            }
        }
    }

    GrowRequest request_;
    OffLatticePlan plan_;
    std::optional<Growth> growth_;
};
