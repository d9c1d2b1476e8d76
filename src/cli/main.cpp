// dla-grow: grows diffusion-limited aggregation pictures without a window (one, or an ensemble
// of seeds on several threads) and writes them as BMP or PNG files, with particle lists and
// summaries; or sums up summaries with --aggregate. Exit status 0 when everything was written,
// 1 when a picture could not be, 2 for bad input (nothing grown, nothing written), 3 when
// standard output could not take the summaries.

#include "AggregateCommand.h"
#include "AvailableMemory.h"
#include "BmpFile.h"
#include "Ensemble.h"
#include "JobCount.h"
#include "RunFileName.h"
#include "FieldSizeError.h"
#include "GrowJob.h"
#include "GrowOptions.h"
#include "GrowSummary.h"
#include "OneLineText.h"
#include "PictureFile.h"
#include "ProgressBar.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "UsageError.h"

#include <cerrno>
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

/// Refuses before the run a file that could never be written, instead of after it: throws
/// SaveError. A BMP file's size is known; a PNG file's and the particle list's depend on the
/// run, so for them only the place is checked.
void checkWritable(const GrowOptions& options)
{
    const bool png = PictureFile::isPngName(options.output);
    SafeSave::checkWritable(options.output, png ? 0 : BmpFile::fileSize(options.size.width, options.size.height));
    if (!options.particles.empty())
        SafeSave::checkWritable(options.particles, 0);
}

/// A progress bar is drawn on a terminal only, and never with --quiet.
bool progressWanted(const GrowOptions& options)
{
    return !options.quiet && isatty(STDERR_FILENO) == 1;
}

int grow(const GrowOptions& options)
{
    std::optional<GrowJob> job;
    try {
        job.emplace(options);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
    try {
        checkWritable(options);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }

    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const bool showProgress = progressWanted(options);
    GrowSummary summary;
    try {
        summary = *job->run(showProgress ? &bar : nullptr);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }
    std::cout << (options.json ? summary.json() : summary.line()) << '\n';
    return ExitWritten;
}

/// The options of the ensemble's run with `seed`: that seed, and file names that carry it
/// (every name, when there is more than one run, so the runs cannot write over each other).
GrowOptions optionsForSeed(const GrowOptions& options, std::uint32_t seed)
{
    GrowOptions run = options;
    run.seed = seed;
    const bool markEveryName = options.runs.value_or(1) > 1;
    run.output = RunFileName::forSeed(options.output, seed, markEveryName);
    if (!options.particles.empty())
        run.particles = RunFileName::forSeed(options.particles, seed, markEveryName);
    return run;
}

/// One run of an ensemble, on one of its threads: its own state and random source, its own
/// file names, no progress bar of its own. Whatever keeps it from being written (no memory
/// left for its picture, a file that cannot be made) is told for this run alone.
RunOutcome growForEnsemble(const GrowOptions& options, std::uint32_t seed, const std::atomic<bool>& cancelled)
{
    RunOutcome outcome;
    outcome.seed = seed;
    try {
        const GrowOptions run = optionsForSeed(options, seed);
        run.checkFilesDiffer(); // a seed put into the names can make them meet
        GrowJob job(run);
        checkWritable(run);
        job.stopWhen(cancelled);
        const std::optional<GrowSummary> summary = job.run();
        if (!summary)
            return outcome;
        outcome.end = RunOutcome::End::Written;
        outcome.report = options.json ? summary->json() : summary->line();
        outcome.figures = RunFigures{static_cast<double>(summary->wanderers), static_cast<double>(summary->moves),
                                     static_cast<double>(summary->pixels), summary->gyrationRadius,
                                     summary->dimension, summary->seconds};
    } catch (const std::exception& error) {
        outcome.end = RunOutcome::End::NotWritten;
        outcome.error = error.what();
    }
    return outcome;
}

/// Memory one run of an ensemble holds at its peak: its picture with the touch counts kept
/// beside it, the other mode's field at its start size, the order map of a picture coloured by
/// age (4 bytes a pixel) or else the owner table of a particle list (up to 64 bytes a wanderer,
/// counted as the order map: a cluster grown to its limit has fewer wanderers than a sixteenth
/// of its picture's pixels), the fractal dimension's
/// box grids (a bit a pixel, then a quarter of that, ...: under a quarter of a byte a pixel) and
/// its thread's stack.
std::uint64_t memoryOfOneRun(const GrowOptions& options)
{
    constexpr std::uint64_t ThreadStack = 8 << 20;
    const auto fieldBytes = [](FieldSize size) { return GrowthField::bytesFor(size.width, size.height); };
    const FieldSize other = options.mode == GrowMode::Plant ? ProgramState::DefaultSnowSize : ProgramState::DefaultPlantSize;
    const std::uint64_t pixels = static_cast<std::uint64_t>(options.size.width) * static_cast<std::uint64_t>(options.size.height);
    const bool ownersKept = options.colour == PictureColour::Age || !options.particles.empty();
    return fieldBytes(options.size) + fieldBytes(other) + (ownersKept ? 4 * pixels : 0) + pixels / 4 + ThreadStack;
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
        // Names that meet once their seed is put in (-o a.bmp --particles 'a-{seed}.bmp') meet
        // for every run: told once, before any run. Each run checks its own names too.
        optionsForSeed(options, options.seed).checkFilesDiffer();
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    } catch (const UsageError& error) {
        return fail(error.what(), ExitBadInput);
    }
    Ensemble::Settings settings;
    settings.runs = *options.runs;
    settings.jobs = jobsFor(options);
    settings.firstSeed = options.seed;
    settings.json = options.json;
    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const bool showProgress = progressWanted(options);
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
