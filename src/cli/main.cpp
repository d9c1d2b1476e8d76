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
#include "OneLineText.h"
#include "PictureFile.h"
#include "ProgramState.h"
#include "ProgressBar.h"
#include "RunFrame.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "UsageError.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

constexpr int ExitWritten = 0;
constexpr int ExitNotWritten = 1;
constexpr int ExitBadInput = 2;
constexpr int ExitOutputLost = 3;

int fail(const std::string& message, int status)
{
    std::cerr << "dla-grow: " << OneLineText::of(message) << '\n';
    return status;
}

/// A closed standard stream would hand its number to the next file opened, and the summary
/// would land in the picture. A closed standard output gets a stand-in that takes no writes, so
/// the summary still fails as it should; the others get /dev/null.
void holdStandardStreams()
{
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int standIn = open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (standIn >= 0 && standIn != fd) {
            dup2(standIn, fd);
            close(standIn);
        }
    }
}

/// Output that did not reach its reader is a failure: the summary is the data a script runs
/// dla-grow for. The picture, if any, stays written.
int deliverOutput(int status)
{
    if (std::cout.flush())
        return status;
    fail("Cannot write to standard output", ExitOutputLost);
    return status == ExitWritten ? ExitOutputLost : status;
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

int run(int argc, char** argv)
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

} // namespace

int main(int argc, char** argv)
{
    holdStandardStreams();
    // A reader that has gone makes a write fail with EPIPE instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    return deliverOutput(run(argc, argv));
}
