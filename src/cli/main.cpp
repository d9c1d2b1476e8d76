// dla-grow: grows one diffusion-limited aggregation picture without a window and writes it as
// a BMP or PNG file. Exit status 0 when the picture was written, 1 when it could not be, 2 for bad
// input (nothing grown, nothing written).

#include "AggregateCommand.h"
#include "BmpFile.h"
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

/// The size of the BMP file of a picture of `size`.
std::uint64_t bmpFileBytes(FieldSize size)
{
    return BmpFile::FileHeaderSize + BmpFile::InfoHeaderSize +
           GrowthField::rowBytesFor(size.width) * static_cast<std::uint64_t>(size.height);
}

int grow(const GrowOptions& options)
{
    std::optional<GrowJob> job;
    try {
        job.emplace(options);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
    // A file that could never be written is refused before the run, not after it. A BMP file's
    // size is known; a PNG file's and the particle list's depend on the run, so for them only
    // the place is checked.
    try {
        const bool png = PictureFile::isPngName(options.output);
        SafeSave::checkWritable(options.output, png ? 0 : bmpFileBytes(options.size));
        if (!options.particles.empty())
            SafeSave::checkWritable(options.particles, 0);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }

    ProgressBar bar(std::cerr, ProgressBar::terminalColumns(STDERR_FILENO));
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO) == 1;
    GrowSummary summary;
    try {
        summary = job->run(showProgress ? &bar : nullptr);
    } catch (const SaveError& error) {
        return fail(error.what(), ExitNotWritten);
    }
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
