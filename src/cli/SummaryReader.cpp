#include "SummaryReader.h"

#include "BoundedLine.h"
#include "ModeTable.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <system_error>
#include <set>
#include <stdexcept>

namespace {

using Json = nlohmann::json;
using Kind = SummaryKeys::Kind;

std::string inQuotes(std::string_view key)
{
    return "\"" + std::string(key) + "\"";
}

const Json& member(const Json& summary, std::string_view key)
{
    const auto found = summary.find(key);
    if (found == summary.end())
        throw std::invalid_argument("no " + inQuotes(key));
    return *found;
}

double numberAt(const Json& summary, std::string_view key)
{
    const Json& value = member(summary, key);
    if (!value.is_number())
        throw std::invalid_argument(inQuotes(key) + " is not a number");
    return value.get<double>();
}

/// A count (wanderers, moves, pixels): a whole number from 0 to 2^63, as a run gives it. Anything
/// else is not a run's, and a huge or negative value would turn the aggregate's mean and
/// deviation into overflowed nonsense.
double countAt(const Json& summary, std::string_view key)
{
    const double value = numberAt(summary, key);
    if (!(value >= 0 && value <= 0x1p63 && value == std::floor(value)))
        throw std::invalid_argument(inQuotes(key) + " is not a whole number from 0 to 2^63");
    return value;
}

double markerAt(const Json& summary, std::string_view key)
{
    if (!member(summary, key).is_number_integer())
        throw std::invalid_argument(inQuotes(key) + " is not a whole number");
    return numberAt(summary, key);
}

/// A figure a run need not have: a number, or null when it has none; the key is there either way.
std::optional<double> optionalNumberAt(const Json& summary, std::string_view key)
{
    const Json& value = member(summary, key);
    if (value.is_null())
        return std::nullopt;
    if (!value.is_number())
        throw std::invalid_argument(inQuotes(key) + " is neither a number nor null");
    return value.get<double>();
}

std::optional<double> figureAt(const Json& summary, const SummaryKeys::FigureKey& key)
{
    std::optional<double> value;
    if (key.optional)
        value = optionalNumberAt(summary, key.key);
    else if (key.kind == Kind::Count)
        value = countAt(summary, key.key);
    else if (key.kind == Kind::Marker)
        value = markerAt(summary, key.key);
    else
        value = numberAt(summary, key.key);
    if (value && key.nonNegative && !(*value >= 0))
        throw std::invalid_argument(inQuotes(key.key) + " is not a number of 0 or more");
    return value;
}

/// Refuses figures that no run can have together (more pixels than wanderers).
void checkBounds(const RunResult& run)
{
    for (const SummaryKeys::Figure figure : run.mode->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        if (key.atMost == SummaryKeys::Figure::Count)
            continue;
        const auto value = run.figure(figure);
        const auto bound = run.figure(key.atMost);
        if (value && bound && *value > *bound)
            throw std::invalid_argument("more " + inQuotes(key.key) + " than " + inQuotes(SummaryKeys::of(key.atMost).key));
    }
}

/// The line as JSON, refusing a key given twice at its top level (the parser would keep the
/// last one silently). Discarded when it is not JSON.
Json parseOnce(const std::string& line)
{
    std::set<std::string> keys;
    std::string twice;
    const Json::parser_callback_t noteKeys = [&keys, &twice](int depth, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::key && depth == 1 && !keys.insert(parsed.get<std::string>()).second &&
            twice.empty())
            twice = parsed.get<std::string>();
        return true;
    };
    Json summary = Json::parse(line, noteKeys, false);
    if (!summary.is_discarded() && !twice.empty())
        throw std::invalid_argument(inQuotes(twice) + " twice");
    return summary;
}

const GrowthMode& modeOf(const Json& summary)
{
    const Json& mode = member(summary, SummaryKeys::Mode);
    if (!mode.is_string())
        throw std::invalid_argument(inQuotes(SummaryKeys::Mode) + " is not a string");
    const GrowthMode* found = ModeTable::find(mode.get<std::string>());
    if (found == nullptr)
        throw std::invalid_argument(inQuotes(SummaryKeys::Mode) + " is not " + ModeTable::names());
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
        throw std::invalid_argument(inQuotes(SummaryKeys::Width) + " and " + inQuotes(SummaryKeys::Height) +
                                    " are not whole numbers from " + std::to_string(FieldSize::MinimumSide) + " to " +
                                    std::to_string(FieldSize::MaximumSide));
    return FieldSize{static_cast<std::int32_t>(width.get<std::int64_t>()),
                     static_cast<std::int32_t>(height.get<std::int64_t>())};
}

std::uint32_t seedOf(const Json& summary)
{
    const Json& seed = member(summary, SummaryKeys::Seed);
    if (!seed.is_number_unsigned() || seed.get<std::uint64_t>() > 0xFFFFFFFFu)
        throw std::invalid_argument(inQuotes(SummaryKeys::Seed) + " is not a whole number from 0 to 4294967295");
    return static_cast<std::uint32_t>(seed.get<std::uint64_t>());
}

