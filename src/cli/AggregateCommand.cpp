#include "AggregateCommand.h"

#include "ExitStatus.h"
#include "OneLineText.h"
#include "SummaryReader.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace {

constexpr const char* StandardInputName = "-";

int refuse(std::ostream& errors, const std::string& message)
{
    errors << "dla-grow: " << OneLineText::of(message) << '\n';
    return ExitStatus::BadInput;
}

/// The seeds of `range` that are not among `summed` (sorted, all within the range), as
/// "3-4, 6, 8"; past the first MaximumTold stretches, "...".
std::string missingSeeds(const SeedRange& range, const std::vector<std::uint32_t>& summed)
{
    constexpr int MaximumTold = 20;
    std::string text;
    int told = 0;
    const auto tell = [&](std::uint64_t first, std::uint64_t last) {
        if (first > last)
            return;
        if (told++ == MaximumTold) {
            text += ", ...";
            return;
        }
        if (told > MaximumTold)
            return;
        if (!text.empty())
            text += ", ";
        text += std::to_string(first);
        if (first != last) {
            text += '-';
            text += std::to_string(last);
        }
    };
    std::uint64_t next = range.first;
    for (const std::uint32_t seed : summed) {
        tell(next, std::uint64_t{seed} - 1);
        next = std::uint64_t{seed} + 1;
    }
    tell(next, range.last);
    return text;
}

} // namespace

int aggregateSummaries(const std::vector<std::string>& files, std::optional<SeedRange> seeds, bool json,
                       std::istream* standardInput, std::ostream& out, std::ostream& errors)
{
    SummaryReader reader(seeds);
    for (const std::string& file : files) {
        try {
            if (file == StandardInputName) {
                if (standardInput == nullptr)
                    return refuse(errors, "Cannot read -: standard input is closed");
                reader.read(*standardInput, file);
                continue;
            }
            std::error_code notFolder;
            if (std::filesystem::is_directory(file, notFolder))
                return refuse(errors, "Cannot read " + file + ": " + std::generic_category().message(EISDIR));
            std::ifstream in(file);
            if (!in)
                return refuse(errors, "Cannot read " + file + ": " + std::generic_category().message(errno));
            reader.read(in, file);
        } catch (const std::runtime_error& error) {
            return refuse(errors, error.what());
        }
    }
    if (reader.problemCount() > 0) {
        for (const std::string& problem : reader.problems())
            errors << "dla-grow: " << OneLineText::of(problem) << '\n';
        const auto untold = reader.problemCount() - static_cast<std::int64_t>(reader.problems().size());
        if (untold > 0)
            errors << "dla-grow: " << untold << " more lines that are not run summaries\n";
        return ExitStatus::BadInput;
    }
    if (seeds) {
        const auto missing = seeds->size() - static_cast<std::uint64_t>(reader.runs());
        if (missing > 0)
            return refuse(errors, std::to_string(missing) + " of the seeds " + seeds->text() + " not summed: " +
                                      missingSeeds(*seeds, reader.runs() > 0 ? reader.aggregate().seeds()
                                                                             : std::vector<std::uint32_t>{}));
    }
    if (reader.runs() == 0)
        return refuse(errors, "no run summaries to sum up");
    out << (json ? reader.aggregate().json() : reader.aggregate().line()) << '\n';
    return ExitStatus::Written;
}
