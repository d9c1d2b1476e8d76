// dla-grow: grows one diffusion-limited aggregation picture without a window and writes it as
// a BMP or PNG file. Exit status 0 when the picture was written, 1 when it could not be, 2 for bad
// input (nothing grown, nothing written).

#include "AggregateCommand.h"
#include "BmpFile.h"
#include "FieldSizeError.h"
#include "GrowJob.h"
#include "GrowOptions.h"
#include "GrowSummary.h"
#include "PictureFile.h"
#include "ProgressBar.h"
#include "SafeSave.h"
#include "SaveError.h"
#include "UsageError.h"

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
