#include "AggregateCommand.h"

#include "ExitStatus.h"
#include "OneLineText.h"
#include "SummaryReader.h"

#include <cerrno>
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

} // namespace

int aggregateSummaries(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& errors)
{
    SummaryReader reader;
    for (const std::string& file : files) {
        try {
            if (file == StandardInputName) {
                reader.read(std::cin, file);
                continue;
            }
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
    if (reader.runs() == 0)
        return refuse(errors, "no run summaries to sum up");
    out << (json ? reader.aggregate().json() : reader.aggregate().line()) << '\n';
    return ExitStatus::Written;
}
