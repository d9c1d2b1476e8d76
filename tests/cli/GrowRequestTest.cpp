// The request as the command line makes it and the modes take it: every mode of the table
// complete and grown through its entry alone, a mode's own settings typed once, the seed of a
// run given none, and the off-lattice memory figure on an ensemble's worker.

#include "GrowOptions.h"
#include "GrowRequest.h"
#include "GrowthRun.h"
#include "JobCount.h"
#include "ModeTable.h"
#include "OffLatticePlan.h"
#include "OffLatticeSettings.h"
#include "SystemSeed.h"
#include "UsageError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// The request of `arguments` (after the program's name), as dla-grow reads it.
GrowRequest requestOf(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "dla-grow");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    std::ostringstream out;
    const auto options = GrowOptions::parse(static_cast<int>(argv.size()), argv.data(), out);
    if (!options)
        throw std::logic_error("no request: " + out.str());
    return options->request;
}

} // namespace

TEST(GrowRequest, EveryModeOfTheTableIsCompleteAndGrowsThroughItsEntryAlone)
{
    for (const GrowthMode& mode : ModeTable::modes()) {
        SCOPED_TRACE(std::string(mode.name));
        EXPECT_FALSE(mode.name.empty());
        EXPECT_FALSE(mode.figures.empty());
        ASSERT_NE(mode.checkBeforeRuns, nullptr);
        ASSERT_NE(mode.memoryOfOneRun, nullptr);
        ASSERT_NE(mode.memoryRefusal, nullptr);
        ASSERT_NE(mode.makeRun, nullptr);
        EXPECT_LE(mode.fewestPoints, 1);
        EXPECT_GE(mode.mostPoints, mode.fewestPoints);
        // A mode with options of its own must read them into its settings.
        EXPECT_TRUE(mode.options.empty() || mode.readSettings != nullptr);

        const GrowRequest request =
            requestOf({"-m", std::string(mode.name), "-s", "60x60", "-n", "20", "-r", "1", "-q", "--no-picture"});
        ASSERT_EQ(request.mode, &mode);
        EXPECT_FALSE(request.wantsPicture());
        mode.checkBeforeRuns(request);
        EXPECT_GT(mode.memoryOfOneRun(request), 0u);
        const RunResult result = mode.makeRun(request)->run(nullptr, nullptr);
        EXPECT_EQ(result.end, RunResult::End::Written);
        EXPECT_TRUE(result.summarised());
        EXPECT_FALSE(result.pictureWritten);
        EXPECT_TRUE(std::any_of(mode.figures.begin(), mode.figures.end(),
                                [&result](SummaryKeys::Figure figure) { return result.figure(figure).has_value(); }));
        EXPECT_NE(result.json().find("\"output\":null"), std::string::npos) << result.json();
        EXPECT_EQ(result.line().find("written to"), std::string::npos) << result.line();
    }
}

TEST(GrowRequest, TheOffLatticeScaleIsANumberFromTheStartInAnySpelling)
{
    for (const char* spelling : {"2.5", "25e-1", "0.25E1", "2.5e+0"}) {
        SCOPED_TRACE(spelling);
        const GrowRequest request = requestOf({"-m", "offlattice", "--scale", spelling, "-r", "1"});
        EXPECT_EQ(OffLatticeSettings::of(request).scale, 2.5);
        EXPECT_EQ(OffLatticePlan(request).scale(), 2.5);
    }
    EXPECT_EQ(OffLatticeSettings::of(requestOf({"-m", "offlattice", "-s", "4000x4000", "--scale", "1e3"})).scale,
              1000.0);
    EXPECT_EQ(OffLatticeSettings::of(requestOf({"-m", "offlattice", "-r", "1"})).scale,
              OffLatticeSettings::DefaultScale);
    // A request made without a command line, with no settings, takes the defaults.
    GrowRequest plain;
    plain.mode = ModeTable::find("offlattice");
    EXPECT_EQ(OffLatticeSettings::of(plain).scale, OffLatticeSettings::DefaultScale);
    for (const char* refused : {"1e4", "0.001", "1e", "e3", "0x1p1", "inf", "nan", " 2", "+2", ""})
        EXPECT_THROW(OffLatticeSettings::parseScale(refused), UsageError) << refused;
}

TEST(GrowRequest, AnOffLatticePictureSizedToItsClusterWidensForOneThatOutgrewIt)
{
    for (const OffLatticeModel* model : {&OffLatticeModel::Plane, &OffLatticeModel::Space}) {
        const std::string mode = model == &OffLatticeModel::Plane ? "offlattice" : "offlattice3d";
        SCOPED_TRACE(mode);
        const OffLatticePlan sized(requestOf({"-m", mode, "-n", "100", "--scale", "2", "-r", "1"}), *model);
        const FieldSize planned = OffLatticePlan::sizeForParticles(100, 2, *model);
        EXPECT_EQ(sized.pictureSize(5.0).width, planned.width);
        EXPECT_EQ(sized.pictureSize(5.0).height, planned.height);
        // A disc whose centre is 1000 diameters out reaches 2001 pixels from the middle, a
        // pixel to spare each side.
        EXPECT_EQ(sized.pictureSize(1000.0).width, 4004);
        EXPECT_EQ(sized.pictureSize(1000.0).height, 4004);
        EXPECT_EQ(sized.pictureSize(1e9).width, FieldSize::MaximumSide);
        // A size given is kept, whatever the cluster reaches.
        const OffLatticePlan given(requestOf({"-m", mode, "-n", "100", "-s", "50x40", "-r", "1"}), *model);
        EXPECT_EQ(given.pictureSize(1000.0).width, 50);
        EXPECT_EQ(given.pictureSize(1000.0).height, 40);
    }
}

