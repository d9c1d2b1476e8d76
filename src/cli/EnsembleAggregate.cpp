#include "EnsembleAggregate.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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
    Run kept{run.seed, {}};
    for (std::size_t i = 0; i < SummaryKeys::FigureCount; ++i)
        kept.figures[i] = run.figures[i].value_or(std::numeric_limits<double>::quiet_NaN());
    runs_.push_back(kept);
    sums_.reset();
}

std::vector<std::uint32_t> EnsembleAggregate::seeds() const
{
    sums();
    std::vector<std::uint32_t> seeds;
    seeds.reserve(runs_.size());
    for (const Run& run : runs_)
        seeds.push_back(run.seed);
    return seeds;
}

const EnsembleAggregate::Sums& EnsembleAggregate::sums() const
{
    if (sums_)
        return *sums_;
    std::stable_sort(runs_.begin(), runs_.end(), [](const Run& a, const Run& b) { return a.seed < b.seed; });
    Sums sums;
    for (const Run& run : runs_) {
        for (const SummaryKeys::Figure figure : mode_->figures) {
            const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
            const double value = run.figures[index(figure)];
            if (std::isnan(value))
                continue;
            if (spread(key.sum))
                sums.statistics[index(figure)].add(value);
            else if (key.sum == Sum::Total)
                sums.totals[index(figure)] += value;
        }
    }
    sums_ = sums;
    return *sums_;
}

std::string EnsembleAggregate::line() const
{
    std::string line = std::to_string(runs()) + (runs() == 1 ? " run: " : " runs: ");
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
    object[SummaryKeys::Runs] = runs();
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
