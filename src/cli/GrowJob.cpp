#include "GrowJob.h"

#include "AgePicture.h"
#include "ClusterStatistics.h"
#include "FieldRows.h"
#include "FractalDimension.h"
#include "GrowHost.h"
#include "OwnerTable.h"
#include "ParticleWriter.h"
#include "PictureFile.h"
#include "RunFrame.h"
#include "RunRecorder.h"
#include "SaveError.h"

#include <chrono>
#include <memory>
#include <new>

namespace {

/// The dimension is a nicety of the summary: if its working memory cannot be had, leave it out.
std::optional<double> dimensionOf(const GrowthField& field, GrowMode mode)
{
    try {
        return mode == GrowMode::Plant ? FractalDimension::ofPlant(field) : FractalDimension::estimate(field);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

/// Runs `write`; its failure, if any, goes into `failure` unless an earlier one is there.
template <class Write>
void writeKeepingFirstFailure(std::optional<SaveError>& failure, Write&& write)
{
    try {
        write();
    } catch (const SaveError& error) {
        if (!failure)
            failure = error;
    }
}

} // namespace

GrowJob::GrowJob(const GrowOptions& options) : options_(options), state_(options.seed)
{
    if (options_.mode == GrowMode::Plant)
        state_.resizePlant(options_.size);
    else
        state_.resizeSnowflake(options_.size);
    if (options_.colour == PictureColour::Age)
        order_.emplace(options_.size);
}

const GrowthField& GrowJob::field() const
{
    return options_.mode == GrowMode::Plant ? state_.plantField() : state_.snowField();
}

std::optional<GrowSummary> GrowJob::run(ProgressBar* bar)
{
    std::unique_ptr<ParticleWriter> particles;
    std::unique_ptr<OwnerTable> ownerTable;
    PixelOwners* owners = order_ ? &*order_ : nullptr;
    if (!options_.particles.empty()) {
        particles = std::make_unique<ParticleWriter>(options_.particles);
        if (owners == nullptr) {
            // Without an order map, parents come from a table that grows with the wanderers.
            ownerTable = std::make_unique<OwnerTable>(options_.size);
            owners = ownerTable.get();
        }
    }

    ClusterStatistics statistics;
    RunRecorder recorder(statistics, owners, particles.get());
    GrowHost host(options_.points, markerName(options_.mode), bar);
    if (cancelled_ != nullptr)
        host.stopWhen(*cancelled_, state_.stopRequested);
    RunFrame frame(state_, host);
    const auto started = std::chrono::steady_clock::now();
    const RunStats stats =
        options_.mode == GrowMode::Plant ? frame.runPlantLife(recorder) : frame.runSnowflake(recorder);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    host.finish();
    if (stats.end == RunEnd::Stopped)
        return std::nullopt; // the particle list's temporary file goes with its writer
    ownerTable.reset(); // its memory is better spent on writing

    std::optional<SaveError> failure;
    writeKeepingFirstFailure(failure, [&] {
        if (order_)
            PictureFile::save(AgePicture(field(), *order_), options_.output);
        else
            PictureFile::save(field(), options_.output);
    });
    if (particles)
        writeKeepingFirstFailure(failure, [&] { particles->commit(); });
    if (failure)
        throw *failure;

    GrowSummary summary;
    summary.mode = options_.mode;
    summary.width = options_.size.width;
    summary.height = options_.size.height;
    summary.seed = options_.seed;
    summary.wanderers = stats.wanderers;
    summary.moves = stats.moves;
    summary.marker = options_.mode == GrowMode::Plant ? state_.plantTop : state_.snowRadius;
    summary.seconds = seconds.count();
    summary.pixels = statistics.pixels();
    summary.gyrationRadius = statistics.gyrationRadius();
    summary.dimension = dimensionOf(field(), options_.mode);
    summary.output = options_.output;
    summary.particles = options_.particles;
    return summary;
}
