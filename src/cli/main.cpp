// dla-grow: grows one diffusion-limited aggregation picture without a window and writes it as
// a BMP or PNG file. Exit status 0 when the picture was written, 1 when it could not be, 2 for bad
// input (nothing grown, nothing written).

#include "AggregateCommand.h"
#include "AvailableMemory.h"
#include "BmpFile.h"
#include "Ensemble.h"
#include "JobCount.h"
#include "RunFileName.h"
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
#include "TouchCounts.h"
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

/// The bytes the picture's file will take, for refusing before the run a picture that could
/// never be written. A BMP file's size is known; a PNG file's depends on the picture, so only
/// its folder is checked.
std::uint64_t pictureBytes(const GrowthField& field, const std::string& path)
{
    return PictureFile::isPngName(path) ? 0
                                        : BmpFile::FileHeaderSize + BmpFile::InfoHeaderSize + field.pixelBlockSize();
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
    try {
        SafeSave::checkWritable(options.output, pictureBytes(field, options.output));
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

/// One run of an ensemble, on one of its threads: its own state and random source, its own
/// file names, no progress bar of its own.
RunOutcome growForEnsemble(const GrowOptions& options, std::uint32_t seed, const std::atomic<bool>& cancelled)
{
    RunOutcome outcome;
    outcome.seed = seed;
    const std::string output = RunFileName::forSeed(options.output, seed, true);
    ProgramState state(seed);
    try {
        resizeField(state, options);
    } catch (const FieldSizeError& error) {
        // The size passed before the ensemble began; what is missing now is memory, which the
        // runs in progress may give back.
        outcome.end = RunOutcome::End::NotWritten;
        outcome.error = error.what();
        return outcome;
    }
    const GrowthField& field = options.mode == GrowMode::Plant ? state.plantField() : state.snowField();
    try {
        SafeSave::checkWritable(output, pictureBytes(field, output));
    } catch (const SaveError& error) {
        outcome.end = RunOutcome::End::NotWritten;
        outcome.error = error.what();
        return outcome;
    }
    GrowHost host(options.points, markerName(options.mode), nullptr);
    host.stopWhen(cancelled, state.stopRequested);
    RunFrame frame(state, host);
    const auto started = std::chrono::steady_clock::now();
    const RunStats stats = options.mode == GrowMode::Plant ? frame.runPlantLife() : frame.runSnowflake();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
    if (stats.end == RunEnd::Stopped)
        return outcome;

    try {
        PictureFile::save(field, output);
    } catch (const SaveError& error) {
        outcome.end = RunOutcome::End::NotWritten;
        outcome.error = error.what();
        return outcome;
    }
    GrowSummary summary;
    summary.mode = options.mode;
    summary.width = options.size.width;
    summary.height = options.size.height;
    summary.seed = seed;
    summary.wanderers = stats.wanderers;
    summary.moves = stats.moves;
    summary.marker = options.mode == GrowMode::Plant ? state.plantTop : state.snowRadius;
    summary.seconds = seconds.count();
    summary.dimension = dimensionOf(state, options.mode);
    summary.output = output;
    outcome.end = RunOutcome::End::Written;
    outcome.report = options.json ? summary.json() : summary.line();
    outcome.figures = RunFigures{static_cast<double>(summary.wanderers), static_cast<double>(summary.moves), 0,
                                 std::nullopt, summary.dimension, summary.seconds};
    return outcome;
}

/// Memory one run of an ensemble holds at its peak: its picture with the touch counts kept
/// beside it, the other mode's field at its start size, the fractal dimension's box grids (a
/// bit a pixel, then a quarter of that, ...: under a quarter of a byte a pixel) and its
/// thread's stack.
std::uint64_t memoryOfOneRun(const GrowOptions& options)
{
    constexpr std::uint64_t ThreadStack = 8 << 20;
    const auto fieldBytes = [](FieldSize size) {
        return static_cast<std::uint64_t>(GrowthField::rowBytesFor(size.width)) * static_cast<std::uint64_t>(size.height) +
               TouchCounts::bytesFor(size.width, size.height);
    };
    const FieldSize other = options.mode == GrowMode::Plant ? ProgramState::DefaultSnowSize : ProgramState::DefaultPlantSize;
    const std::uint64_t pixels = static_cast<std::uint64_t>(options.size.width) * static_cast<std::uint64_t>(options.size.height);
    return fieldBytes(options.size) + fieldBytes(other) + pixels / 4 + ThreadStack;
}

/// The runs that go at once: as asked, or the processors this process may use; never more
/// than there are runs, and lowered, with one line saying so, to what the memory holds.
int jobsFor(const GrowOptions& options)
{
    const int wanted = std::min<std::int64_t>(options.jobs.value_or(JobCount::processorsAvailable()), *options.runs);
    const int fitting = JobCount::fittingMemory(wanted, memoryOfOneRun(options), AvailableMemory::bytes());
    if (fitting < wanted)
        std::cerr << "dla-grow: " << wanted << " runs at once would not fit in memory; growing " << fitting
                  << " at once\n";
    return fitting;
}

int growEnsemble(const GrowOptions& options)
{
    try {
        GrowthField::checkSize(options.size.width, options.size.height);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
    Ensemble::Settings settings;
    settings.runs = *options.runs;
    settings.jobs = jobsFor(options);
    settings.firstSeed = options.seed;
    settings.json = options.json;
    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO) == 1;
    Ensemble ensemble(settings, std::cout, std::cerr, showProgress ? &bar : nullptr);
    return ensemble.run([&options](std::uint32_t seed, const std::atomic<bool>& cancelled) {
        return growForEnsemble(options, seed, cancelled);
    });
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
        return options->runs ? growEnsemble(*options) : grow(*options);
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
