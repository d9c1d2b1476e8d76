// The aggregate of an ensemble and the reader of JSON Lines summaries, on figures small enough
// to check by hand.

#include "EnsembleAggregate.h"
#include "ModeTable.h"
#include "SummaryReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace {

using Figure = SummaryKeys::Figure;

const GrowthMode& plant()
{
    return *ModeTable::find("plant");
}

RunResult run(double wanderers, double moves, double pixels, std::optional<double> dimension, double seconds)
{
    RunResult result;
    result.mode = &plant();
    result.setFigure(Figure::Wanderers, wanderers);
    result.setFigure(Figure::Moves, moves);
    result.setFigure(Figure::Marker, 1);
    result.setFigure(Figure::Pixels, pixels);
    result.setFigure(Figure::GyrationRadius, pixels / 10);
    result.setFigure(Figure::Dimension, dimension);
    result.setFigure(Figure::Seconds, seconds);
    return result;
}

/// Three runs: wanderers 10, 20, 30 (mean 20, sd 10); moves 10^8 + 1, 2, 3 (mean 10^8 + 2,
/// sd 1); pixels all 5 (sd 0); a dimension in two of them, 1.6 and 1.8 (mean 1.7,
/// sd 0.1 * sqrt 2); 0.5 + 1.25 + 2 = 3.75 seconds.
EnsembleAggregate threeRuns()
{
    EnsembleAggregate aggregate(plant());
    aggregate.add(run(10, 1e8 + 1, 5, 1.6, 0.5));
    aggregate.add(run(20, 1e8 + 2, 5, std::nullopt, 1.25));
    aggregate.add(run(30, 1e8 + 3, 5, 1.8, 2));
    return aggregate;
}

std::string summary(const std::string& mode, int width, std::uint32_t seed, double wanderers, const std::string& dimension)
{
    return R"({"mode":")" + mode + R"(","width":)" + std::to_string(width) + R"(,"height":300,"seed":)" +
           std::to_string(seed) + R"(,"wanderers":)" + std::to_string(wanderers) +
           R"(,"moves":1000,"marker":1,"seconds":0.5,"pixels":5,"gyration_radius":4.5,"dimension":)" + dimension +
           R"(,"output":"f.png"})";
}

} // namespace

TEST(EnsembleAggregate, MeanAndSampleDeviationOfEachFigure)
{
    const EnsembleAggregate aggregate = threeRuns();
    EXPECT_EQ(aggregate.runs(), 3);
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::Wanderers).mean(), 20);
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::Wanderers).standardDeviation(), 10);
    // Large values with a small spread: a sum of squares would lose the spread to rounding.
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::Moves).mean(), 1e8 + 2);
    EXPECT_NEAR(*aggregate.statistics(Figure::Moves).standardDeviation(), 1, 1e-6);
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::Pixels).standardDeviation(), 0);
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::GyrationRadius).mean(), 0.5);
    EXPECT_EQ(aggregate.statistics(Figure::Dimension).count(), 2);
    EXPECT_DOUBLE_EQ(*aggregate.statistics(Figure::Dimension).mean(), 1.7);
    EXPECT_NEAR(*aggregate.statistics(Figure::Dimension).standardDeviation(), 0.141421356, 1e-8);
    EXPECT_DOUBLE_EQ(aggregate.total(Figure::Seconds), 3.75);
}

TEST(EnsembleAggregate, LineAndJsonTellTheSameFigures)
{
    const EnsembleAggregate aggregate = threeRuns();
    EXPECT_EQ(aggregate.line(), "3 runs: wanderers 20.0 (sd 10.0), moves 100000002.0 (sd 1.0), pixels 5.0 (sd 0.0), "
                                "gyration_radius 0.50 (sd 0.00, 3 runs), dimension 1.700 (sd 0.141, 2 runs), "
                                "3.75 s in all");
    const auto json = nlohmann::json::parse(aggregate.json());
    EXPECT_EQ(json["runs"], 3);
    EXPECT_DOUBLE_EQ(json["wanderers"]["mean"].get<double>(), 20);
    EXPECT_DOUBLE_EQ(json["wanderers"]["sd"].get<double>(), 10);
    EXPECT_EQ(json["dimension"]["runs"], 2);
    EXPECT_DOUBLE_EQ(json["seconds"].get<double>(), 3.75);
}

