#include "EnsembleAggregate.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

using Sum = SummaryKeys::Sum;

std::string number(std::optional<double> value, int decimals)
{
    if (!value)
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

/// "wanderers 62063.0 (sd 1520.3)", with the number of runs when only some runs have a value.
std::string figureLine(const SummaryKeys::FigureKey& key, const RunningStatistics& values)
{
    std::string text = std::string(key.key) + " " + number(values.mean(), key.aggregateDecimals) + " (sd " +
                       number(values.standardDeviation(), key.aggregateDecimals);
    if (key.sum == Sum::SomeRuns)
        text += ", " + std::to_string(values.count()) + (values.count() == 1 ? " run" : " runs");
    return text + ")";
}

nlohmann::ordered_json figureJson(const SummaryKeys::FigureKey& key, const RunningStatistics& values)
{
    nlohmann::ordered_json object;
    if (key.sum == Sum::SomeRuns)
        object[SummaryKeys::Runs] = values.count();
    const auto mean = values.mean();
    const auto deviation = values.standardDeviation();
    object[SummaryKeys::Mean] = mean ? nlohmann::ordered_json(*mean) : nlohmann::ordered_json(nullptr);
    object[SummaryKeys::StandardDeviation] = deviation ? nlohmann::ordered_json(*deviation) : nlohmann::ordered_json(nullptr);
    return object;
}

bool spread(Sum sum)
{
    return sum == Sum::Spread || sum == Sum::SomeRuns;
}

} // namespace

void EnsembleAggregate::add(const RunResult& run)
{
    ++runs_;
    for (const SummaryKeys::Figure figure : mode_->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        const auto value = run.figure(figure);
        if (!value)
            continue;
        if (spread(key.sum))
            statistics_[index(figure)].add(*value);
        else if (key.sum == Sum::Total)
            totals_[index(figure)] += *value;
    }
}

std::string EnsembleAggregate::line() const
{
    std::string line = std::to_string(runs_) + (runs_ == 1 ? " run: " : " runs: ");
    std::string separator;
    for (const SummaryKeys::Figure figure : mode_->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        if (spread(key.sum)) {
            line += separator + figureLine(key, statistics(figure));
            separator = ", ";
        }
    }
    // Totals close the line: "4.31 s in all".
    for (const SummaryKeys::Figure figure : mode_->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        if (key.sum == Sum::Total) {
            line += separator + number(total(figure), key.aggregateDecimals) + std::string(key.lineAfter) + " in all";
            separator = ", ";
        }
    }
    return line;
}

std::string EnsembleAggregate::json() const
{
    nlohmann::ordered_json object;
    object[SummaryKeys::Runs] = runs_;
    for (const SummaryKeys::Figure figure : mode_->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        if (spread(key.sum))
            object[key.key] = figureJson(key, statistics(figure));
    }
    for (const SummaryKeys::Figure figure : mode_->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        if (key.sum == Sum::Total)
            object[key.key] = total(figure);
    }
    return object.dump();
}
