#include "EnsembleAggregate.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

std::string number(std::optional<double> value, int decimals)
{
    if (!value)
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

/// "wanderers 62063.0 (sd 1520.3)", with the number of runs when only some runs have a value.
std::string figure(const char* name, const RunningStatistics& values, int decimals, bool countRuns)
{
    std::string text = std::string(name) + " " + number(values.mean(), decimals) + " (sd " +
                       number(values.standardDeviation(), decimals);
    if (countRuns)
        text += ", " + std::to_string(values.count()) + (values.count() == 1 ? " run" : " runs");
    return text + ")";
}

nlohmann::ordered_json figureJson(const RunningStatistics& values, bool countRuns)
{
    nlohmann::ordered_json object;
    if (countRuns)
        object["runs"] = values.count();
    const auto mean = values.mean();
    const auto deviation = values.standardDeviation();
    object["mean"] = mean ? nlohmann::ordered_json(*mean) : nlohmann::ordered_json(nullptr);
    object["sd"] = deviation ? nlohmann::ordered_json(*deviation) : nlohmann::ordered_json(nullptr);
    return object;
}

} // namespace

void EnsembleAggregate::add(const RunFigures& run)
{
    wanderers_.add(run.wanderers);
    moves_.add(run.moves);
    pixels_.add(run.pixels);
    if (run.gyrationRadius)
        gyrationRadius_.add(*run.gyrationRadius);
    if (run.dimension)
        dimension_.add(*run.dimension);
    seconds_ += run.seconds;
}

std::string EnsembleAggregate::line() const
{
    char seconds[64];
    std::snprintf(seconds, sizeof seconds, "%.2f s in all", seconds_);
    return std::to_string(runs()) + (runs() == 1 ? " run: " : " runs: ") + figure("wanderers", wanderers_, 1, false) +
           ", " + figure("moves", moves_, 1, false) + ", " + figure("pixels", pixels_, 1, false) + ", " +
           figure("gyration_radius", gyrationRadius_, 2, true) + ", " + figure("dimension", dimension_, 3, true) +
           ", " + seconds;
}

std::string EnsembleAggregate::json() const
{
    nlohmann::ordered_json object;
    object["runs"] = runs();
    object["wanderers"] = figureJson(wanderers_, false);
    object["moves"] = figureJson(moves_, false);
    object["pixels"] = figureJson(pixels_, false);
    object["gyration_radius"] = figureJson(gyrationRadius_, true);
    object["dimension"] = figureJson(dimension_, true);
    object["seconds"] = seconds_;
    return object.dump();
}
