#include "SummaryReader.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <stdexcept>

namespace {

using Json = nlohmann::json;

const Json& member(const Json& summary, const char* key)
{
    const auto found = summary.find(key);
    if (found == summary.end())
        throw std::invalid_argument(std::string("no \"") + key + "\"");
    return *found;
}

double numberAt(const Json& summary, const char* key)
{
    const Json& value = member(summary, key);
    if (!value.is_number())
        throw std::invalid_argument(std::string("\"") + key + "\" is not a number");
    return value.get<double>();
}

/// A count (wanderers, moves, pixels): a whole number from 0 to 2^63, as a run gives it. Anything
/// else is not a run's, and a huge or negative value would turn the aggregate's mean and
/// deviation into overflowed nonsense.
double countAt(const Json& summary, const char* key)
{
    const double value = numberAt(summary, key);
    if (!(value >= 0 && value <= 0x1p63 && value == std::floor(value)))
        throw std::invalid_argument(std::string("\"") + key + "\" is not a whole number from 0 to 2^63");
    return value;
}

/// A figure a run need not have: a number, or null or left out when it has none.
std::optional<double> optionalNumberAt(const Json& summary, const char* key)
{
    const auto found = summary.find(key);
    if (found == summary.end() || found->is_null())
        return std::nullopt;
    if (!found->is_number())
        throw std::invalid_argument(std::string("\"") + key + "\" is neither a number nor null");
    return found->get<double>();
}

/// "snowflake 1000x1000": what the runs of one ensemble must share to be summed up together.
std::string kindOf(const Json& summary)
{
    const Json& mode = member(summary, "mode");
    if (!mode.is_string())
        throw std::invalid_argument("\"mode\" is not a string");
    const Json& width = member(summary, "width");
    const Json& height = member(summary, "height");
    if (!width.is_number_integer() || !height.is_number_integer())
        throw std::invalid_argument("\"width\" and \"height\" are not whole numbers");
    return mode.get<std::string>() + " " + std::to_string(width.get<std::int64_t>()) + "x" +
           std::to_string(height.get<std::int64_t>());
}

bool isAggregate(const Json& object)
{
    return object.contains("runs") && !object.contains("seed");
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
    const std::string kind = kindOf(summary);
    if (!kind_.empty() && kind != kind_)
        throw std::invalid_argument("a " + kind + " run among " + kind_ + " runs");
    numberAt(summary, "seed");
    RunFigures run;
    run.wanderers = countAt(summary, "wanderers");
    run.moves = countAt(summary, "moves");
    run.pixels = countAt(summary, "pixels");
    run.gyrationRadius = optionalNumberAt(summary, "gyration_radius");
    run.dimension = optionalNumberAt(summary, "dimension");
    run.seconds = numberAt(summary, "seconds");
    kind_ = kind;
    aggregate_.add(run);
}
