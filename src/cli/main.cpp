// dla-grow: grows one diffusion-limited aggregation picture without a window and writes it as
// a BMP or PNG file. Exit status 0 when the picture was written, 1 when it could not be, 2 for bad
// input (nothing grown, nothing written).

#include "AggregateCommand.h"
#include "FieldSizeError.h"
#include "GrowJob.h"
#include "GrowOptions.h"
#include "GrowSummary.h"
#include "ProgressBar.h"
#include "SaveError.h"
#include "UsageError.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
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

/// Whether the file can plausibly be made: its folder exists and the name is not a folder.
/// Checked before the run, so a long run is not spent on a picture that cannot be saved; the
/// writer still has the last word.
bool outputCanBeCreated(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, error) || access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    return !fs::is_directory(target, error);
}

int grow(const GrowOptions& options)
{
    std::optional<GrowJob> job;
    try {
        job.emplace(options);
    } catch (const FieldSizeError& error) {
        return fail(error.what(), ExitBadInput);
    }
    if (!outputCanBeCreated(options.output))
        return fail("Cannot create file " + options.output, ExitNotWritten);
    if (!options.particles.empty() && !outputCanBeCreated(options.particles))
        return fail("Cannot create file " + options.particles, ExitNotWritten);

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