TEST(GrowRequest, PointsOutsideTheModesRangeAreToldWithThatRange)
{
    const GrowthMode& offLattice = *ModeTable::find("offlattice");
    const GrowthMode& plant = *ModeTable::find("plant");
    const auto messageOf = [](const std::string& text, const GrowthMode& mode) -> std::string {
        try {
            GrowOptions::parsePoints(text, mode);
        } catch (const UsageError& error) {
            return error.what();
        }
        return "accepted";
    };
    EXPECT_EQ(messageOf("99999999999", offLattice),
              "--points must be a whole number from 1 to 2147483646 for the offlattice mode, not '99999999999'");
    EXPECT_EQ(messageOf("0", offLattice),
              "--points must be a whole number from 1 to 2147483646 for the offlattice mode, not '0'");
    EXPECT_EQ(messageOf("99999999999", plant),
              "--points must be a whole number from -2147483648 to 2147483647, not '99999999999'");
    EXPECT_EQ(GrowOptions::parsePoints("2147483646", offLattice), 2147483646);
    EXPECT_EQ(GrowOptions::parsePoints("-2147483648", plant), -2147483648LL);
    // A request filled without the parser is refused rather than cut down to 32 bits.
    GrowRequest request = requestOf({"-s", "60x60", "-r", "1", "--no-picture"});
    request.points = std::int64_t{1} << 32;
    EXPECT_THROW(plant.makeRun(request), std::invalid_argument);
}

TEST(GrowRequest, ARunWithoutASeedDrawsUnrelatedSeeds)
{
    std::set<std::uint32_t> seeds;
    for (int draw = 0; draw < 16; ++draw)
        seeds.insert(SystemSeed::draw());
    // Sixteen draws of 32 bits meet once in about 3 * 10^7; draws from the clock meet at once.
    EXPECT_EQ(seeds.size(), 16u);
    // The time of day in milliseconds never reaches 86400000; 16 draws stay below it once in 10^27.
    EXPECT_GE(*seeds.rbegin(), 86'400'000u);
    // The parser takes one for a run given none.
    EXPECT_NE(requestOf({"-n", "1"}).seed, requestOf({"-n", "1"}).seed);
}

TEST(GrowRequest, AnOffLatticeRunCountsTheStackOfTheWorkerItRunsOn)
{
    // As dla-grow does before an ensemble's workers start.
    JobCount::setUpWorkers();
    ASSERT_LT(JobCount::workerBytes() - JobCount::WorkerStackBytes, std::uint64_t{64} << 10);
    const GrowRequest tiny = requestOf({"-m", "offlattice", "-n", "10", "-r", "1"});
    // A tiny cluster, its picture and the writers take about 3 MiB; a default 8 MiB stack
    // counted instead of the worker's would take it past 8.
    EXPECT_LT(OffLatticePlan(tiny).memoryBytes(), std::uint64_t{8} << 20);
    EXPECT_EQ(tiny.mode->memoryOfOneRun(tiny), OffLatticePlan(tiny).memoryBytes());
}

TEST(GrowRequest, TheHelpTellsWhatEachModesEntrySays)
{
    const char* argv[] = {"dla-grow", "--help"};
    std::ostringstream out;
    ASSERT_FALSE(GrowOptions::parse(2, argv, out));
    // The help wraps its paragraphs: compare with the line breaks as blanks.
    std::string help = out.str();
    std::replace(help.begin(), help.end(), '\n', ' ');
    std::string unwrapped;
    for (const char c : help)
        if (c != ' ' || unwrapped.empty() || unwrapped.back() != ' ')
            unwrapped += c;
    for (const GrowthMode& mode : ModeTable::modes()) {
        SCOPED_TRACE(std::string(mode.name));
        EXPECT_NE(unwrapped.find(std::string(mode.name) + ".bmp"), std::string::npos);
        // An option two modes share keeps both modes' texts.
        for (const ModeOption& option : mode.options) {
            EXPECT_NE(unwrapped.find(std::string(option.name)), std::string::npos);
            EXPECT_NE(unwrapped.find(std::string(option.help)), std::string::npos) << option.help;
        }
        for (const std::string_view example : mode.help.examples)
            EXPECT_NE(unwrapped.find(std::string(example)), std::string::npos) << example;
        // A note several modes share is told once, after all their names: "offlattice, offlattice3d: ...".
        for (const ModeHelp::FigureNote& note : mode.help.figures) {
            const std::regex told("([a-z0-9]+, )*" + std::string(mode.name) + "(, [a-z0-9]+)*: " +
                                  std::regex_replace(std::string(note.note), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"));
            EXPECT_TRUE(std::regex_search(unwrapped, told)) << note.note;
        }
        if (!mode.help.particleList.empty()) {
            EXPECT_NE(unwrapped.find(std::string(mode.help.particleList)), std::string::npos);
        }
    }
}