TEST(EnsembleAggregate, OneRunHasNoDeviationAndNoDimensionGivesNull)
{
    EnsembleAggregate aggregate(plant());
    aggregate.add(run(4, 30, 4, std::nullopt, 0.01));
    EXPECT_FALSE(aggregate.statistics(Figure::Wanderers).standardDeviation());
    const auto json = nlohmann::json::parse(aggregate.json());
    EXPECT_TRUE(json["wanderers"]["sd"].is_null());
    EXPECT_EQ(json["dimension"]["runs"], 0);
    EXPECT_TRUE(json["dimension"]["mean"].is_null());
    EXPECT_NE(aggregate.line().find("dimension n/a (sd n/a, 0 runs)"), std::string::npos) << aggregate.line();
}

TEST(SummaryReader, SumsUpSummariesFromSeveralFiles)
{
    std::istringstream first(summary("snowflake", 300, 1, 10, "1.5") + "\n\n" + summary("snowflake", 300, 2, 20, "null"));
    // An aggregate line from the ensemble that wrote the file is passed over.
    std::istringstream second(summary("snowflake", 300, 3, 30, "1.7") + "\n" + threeRuns().json() + "\n");
    SummaryReader reader;
    reader.read(first, "a.jsonl");
    reader.read(second, "b.jsonl");
    EXPECT_EQ(reader.problemCount(), 0);
    EXPECT_EQ(reader.runs(), 3);
    EXPECT_DOUBLE_EQ(*reader.aggregate().statistics(Figure::Wanderers).mean(), 20);
    EXPECT_EQ(reader.aggregate().statistics(Figure::Dimension).count(), 2);
    EXPECT_DOUBLE_EQ(*reader.aggregate().statistics(Figure::Dimension).mean(), 1.6);
}

TEST(SummaryReader, NamesEachLineThatIsNotASummary)
{
    const std::string good = summary("plant", 150, 1, 10, "1.5");
    std::string missingPixels = summary("plant", 150, 5, 10, "1.5");
    missingPixels.erase(missingPixels.find(R"("pixels":5,)"), 11);
    std::string hugeMoves = summary("plant", 150, 8, 10, "1.5");
    hugeMoves.replace(hugeMoves.find(R"("moves":1000)"), 12, R"("moves":1.7e308)");
    std::istringstream in(good + "\n" +                                  // 1
                          good.substr(0, 40) + "\n" +                    // 2: cut short
                          "[1,2]\n" +                                    // 3
                          missingPixels + "\n" +                         // 4
                          summary("plant", 150, 2, 10, "\"x\"") + "\n" + // 5
                          summary("plant", 200, 3, 10, "1.5") + "\n" +   // 6: another size
                          summary("plant", 150, 4, -3, "1.5") + "\n" +   // 7: a negative count
                          hugeMoves + "\n" +                             // 8: beyond any run
                          summary("plant", 150, 9, 10, "1.5") + "\n" +  // 9
                          summary("offlattice", 150, 10, 10, "1.5") + "\n"); // 10: another mode
    SummaryReader reader;
    reader.read(in, "runs.jsonl");
    EXPECT_EQ(reader.problems(), (std::vector<std::string>{
                                     "runs.jsonl:2: not JSON",
                                     "runs.jsonl:3: not a JSON object",
                                     "runs.jsonl:4: no \"pixels\"",
                                     "runs.jsonl:5: \"dimension\" is neither a number nor null",
                                     "runs.jsonl:6: a plant 200x300 run among plant 150x300 runs",
                                     "runs.jsonl:7: \"wanderers\" is not a whole number from 0 to 2^63",
                                     "runs.jsonl:8: \"moves\" is not a whole number from 0 to 2^63",
                                     "runs.jsonl:10: an offlattice 150x300 run among plant 150x300 runs",
                                 }));
    EXPECT_EQ(reader.runs(), 2);
}

