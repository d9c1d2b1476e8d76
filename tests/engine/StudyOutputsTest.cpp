// The study outputs of a run: the colour map, the age picture, the particle list with its
// parents, and the cluster's statistics.

#include "picture/AgePicture.h"
#include "files/BmpFile.h"
#include "statistics/ClusterStatistics.h"
#include "picture/ColourMap.h"
#include "lattice/FixedSettingsHost.h"
#include "lattice/OrderMap.h"
#include "lattice/OwnerTable.h"
#include "files/ParticleWriter.h"
#include "picture/PictureFile.h"
#include "lattice/ProgramState.h"
#include "lattice/RunFrame.h"
#include "statistics/RunRecorder.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

/// CIE L* of an sRGB colour (D65), from 0 for black to 100 for white.
double lightness(ColourMap::Rgb colour)
{
    auto linear = [](std::uint8_t byte) {
        const double u = byte / 255.0;
        return u <= 0.04045 ? u / 12.92 : std::pow((u + 0.055) / 1.055, 2.4);
    };
    const double luminance = 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) + 0.0722 * linear(colour.blue);
    return luminance > 216.0 / 24389.0 ? 116.0 * std::cbrt(luminance) - 16.0 : 24389.0 / 27.0 * luminance;
}

using StudyOutputsTest = TempFolderTest;

struct Particle {
    std::int64_t index;
    FieldPoint at;
    std::int64_t parent;
};

std::vector<Particle> readParticles(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "index,x,y,parent");
    std::vector<Particle> particles;
    while (std::getline(in, line)) {
        Particle p{};
        char comma[3];
        std::istringstream fields(line);
        fields >> p.index >> comma[0] >> p.at.x >> comma[1] >> p.at.y >> comma[2] >> p.parent;
        particles.push_back(p);
    }
    return particles;
}

/// Each wanderer's parent is the pixel its touch test found first, in the order of its reads
/// (right, left, below, above, then the corners), among the pixels white when it stuck: those of
/// the wanderers before it and those white from the start (parent -1). The reads of the side
/// neighbours go through the field's column map.
void expectParentsFirstInReadOrder(const std::vector<Particle>& particles, const GrowthField& field)
{
    std::map<std::pair<std::int32_t, std::int32_t>, std::int64_t> ownerAt;
    for (const Particle& p : particles)
        if (field.inside(p.at.x, p.at.y))
            ownerAt.emplace(std::pair{p.at.x, p.at.y}, p.index);
    int parentsBesideOthers = 0;
    for (const Particle& p : particles) {
        const std::int32_t x = p.at.x;
        const std::int32_t y = p.at.y;
        const std::int32_t right = field.mapColumn(x + 1);
        const std::int32_t left = field.mapColumn(x - 1);
        const FieldPoint reads[8] = {{right, y},     {left, y},     {x, y + 1},     {x, y - 1},
                                     {right, y + 1}, {left, y + 1}, {right, y - 1}, {left, y - 1}};
        std::optional<std::int64_t> expected;
        int whiteReads = 0;
        for (const FieldPoint& read : reads) {
            if (!field.isWhite(read.x, read.y))
                continue;
            const auto owner = ownerAt.find({read.x, read.y});
            if (owner != ownerAt.end() && owner->second >= p.index)
                continue; // turned white later
            ++whiteReads;
            if (!expected)
                expected = owner == ownerAt.end() ? -1 : owner->second;
        }
        ASSERT_TRUE(expected.has_value()) << "wanderer " << p.index << " touched nothing";
        EXPECT_EQ(p.parent, *expected) << "wanderer " << p.index << " at " << x << "," << y;
        parentsBesideOthers += whiteReads > 1 ? 1 : 0;
    }
    // Enough wanderers touched several white pixels for the order to decide their parents.
    EXPECT_GT(parentsBesideOthers, static_cast<int>(particles.size()) / 10);
}

enum class Owners { ByOrderMap, ByTable };

