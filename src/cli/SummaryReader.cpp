#include "SummaryReader.h"

#include "ModeTable.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <stdexcept>

namespace {

using Json = nlohmann::json;
using Kind = SummaryKeys::Kind;

std::string quoted(std::string_view key)
{
    return "\"" + std::string(key) + "\"";
}

const Json& member(const Json& summary, std::string_view key)
{
    const auto found = summary.find(key);
    if (found == summary.end())
        throw std::invalid_argument("no " + quoted(key));
    return *found;
}

double numberAt(const Json& summary, std::string_view key)
{
    const Json& value = member(summary, key);
    if (!value.is_number())
        throw std::invalid_argument(quoted(key) + " is not a number");
    return value.get<double>();
}

/// A count (wanderers, moves, pixels): a whole number from 0 to 2^63, as a run gives it. Anything
/// else is not a run's, and a huge or negative value would turn the aggregate's mean and
/// deviation into overflowed nonsense.
double countAt(const Json& summary, std::string_view key)
{
    const double value = numberAt(summary, key);
    if (!(value >= 0 && value <= 0x1p63 && value == std::floor(value)))
        throw std::invalid_argument(quoted(key) + " is not a whole number from 0 to 2^63");
    return value;
}

double markerAt(const Json& summary, std::string_view key)
{
    if (!member(summary, key).is_number_integer())
        throw std::invalid_argument(quoted(key) + " is not a whole number");
    return numberAt(summary, key);
}

/// A figure a run need not have: a number, or null or left out when it has none.
std::optional<double> optionalNumberAt(const Json& summary, std::string_view key)
{
    const auto found = summary.find(key);
    if (found == summary.end() || found->is_null())
        return std::nullopt;
    if (!found->is_number())
        throw std::invalid_argument(quoted(key) + " is neither a number nor null");
    return found->get<double>();
}

std::optional<double> figureAt(const Json& summary, const SummaryKeys::FigureKey& key)
{
    if (key.optional)
        return optionalNumberAt(summary, key.key);
    switch (key.kind) {
    case Kind::Count:
        return countAt(summary, key.key);
    case Kind::Marker:
        return markerAt(summary, key.key);
    case Kind::Real:
        break;
    }
    return numberAt(summary, key.key);
}

const GrowthMode& modeOf(const Json& summary)
{
    const Json& mode = member(summary, SummaryKeys::Mode);
    if (!mode.is_string())
        throw std::invalid_argument(quoted(SummaryKeys::Mode) + " is not a string");
    const GrowthMode* found = ModeTable::find(mode.get<std::string>());
    if (found == nullptr)
        throw std::invalid_argument(quoted(SummaryKeys::Mode) + " is not " + ModeTable::names());
    return *found;
}

FieldSize sizeOf(const Json& summary)
{
    const Json& width = member(summary, SummaryKeys::Width);
    const Json& height = member(summary, SummaryKeys::Height);
    const auto side = [](const Json& value) {
        return value.is_number_integer() && value.get<std::int64_t>() >= FieldSize::MinimumSide &&
               value.get<std::int64_t>() <= FieldSize::MaximumSide;
    };
    if (!side(width) || !side(height))
        throw std::invalid_argument(quoted(SummaryKeys::Width) + " and " + quoted(SummaryKeys::Height) +
                                    " are not whole numbers from " + std::to_string(FieldSize::MinimumSide) + " to " +
                                    std::to_string(FieldSize::MaximumSide));
    return FieldSize{static_cast<std::int32_t>(width.get<std::int64_t>()),
                     static_cast<std::int32_t>(height.get<std::int64_t>())};
}

bool isAggregate(const Json& object)
{
    return object.contains(SummaryKeys::Runs) && !object.contains(SummaryKeys::Seed);
}

} // namespace

void SummaryReader::read(std::istream& in, const std::string& name)
{
    std::string line;
    for (std::int64_t number = 1; std::getline(in, line); ++number) {
        try {
            readLine(line);
        } catch (const std::invalid_argument& reason) {
            if (problems_.size() < KeptProblems)
                problems_.push_back(name + ":" + std::to_string(number) + ": " + reason.what());
            ++problemCount_;
        }
    }
    if (in.bad())
        throw std::runtime_error("Cannot read " + name);
}

void SummaryReader::readLine(const std::string& line)
{
    if (line.find_first_not_of(" \t\r") == std::string::npos)
        return;
    const Json summary = Json::parse(line, nullptr, false);
    if (summary.is_discarded())
        throw std::invalid_argument("not JSON");
    if (!summary.is_object())
        throw std::invalid_argument("not a JSON object");
    if (isAggregate(summary))
        return;
    RunResult run;
    run.mode = &modeOf(summary);
    run.size = sizeOf(summary);
    const std::string kind = run.kind();
    if (!kind_.empty() && kind != kind_)
        throw std::invalid_argument("a " + kind + " run among " + kind_ + " runs");
    numberAt(summary, SummaryKeys::Seed);
    for (const SummaryKeys::Figure figure : run.mode->figures)
        run.setFigure(figure, figureAt(summary, SummaryKeys::of(figure)));
    kind_ = kind;
    if (!aggregate_)
        aggregate_.emplace(*run.mode);
    aggregate_->add(run);
}