TEST(SummaryReader, KeepsTheFirstNotesAndCountsTheRest)
{
    std::string lines;
    for (std::size_t i = 0; i < SummaryReader::KeptProblems + 5; ++i)
        lines += "x\n";
    std::istringstream in(lines);
    SummaryReader reader;
    reader.read(in, "-");
    EXPECT_EQ(reader.problems().size(), SummaryReader::KeptProblems);
    EXPECT_EQ(reader.problemCount(), static_cast<std::int64_t>(SummaryReader::KeptProblems + 5));
}

namespace {

/// A run summary as dla-grow writes it now, engine included.
std::string written(const std::string& mode, std::uint32_t seed, double seconds = 0.5)
{
    RunResult result;
    result.mode = ModeTable::find(mode);
    result.size = FieldSize{300, 300};
    result.seed = seed;
    result.output = "f.bmp";
    for (const Figure figure : result.mode->figures)
        result.setFigure(figure, 5);
    result.setFigure(Figure::Seconds, seconds);
    return result.json();
}

/// `line` with the first `from` replaced by `to`.
std::string with(std::string line, const std::string& from, const std::string& to)
{
    const auto at = line.find(from);
    EXPECT_NE(at, std::string::npos) << from << " in " << line;
    return at == std::string::npos ? line : line.replace(at, from.size(), to);
}

std::vector<std::string> problemsOf(const std::string& lines, std::int64_t expectedRuns)
{
    std::istringstream in(lines);
    SummaryReader reader;
    reader.read(in, "r");
    EXPECT_EQ(reader.runs(), expectedRuns);
    return reader.problems();
}

} // namespace

TEST(SummaryReader, ChecksEveryKeyByItsTypeAndItsMode)
{
    const std::string flake = written("snowflake", 1);
    const std::string offlattice = written("offlattice", 2);
    EXPECT_EQ(problemsOf(with(flake, R"("particles":null)", R"("particles":12345)") + "\n" +
                             with(flake, R"("jumps":null)", R"("jumps":"lots")") + "\n" +
                             with(flake, R"("particles":null,"jumps":null,)", "") + "\n" +
                             with(flake, R"(,"output":"f.bmp")", "") + "\n" +
                             with(flake, R"("seed":1,)", R"("seed":1,"foo":1,)") + "\n" +
                             with(flake, R"("engine":"snowflake-1")", R"("engine":7)") + "\n" + flake + "\n",
                         1),
              (std::vector<std::string>{
                  R"(r:1: "particles" is not null: the snowflake mode has none)",
                  R"(r:2: "jumps" is not null: the snowflake mode has none)",
                  R"(r:3: no "particles")",
                  R"(r:4: no "output")",
                  R"(r:5: "foo" is not a key of a run summary)",
                  R"(r:6: "engine" is not the name of an engine)",
              }));
    EXPECT_EQ(problemsOf(with(offlattice, R"("wanderers":null)", R"("wanderers":-5)") + "\n" +
                             with(offlattice, R"("pixels":null)", R"("pixels":{"x":1})") + "\n" +
                             with(offlattice, R"("jumps":5)", R"("jumps":null)") + "\n" + offlattice + "\n",
                         1),
              (std::vector<std::string>{
                  R"(r:1: "wanderers" is not null: the offlattice mode has none)",
                  R"(r:2: "pixels" is not null: the offlattice mode has none)",
                  R"(r:3: "jumps" is not a number)",
              }));
}