/// "a plant 150x300", "an offlattice 1000x1000": the kind of run with its article.
std::string withArticle(const std::string& kind)
{
    const bool vowel = !kind.empty() && std::string_view("aeiou").find(kind.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + kind;
}

bool isAggregate(const Json& object)
{
    return object.contains(SummaryKeys::Runs) && !object.contains(SummaryKeys::Seed);
}

bool spread(SummaryKeys::Sum sum)
{
    return sum == SummaryKeys::Sum::Spread || sum == SummaryKeys::Sum::SomeRuns;
}

/// The figures an aggregate of `mode` holds, by key.
std::set<std::string_view> summedKeys(const GrowthMode& mode)
{
    std::set<std::string_view> keys;
    for (const SummaryKeys::Figure figure : mode.figures)
        if (SummaryKeys::of(figure).sum != SummaryKeys::Sum::None)
            keys.insert(SummaryKeys::of(figure).key);
    return keys;
}

/// One summed figure of an aggregate line: {"mean":..,"sd":..}, with "runs" first for a figure
/// only some runs have; a total is a number of 0 or more.
void checkSummedFigure(const SummaryKeys::FigureKey& key, const Json& value, double runs)
{
    if (key.sum == SummaryKeys::Sum::Total) {
        if (!value.is_number() || !(value.get<double>() >= 0))
            throw std::invalid_argument("not an aggregate line: " + inQuotes(key.key) + " is not a number of 0 or more");
        return;
    }
    const bool someRuns = key.sum == SummaryKeys::Sum::SomeRuns;
    if (!value.is_object() || value.size() != (someRuns ? 3u : 2u))
        throw std::invalid_argument("not an aggregate line: " + inQuotes(key.key) + " is not {" +
                                    (someRuns ? "\"runs\", " : "") + "\"mean\", \"sd\"}");
    for (const std::string_view part : {SummaryKeys::Mean, SummaryKeys::StandardDeviation}) {
        const auto found = value.find(part);
        if (found == value.end() || !(found->is_number() || found->is_null()))
            throw std::invalid_argument("not an aggregate line: " + inQuotes(key.key) + " has no number or null " +
                                        inQuotes(part));
    }
    if (someRuns) {
        const auto count = value.find(SummaryKeys::Runs);
        if (count == value.end() || !count->is_number_unsigned() || count->get<double>() > runs)
            throw std::invalid_argument("not an aggregate line: " + inQuotes(key.key) + " has no " +
                                        inQuotes(SummaryKeys::Runs) + " from 0 to the aggregate's");
    }
}

/// An aggregate line (as an ensemble or --aggregate prints it) is passed over, since it sums up
/// runs whose own lines are there too; a line that only looks like one is refused: "runs" a
/// whole number of 1 or more, and then exactly the summed figures of one mode, each as it is
/// written.
void checkAggregateLine(const Json& line)
{
    const Json& runs = line.at(std::string(SummaryKeys::Runs));
    if (!runs.is_number_unsigned() || runs.get<std::uint64_t>() < 1)
        throw std::invalid_argument("not an aggregate line: " + inQuotes(SummaryKeys::Runs) +
                                    " is not a whole number of 1 or more");
    std::set<std::string_view> keys;
    for (const auto& [key, value] : line.items())
        if (key != SummaryKeys::Runs)
            keys.insert(key);
    for (const GrowthMode& mode : ModeTable::modes()) {
        if (summedKeys(mode) != keys)
            continue;
        for (const SummaryKeys::Figure figure : mode.figures) {
            const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
            if (key.sum != SummaryKeys::Sum::None)
                checkSummedFigure(key, line.at(std::string(key.key)), runs.get<double>());
        }
        return;
    }
    throw std::invalid_argument("not an aggregate line: its keys are not the summed figures of " + ModeTable::names());
}

/// The engine a summary names; empty for a summary written before summaries named one.
std::string engineOf(const Json& summary)
{
    const auto engine = summary.find(SummaryKeys::Engine);
    if (engine == summary.end())
        return {};
    if (!engine->is_string() || engine->get<std::string>().empty())
        throw std::invalid_argument(inQuotes(SummaryKeys::Engine) + " is not the name of an engine");
    return engine->get<std::string>();
}

/// Every key of a summary is one of a summary's keys. A figure of another mode is null; a
/// summary that names its engine has them all, while one written before summaries named their
/// engine may lack those of modes added after it was written.
void checkKeys(const Json& summary, const GrowthMode& mode, bool namesEngine)
{
    static const std::set<std::string_view> runKeys{SummaryKeys::Mode,   SummaryKeys::Engine, SummaryKeys::Width,
                                                    SummaryKeys::Height, SummaryKeys::Seed,   SummaryKeys::Output,
                                                    SummaryKeys::ParticleList};
    for (const auto& [key, value] : summary.items()) {
        const bool figure = std::any_of(SummaryKeys::figures().begin(), SummaryKeys::figures().end(),
                                        [&key](const SummaryKeys::FigureKey& known) { return known.key == key; });
        if (!figure && runKeys.count(key) == 0)
            throw std::invalid_argument(inQuotes(key) + " is not a key of a run summary");
    }
    for (const SummaryKeys::FigureKey& key : SummaryKeys::figures()) {
        if (mode.reports(key.figure))
            continue;
        const auto value = summary.find(key.key);
        if (value == summary.end() && namesEngine)
            throw std::invalid_argument("no " + inQuotes(key.key));
        if (value != summary.end() && !value->is_null())
            throw std::invalid_argument(inQuotes(key.key) + " is not null: the " + std::string(mode.name) +
                                        " mode has none");
    }
    const Json& output = member(summary, SummaryKeys::Output);
    if (!output.is_string() && !output.is_null())
        throw std::invalid_argument(inQuotes(SummaryKeys::Output) + " is neither a file name nor null");
    const auto list = summary.find(SummaryKeys::ParticleList);
    if (list != summary.end() && !list->is_string() && !list->is_null())
        throw std::invalid_argument(inQuotes(SummaryKeys::ParticleList) + " is neither a file name nor null");
}

/// "of engine snowflake-1", or for a summary without one, what it is.
std::string ofEngine(const std::string& engine)
{
    return engine.empty() ? "written before summaries named their engine (no " + inQuotes(SummaryKeys::Engine) + ")"
                          : "of engine " + engine;
}

} // namespace