/// A seeded To-Limit run of either mode with the study recorder: the particle list goes to
/// `csv`, owners kept the given way.
struct StudyRun {
    StudyRun(bool plant, FieldSize size, std::uint32_t seed, const fs::path& csv, Owners kept) : state(seed)
    {
        plant ? state.resizePlant(size) : state.resizeSnowflake(size);
        std::unique_ptr<PixelOwners> owners;
        if (kept == Owners::ByOrderMap)
            owners = std::make_unique<OrderMap>(size);
        else
            owners = std::make_unique<OwnerTable>(size);
        ParticleWriter particles(csv.string());
        RunRecorder recorder(statistics, owners.get(), &particles);
        FixedSettingsHost host;
        RunFrame frame(state, host);
        stats = plant ? frame.runPlantLife(recorder) : frame.runSnowflake(recorder);
        particles.commit();
        if (kept == Owners::ByOrderMap)
            order.reset(static_cast<OrderMap*>(owners.release()));
    }
    const GrowthField& field(bool plant) const { return plant ? state.plantField() : state.snowField(); }

    ProgramState state;
    ClusterStatistics statistics;
    RunStats stats;
    std::unique_ptr<OrderMap> order;
};

} // namespace

TEST(ColourMapTest, LightnessRisesAtEveryEntryAndNoEntryLooksLikeBackgroundOrStart)
{
    for (std::size_t i = 1; i < ColourMap::Entries; ++i)
        EXPECT_GT(lightness(ColourMap::entry(i)), lightness(ColourMap::entry(i - 1))) << "entry " << i;
    for (std::size_t i = 0; i < ColourMap::Entries; ++i) {
        EXPECT_NE(ColourMap::entry(i), ColourMap::Rgb{}) << "entry " << i << " is black";
        EXPECT_NE(ColourMap::entry(i), AgePicture::StartColour) << "entry " << i;
    }
    // Spread over the whole map: the first and last events take its ends.
    EXPECT_EQ(ColourMap::entryFor(0, 999), 0u);
    EXPECT_EQ(ColourMap::entryFor(999, 999), ColourMap::Entries - 1);
    EXPECT_EQ(ColourMap::entryFor(0, 0), 0u);
    EXPECT_EQ(ColourMap::entryFor(std::int64_t{1} << 31, std::int64_t{1} << 31), ColourMap::Entries - 1);
}