TEST(SummaryReader, PassesOverAggregateLinesAndRefusesWhatOnlyLooksLikeOne)
{
    EnsembleAggregate offlattice(*ModeTable::find("offlattice"));
    std::istringstream runs(written("offlattice", 1) + "\n" + written("offlattice", 2) + "\n");
    SummaryReader first;
    first.read(runs, "runs");
    const std::string aggregate = first.aggregate().json();
    EXPECT_EQ(problemsOf(threeRuns().json() + "\n" + aggregate + "\n" + R"({"runs":"nonsense","foo":1})" + "\n" +
                             R"({"runs":3,"foo":1})" + "\n" + with(aggregate, R"("runs":2)", R"("runs":0)") + "\n" +
                             with(aggregate, R"("seconds":1.0)", R"("seconds":"x")") + "\n" +
                             with(aggregate, R"("runs":2,"mean")", R"("runs":3,"mean")") + "\n" + written("plant", 1) +
                             "\n",
                         1),
              (std::vector<std::string>{
                  R"(r:3: not an aggregate line: "runs" is not a whole number of 1 or more)",
                  "r:4: not an aggregate line: its keys are not the summed figures of plant, snowflake, offlattice or offlattice3d",
                  R"(r:5: not an aggregate line: "runs" is not a whole number of 1 or more)",
                  R"(r:6: not an aggregate line: "seconds" is not a number of 0 or more)",
                  R"(r:7: not an aggregate line: "gyration_radius" has no "runs" from 0 to the aggregate's)",
              }));
}

TEST(SummaryReader, RefusesARunWhoseFiguresTheSumsCannotHold)
{
    // Two runs of 1.7e308 s add up past the largest double; one is summed, the other refused.
    EXPECT_EQ(problemsOf(written("snowflake", 1, 1.7e308) + "\n" + written("snowflake", 2, 1.7e308) + "\n", 1),
              (std::vector<std::string>{R"(r:2: the sum of "seconds" would overflow)"}));
    // A mean's deviation squares its values.
    EXPECT_EQ(problemsOf(with(written("snowflake", 1), R"("gyration_radius":5.0)", R"("gyration_radius":1e200)") +
                             "\n" + written("snowflake", 2) + "\n",
                         1),
              (std::vector<std::string>{R"(r:1: the sum of "gyration_radius" would overflow)"}));
    std::istringstream in(written("snowflake", 1, 1e300) + "\n" + written("snowflake", 2, 1e300) + "\n");
    SummaryReader reader;
    reader.read(in, "r");
    EXPECT_EQ(reader.problemCount(), 0);
    EXPECT_DOUBLE_EQ(reader.aggregate().total(Figure::Seconds), 2e300);
}

TEST(SummaryReader, NeverSumsUpRunsOfTwoEngines)
{
    const std::string one = written("snowflake", 1);
    const std::string other = with(written("snowflake", 2), R"("engine":"snowflake-1")", R"("engine":"snowflake-0")");
    const std::string unnamed = with(written("snowflake", 3), R"("engine":"snowflake-1",)", "");
    const std::string reason = ": two engines grow different clusters from the same seed, and one not named cannot "
                               "be told from another, so their runs are never summed up together";
    EXPECT_EQ(problemsOf(one + "\n" + other + "\n" + unnamed + "\n", 1),
              (std::vector<std::string>{
                  "r:2: a run of engine snowflake-0 among runs of engine snowflake-1" + reason,
                  R"(r:3: a run written before summaries named their engine (no "engine") among runs of engine snowflake-1)" +
                      reason,
              }));
    // Summaries written before engines were named sum up among themselves.
    EXPECT_EQ(problemsOf(unnamed + "\n" + with(other, R"("engine":"snowflake-0",)", "") + "\n" + one + "\n", 2),
              (std::vector<std::string>{
                  R"(r:3: a run of engine snowflake-1 among runs written before summaries named their engine (no "engine"))" +
                      reason,
              }));
}

TEST(SummaryReader, StopsReadingAStreamAtALineLongerThanAnySummary)
{
    const std::string line = written("snowflake", 1);
    std::istringstream in(line + "\n" + std::string(SummaryReader::MaximumLineBytes + 10, 'x') + "\n" + line + "\n" +
                          written("snowflake", 2) + "\n");
    SummaryReader reader;
    reader.read(in, "r");
    EXPECT_EQ(reader.problems(), (std::vector<std::string>{"r:2: too long"}));
    EXPECT_EQ(reader.runs(), 1);
    EXPECT_LE(in.tellg(), static_cast<std::streamoff>(line.size() + SummaryReader::MaximumLineBytes + 3));
}