void SummaryReader::read(std::istream& in, const std::string& name)
{
    std::string line;
    BoundedLine lines(MaximumLineBytes);
    for (std::int64_t number = 1;; ++number) {
        const BoundedLine::Read read = lines.next(in, line);
        if (read == BoundedLine::Read::End)
            break;
        try {
            if (read == BoundedLine::Read::TooLong)
                throw std::invalid_argument("too long");
            readLine(line);
        } catch (const std::invalid_argument& reason) {
            if (problems_.size() < KeptProblems)
                problems_.push_back(name + ":" + std::to_string(number) + ": " + reason.what());
            ++problemCount_;
        }
        // Past a line longer than any summary this is no file of summaries, and its end may
        // never come (/dev/zero, a stream without line breaks): read no further.
        if (read == BoundedLine::Read::TooLong)
            break;
    }
    if (in.bad())
        throw std::runtime_error("Cannot read " + name + ": " + std::generic_category().message(errno));
}

void SummaryReader::readLine(const std::string& line)
{
    if (line.find_first_not_of(" \t\r") == std::string::npos)
        return;
    const Json summary = parseOnce(line);
    if (summary.is_discarded())
        throw std::invalid_argument("not JSON");
    if (!summary.is_object())
        throw std::invalid_argument("not a JSON object");
    if (isAggregate(summary)) {
        checkAggregateLine(summary);
        return;
    }
    RunResult run;
    run.mode = &modeOf(summary);
    run.size = sizeOf(summary);
    const std::string kind = run.kind();
    if (!kind_.empty() && kind != kind_)
        throw std::invalid_argument(withArticle(kind) + " run among " + kind_ + " runs");
    const std::string engine = engineOf(summary);
    if (engine_ && engine != *engine_)
        throw std::invalid_argument("a run " + ofEngine(engine) + " among runs " + ofEngine(*engine_) +
                                    ": two engines grow different clusters from the same seed, and one not named "
                                    "cannot be told from another, so their runs are never summed up together");
    checkKeys(summary, *run.mode, !engine.empty());
    const std::uint32_t seed = seedOf(summary);
    if (seeds_ && !seeds_->contains(seed))
        throw std::invalid_argument("seed " + std::to_string(seed) + " outside --seeds " + seeds_->text());
    if (summed_.count(seed) != 0)
        throw std::invalid_argument("seed " + std::to_string(seed) + " of " + kind + " already summed");
    run.seed = seed;
    for (const SummaryKeys::Figure figure : run.mode->figures)
        run.setFigure(figure, figureAt(summary, SummaryKeys::of(figure)));
    checkBounds(run);
    addToSums(run);
    kind_ = kind;
    engine_ = engine;
    summed_.insert(seed);
    if (!aggregate_)
        aggregate_.emplace(*run.mode);
    aggregate_->add(run);
}

void SummaryReader::addToSums(const RunResult& run)
{
    // The aggregate's sums stay finite while these do: a total is at most the sum of its
    // values, and every step of a mean and deviation at most four times the sum of their squares.
    std::array<double, SummaryKeys::FigureCount> sums = sums_;
    for (const SummaryKeys::Figure figure : run.mode->figures) {
        const SummaryKeys::FigureKey& key = SummaryKeys::of(figure);
        const auto value = run.figure(figure);
        if (!value)
            continue;
        double& sum = sums[static_cast<std::size_t>(figure)];
        if (key.sum == SummaryKeys::Sum::Total)
            sum += std::fabs(*value);
        else if (spread(key.sum))
            sum += *value * *value;
        if (!std::isfinite(spread(key.sum) ? 4 * sum : sum))
            throw std::invalid_argument("the sum of " + inQuotes(key.key) + " would overflow");
    }
    sums_ = sums;
}