TEST(AgePictureTest, TheFirstAndLastWanderersTakeTheMapsEndsAndOnlyExactWhiteIsCluster)
{
    // The starting pixel, three wanderers in release order, and a pixel of full blue: not white,
    // so not cluster, though its blue byte is that of white.
    GrowthField field(6, 4, ColumnMap::Identity);
    field.reset(6, 4, 0);
    OrderMap order(FieldSize{6, 4});
    field.stamp(0, 0);
    for (std::int32_t i = 0; i < 3; ++i) {
        field.stamp(1 + i, 1);
        order.record(FieldPoint{1 + i, 1}, i);
    }
    field.write(5, 3, 0xFF0000);
    const AgePicture picture(field, order);
    std::vector<std::uint8_t> buffer(6 * 3);
    auto colourAt = [&](std::int32_t x, std::int32_t y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        return ColourMap::Rgb{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    };
    EXPECT_EQ(colourAt(0, 0), AgePicture::StartColour);
    EXPECT_EQ(colourAt(1, 1), ColourMap::entry(0));
    EXPECT_EQ(colourAt(2, 1), ColourMap::entry((ColourMap::Entries - 1) / 2)); // halfway
    EXPECT_EQ(colourAt(3, 1), ColourMap::entry(ColourMap::Entries - 1));
    EXPECT_EQ(colourAt(5, 3), ColourMap::Rgb{});
    EXPECT_EQ(colourAt(4, 1), ColourMap::Rgb{});
}

TEST(ClusterStatisticsTest, GyrationRadiusOfHandCheckedShapes)
{
    // The corners of a 2 x 2 square: each sqrt(2) from the centre (1, 1). Far from the origin,
    // where sums of squares would lose the digits that matter.
    ClusterStatistics square;
    for (FieldPoint corner : {FieldPoint{999'000, 999'000}, {999'002, 999'000}, {999'000, 999'002}, {999'002, 999'002}})
        square.addPixel(corner);
    EXPECT_EQ(square.pixels(), 4);
    EXPECT_NEAR(*square.gyrationRadius(), std::sqrt(2.0), 1e-9);

    // Three in a row: squared distances 1, 0, 1 from the middle one.
    ClusterStatistics row;
    for (std::int32_t x : {10, 11, 12})
        row.add(StuckWanderer{0, {x, 5}, std::nullopt, true});
    row.add(StuckWanderer{3, {40, 5}, std::nullopt, false}); // outside the picture: left out
    EXPECT_EQ(row.pixels(), 3);
    EXPECT_NEAR(*row.gyrationRadius(), std::sqrt(2.0 / 3.0), 1e-12);

    EXPECT_FALSE(ClusterStatistics().gyrationRadius().has_value());
}

TEST(PixelOwnersTest, OrderMapAndTableAnswerAlike)
{
    const FieldSize size{300, 200};
    OrderMap map(size);
    OwnerTable table(size);
    for (PixelOwners* owners : {static_cast<PixelOwners*>(&map), static_cast<PixelOwners*>(&table)}) {
        // More pixels than the table starts with, so it grows on the way.
        for (std::int32_t i = 0; i < 5000; ++i)
            owners->record(FieldPoint{(i * 7) % 300, (i * 7) / 300}, i);
        owners->record(FieldPoint{-1, 5}, 9); // outside: kept nowhere
        for (std::int32_t i = 0; i < 5000; ++i)
            ASSERT_EQ(owners->ownerOf(FieldPoint{(i * 7) % 300, (i * 7) / 300}), i) << i;
        EXPECT_FALSE(owners->ownerOf(FieldPoint{1, 0}).has_value()) << "a pixel no wanderer turned";
        EXPECT_FALSE(owners->ownerOf(FieldPoint{-1, 5}).has_value());
        EXPECT_FALSE(owners->ownerOf(FieldPoint{300, 0}).has_value());
    }
    EXPECT_EQ(map.lastIndex(), 4999);
}

TEST_F(StudyOutputsTest, ParticleListIsStreamedThroughTheSafeSave)
{
    const fs::path path = folder / "particles.csv";
    {
        ParticleWriter abandoned(path.string());
        abandoned.write(0, std::int32_t{1}, std::int32_t{2}, -1);
    }
    EXPECT_FALSE(fs::exists(path)) << "no list without a commit";
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0);

    ParticleWriter writer(path.string());
    for (std::int64_t i = 0; i < 20000; ++i) // several buffers' worth
        writer.write(i, static_cast<std::int32_t>(i % 7) - 3, -2'000'000'000, i - 1);
    writer.commit();
    const std::string text = fileText(path);
    EXPECT_TRUE(text.starts_with("index,x,y,parent\n0,-3,-2000000000,-1\n1,-2,-2000000000,0\n")) << text.substr(0, 80);
    EXPECT_TRUE(text.ends_with("19999,-3,-2000000000,19998\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20001);
}

TEST_F(StudyOutputsTest, ParticleListHasEveryWandererWithAnEarlierNeighbourAsParent)
{
    for (const bool plant : {true, false}) {
        SCOPED_TRACE(plant ? "plant life" : "snowflake");
        const FieldSize size = plant ? FieldSize{60, 120} : FieldSize{120, 120};
        const fs::path csv = folder / "order.csv";
        const StudyRun run(plant, size, 11, csv, Owners::ByOrderMap);
        const std::vector<Particle> particles = readParticles(csv);
        ASSERT_EQ(static_cast<std::int64_t>(particles.size()), run.stats.wanderers);

        const GrowthField& field = run.field(plant);
        std::set<std::pair<std::int32_t, std::int32_t>> inPicture;
        int startParents = 0;
        for (std::size_t i = 0; i < particles.size(); ++i) {
            const Particle& p = particles[i];
            ASSERT_EQ(p.index, static_cast<std::int64_t>(i));
            if (field.inside(p.at.x, p.at.y)) {
                EXPECT_TRUE(inPicture.insert({p.at.x, p.at.y}).second) << "two wanderers on one pixel";
            }
            if (p.parent < 0) {
                ++startParents;
                continue;
            }
            ASSERT_LT(p.parent, p.index);
            const FieldPoint parent = particles[static_cast<std::size_t>(p.parent)].at;
            // The parent's pixel is one the child's touch test read: a neighbour, through the
            // ring of columns for plant life.
            const bool besideIt = std::abs(parent.y - p.at.y) <= 1 &&
                                  (parent.x == p.at.x || parent.x == field.mapColumn(p.at.x - 1) ||
                                   parent.x == field.mapColumn(p.at.x + 1));
            EXPECT_TRUE(besideIt) << "wanderer " << p.index << " and its parent " << p.parent;
        }
        EXPECT_GT(startParents, 0) << "the first wanderers stick to the starting cluster";
        expectParentsFirstInReadOrder(particles, field);
        EXPECT_LT(startParents, static_cast<int>(particles.size()) / 4);

        // In the picture, the list's places are exactly the pixels the run turned white.
        std::set<std::pair<std::int32_t, std::int32_t>> turned;
        for (std::int32_t y = 0; y < field.height(); ++y)
            for (std::int32_t x = 0; x < field.width(); ++x)
                if (field.isWhite(x, y) && run.order->ownerOf(FieldPoint{x, y}))
                    turned.insert({x, y});
        EXPECT_EQ(inPicture, turned);
        EXPECT_EQ(run.statistics.pixels(), static_cast<std::int64_t>(turned.size()));

        // Parents looked up in the table that grows with the wanderers are the same.
        const fs::path tableCsv = folder / "table.csv";
        const StudyRun again(plant, size, 11, tableCsv, Owners::ByTable);
        EXPECT_EQ(fileText(tableCsv), fileText(csv));
    }
}

TEST_F(StudyOutputsTest, AgePictureColoursTheWhitePicturesClusterLighterWithAge)
{
    const FieldSize size{120, 120};
    const StudyRun run(false, size, 3, folder / "particles.csv", Owners::ByOrderMap);
    const GrowthField& field = run.field(false);
    const AgePicture picture(field, *run.order);

    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size.width) * 3);
    std::vector<std::pair<std::int64_t, double>> lightnessByOrder;
    int startPixels = 0;
    for (std::int32_t y = 0; y < size.height; ++y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        for (std::int32_t x = 0; x < size.width; ++x) {
            const ColourMap::Rgb colour{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
            ASSERT_EQ(colour != ColourMap::Rgb{}, field.isWhite(x, y)) << "at " << x << ", " << y;
            if (const auto order = run.order->ownerOf(FieldPoint{x, y})) {
                lightnessByOrder.emplace_back(*order, lightness(colour));
            } else if (field.isWhite(x, y)) {
                EXPECT_EQ(colour, AgePicture::StartColour) << "the centre pixel at " << x << ", " << y;
                ++startPixels;
            }
        }
    }
    EXPECT_EQ(startPixels, 1);
    std::sort(lightnessByOrder.begin(), lightnessByOrder.end());
    ASSERT_GT(lightnessByOrder.size(), 100u);
    for (std::size_t i = 1; i < lightnessByOrder.size(); ++i)
        ASSERT_GE(lightnessByOrder[i].second, lightnessByOrder[i - 1].second)
            << "wanderer " << lightnessByOrder[i].first;
    EXPECT_GT(lightnessByOrder.back().second, lightnessByOrder.front().second + 50) << "the whole map is used";

    // Both file formats hold the same coloured pixels, in the right channel order.
    const fs::path png = folder / "age.png";
    const fs::path bmp = folder / "age.bmp";
    PictureFile::save(picture, png.string());
    PictureFile::save(picture, bmp.string());
    const std::string pixels = decodedPixels(png);
    ASSERT_EQ(pixels.size(), 120u * 120u * 3u);
    EXPECT_EQ(pixels, decodedPixels(bmp));
    const ColourMap::Rgb last = ColourMap::entry(ColourMap::Entries - 1);
    EXPECT_NE(pixels.find(std::string{static_cast<char>(last.red), static_cast<char>(last.green),
                                      static_cast<char>(last.blue)}),
              std::string::npos)
        << "the last wanderer's yellow, red first";
}
