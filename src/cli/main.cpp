// dla-grow: grows one diffusion-limited aggregation picture without a window and writes it as
// a BMP or PNG file. Exit status 0 when the picture was written, 1 when it could not be, 2 for bad
// input (nothing grown, nothing written).

#include "AggregateCommand.h"
#include "BmpFile.h"
#include "FieldSizeError.h"
#include "FractalDimension.h"
#include "GrowHost.h"
#include "GrowOptions.h"
#include "GrowSummary.h"
#include "PictureFile.h"
#include "ProgramState.h"
#include "ProgressBar.h"
#include "RunFrame.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "UsageError.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

constexpr int ExitWritten = 0;
constexpr int ExitNotWritten = 1;
constexpr int ExitBadInput = 2;

int fail(const std::string& message, int status)
{
    std::cerr << "dla-grow: " << message << '\n';
    return status;
}

void resizeField(ProgramState& state, const GrowOptions& options)
{
    if (options.mode == GrowMode::Plant)
        state.resizePlant(options.size);
    else
        state.resizeSnowflake(options.size);
}

/// The dimension is a nicety of the summary: if its working memory cannot be had, leave it out.
std::optional<double> dimensionOf(const ProgramState& state, GrowMode mode)
{
    try {
        return mode == GrowMode::Plant ? FractalDimension::ofPlant(state.plantField())
                                       : FractalDimension::estimate(state.snowField());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

int grow(const GrowOptions& options)
{
    ProgramState state(options.seed);
    try {
        resizeField(state, options);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
    const GrowthField& field = options.mode == GrowMode::Plant ? state.plantField() : state.snowField();
    // A picture that could never be written is refused before the run, not after it. A BMP
    // file's size is known; a PNG file's depends on the picture, so only its folder is checked.
    const std::uint64_t pictureBytes =
        PictureFile::isPngName(options.output)
            ? 0
            : BmpFile::FileHeaderSize + BmpFile::InfoHeaderSize + field.pixelBlockSize();
    try {
        SafeSave::checkWritable(options.output, pictureBytes);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }

    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO) == 1;
    GrowHost host(options.points, markerName(options.mode), showProgress ? &bar : nullptr);
    RunFrame frame(state, host);
    const auto started = std::chrono::steady_clock::now();
    const RunStats stats = options.mode == GrowMode::Plant ? frame.runPlantLife() : frame.runSnowflake();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    host.finish();

    try {
        PictureFile::save(field, options.output);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }

    GrowSummary summary;
    summary.mode = options.mode;
    summary.width = options.size.width;
    summary.height = options.size.height;
    summary.seed = options.seed;
    summary.wanderers = stats.wanderers;
    summary.moves = stats.moves;
    summary.marker = options.mode == GrowMode::Plant ? state.plantTop : state.snowRadius;
    summary.seconds = seconds.count();
    summary.dimension = options.json ? std::nullopt : dimensionOf(state, options.mode);
    summary.output = options.output;
    std::cout << (options.json ? summary.json() : summary.line()) << '\n';
    return ExitWritten;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<GrowOptions> options;
    try {
        options = GrowOptions::parse(argc, argv, std::cout);
    } catch (const UsageError& error) {
        return fail(error.what(), ExitBadInput);
    }
    if (!options)
        return ExitWritten;
    if (!options->aggregate.empty())
        return aggregateSummaries(options->aggregate, options->json, std::cout, std::cerr);
    try {
        return grow(*options);
    } catch (const std::exception& error) {
        return fail(error.what(), ExitNotWritten);
    }
}
