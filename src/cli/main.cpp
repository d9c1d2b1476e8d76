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
#include "FractalDimension.h"
#include "GrowJob.h"
#include "GrowOptions.h"
#include "GrowSummary.h"
#include "OneLineText.h"
#include "OrderMap.h"
#include "OwnerTable.h"
#include "ParticleWriter.h"
#include "PictureFile.h"
#include "ProgressBar.h"
#include "RunFrame.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "UsageError.h"

#include <algorithm>
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

/// The most wanderers a run can stick inside its picture: one a pixel, and no more than it
/// releases (N + 1, or the To-Limit bound).
std::uint64_t mostStuck(const GrowOptions& options)
{
    const std::uint64_t pixels = static_cast<std::uint64_t>(options.size.width) * static_cast<std::uint64_t>(options.size.height);
    const std::int64_t released = options.points ? std::max<std::int64_t>(std::int64_t{*options.points} + 1, 0)
                                                 : std::int64_t{RunFrame::ToLimitWanderers} + 1;
    return std::min(pixels, static_cast<std::uint64_t>(released));
}

/// Memory one run of an ensemble takes at its peak, with the worker thread it runs on: the
/// start state's two fields and its picture at the size asked for (with their touch counts);
/// the order map of a picture coloured by age, or else the owner table of a particle list (and
/// the list's buffer); the fractal dimension's box grids over the cluster's largest possible
/// bounding box; what saving the picture takes; the worker's stack.
std::uint64_t memoryOfOneRun(const GrowOptions& options)
{
    const auto fieldBytes = [](FieldSize size) { return GrowthField::bytesFor(size.width, size.height); };
    const FieldSize size = options.size;
    const std::uint64_t stuck = mostStuck(options);
    std::uint64_t bytes = fieldBytes(ProgramState::DefaultPlantSize) + fieldBytes(ProgramState::DefaultSnowSize) +
                          fieldBytes(size);
    if (options.colour == PictureColour::Age)
        bytes += OrderMap::bytesFor(size);
    else if (!options.particles.empty())
        bytes += OwnerTable::peakBytesFor(size, stuck);
    if (!options.particles.empty())
        bytes += ParticleWriter::BufferBytes;
    // The cluster's pixels span at most one more than the wanderers stuck, each way.
    bytes += FractalDimension::peakBytesFor(std::min<std::uint64_t>(size.width, stuck + 1),
                                            std::min<std::uint64_t>(size.height, stuck + 1));
    bytes += PictureFile::workingBytesFor(size.width);
    return bytes + JobCount::workerBytes();
}

/// The runs that go at once: as asked, or the processors this process may use; never more
/// than there are runs, and lowered, with one line saying so, to what the memory holds.
/// Throws FieldSizeError when not even one run fits.
int jobsFor(const GrowOptions& options)
{
    const int wanted = std::min<std::int64_t>(options.jobs.value_or(JobCount::processorsAvailable()), *options.runs);
    const std::uint64_t available = AvailableMemory::bytes();
    const std::uint64_t oneRun = memoryOfOneRun(options);
    if (oneRun > available)
        throw FieldSizeError("Not enough memory for a picture of " + std::to_string(options.size.width) + " x " +
                             std::to_string(options.size.height) + " pixels");
    const int fitting = JobCount::fittingMemory(wanted, oneRun, available);
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
    JobCount::setUpWorkers();
    try {
        settings.jobs = jobsFor(options);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
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
