// What an off-lattice run leaves: its picture by scale, white or by age, and its particle list,
// both read back from the files.

#include "picture/AgePicture.h"
#include "picture/ColourMap.h"
#include "statistics/GrowthLawDimension.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "picture/PictureFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

/// The red, green and blue bytes of pixel (x, y) of a picture, top row first.
ColourMap::Rgb pixelOf(const PictureRows& picture, std::int32_t x, std::int32_t y)
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(picture.width()) * 3);
    const std::uint8_t* row = picture.row(y, buffer.data());
    return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
}

std::int64_t litPixels(const PictureRows& picture)
{
    std::int64_t lit = 0;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(picture.width()) * 3);
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        for (std::int32_t x = 0; x < picture.width(); ++x)
            lit += row[x * 3] || row[x * 3 + 1] || row[x * 3 + 2];
    }
    return lit;
}

constexpr ColourMap::Rgb White{255, 255, 255};
constexpr ColourMap::Rgb Black{};

} // namespace

class OffLatticeOutputsTest : public TempFolderTest {};

TEST_F(OffLatticeOutputsTest, ParticlesAreDiscsAroundThePicturesCentreAtTheirScale)
{
    // The origin particle, one to its right, one above that.
    const std::vector<OffLatticeParticle> particles{{{0, 0}, -1, -1}, {{1, 0}, -1, -1}, {{1, 1}, 0, -1}};
    const OffLatticePicture white(particles, 60, 40, 10.0, false);
    EXPECT_EQ(white.width(), 60);
    EXPECT_EQ(white.height(), 40);
    EXPECT_EQ(pixelOf(white, 30, 20), White);  // the origin at the centre
    EXPECT_EQ(pixelOf(white, 25, 20), White);  // 4.5 pixels left of it: inside the disc of radius 5
    EXPECT_EQ(pixelOf(white, 24, 20), Black);  // 5.5 pixels left: outside
    EXPECT_EQ(pixelOf(white, 40, 20), White);  // the second, 10 pixels right
    EXPECT_EQ(pixelOf(white, 40, 10), White);  // the third, 10 pixels up
    EXPECT_EQ(pixelOf(white, 30, 10), Black);  // nothing above the origin
    // Each disc of radius 5 pixels holds about 78 pixel centres.
    EXPECT_NEAR(static_cast<double>(litPixels(white)), 3 * 78.5, 12);

    const OffLatticePicture byAge(particles, 60, 40, 10.0, true);
    EXPECT_EQ(pixelOf(byAge, 30, 20), AgePicture::StartColour);
    EXPECT_EQ(pixelOf(byAge, 40, 20), ColourMap::entry(0));
    EXPECT_EQ(pixelOf(byAge, 40, 10), ColourMap::entry(ColourMap::Entries - 1));

    // In a picture of odd sides the origin is the middle of the middle pixel: its disc of radius
    // 3.5 pixels lights the 37 pixels whose centres lie within 3.5 of it, evenly about it.
    const std::vector<OffLatticeParticle> origin{{{0, 0}, -1, -1}};
    const OffLatticePicture odd(origin, 31, 21, 7.0, false);
    EXPECT_EQ(litPixels(odd), 37);
    for (std::int32_t y = 0; y < 21; ++y)
        for (std::int32_t x = 0; x < 31; ++x)
            ASSERT_EQ(pixelOf(odd, x, y), (std::hypot(x - 15, y - 10) <= 3.5 ? White : Black)) << x << ", " << y;
}

TEST_F(OffLatticeOutputsTest, AtSmallScalesEveryParticleInsideStillLightsItsPixel)
{
    OffLatticeGrowth growth(3, 3000);
    growth.run({3000, 0});
    // 0.1 pixel per diameter: a cluster of radius ~100 diameters in a picture of about 20 pixels.
    const OffLatticePicture tiny(growth.particles(), 30, 30, 0.1, false);
    std::vector<bool> lit(30 * 30, false);
    for (const OffLatticeParticle& p : growth.particles())
        lit[static_cast<std::size_t>(std::floor(15 - p.at.y * 0.1) * 30 + std::floor(p.at.x * 0.1 + 15))] = true;
    std::int64_t expected = 0;
    for (bool l : lit)
        expected += l;
    EXPECT_EQ(litPixels(tiny), expected);

    // A picture smaller than the cluster shows its middle; nothing outside is drawn or read out of bounds.
    const OffLatticePicture cut(growth.particles(), 40, 30, 2.0, true);
    EXPECT_GT(litPixels(cut), 100);
    EXPECT_NE(pixelOf(cut, 20, 15), Black);

    // Cut at every edge, at scales whose discs reach across rows: a pixel is lit exactly when a
    // disc covers its centre or a particle's centre lies in it, as drawing every particle over
    // the whole picture finds.
    for (const double scale : {2.5, 3.5}) {
        const OffLatticePicture edges(growth.particles(), 41, 31, scale, false);
        for (std::int32_t y = 0; y < 31; ++y)
            for (std::int32_t x = 0; x < 41; ++x) {
                bool covered = false;
                for (const OffLatticeParticle& p : growth.particles()) {
                    const double cx = 20.5 + p.at.x * scale;
                    const double cy = 15.5 - p.at.y * scale;
                    covered = covered || std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= scale / 2 ||
                              (std::floor(cx) == x && std::floor(cy) == y);
                }
                ASSERT_EQ(pixelOf(edges, x, y), covered ? White : Black) << x << ", " << y << " at scale " << scale;
            }
    }
}

TEST_F(OffLatticeOutputsTest, PictureFilesHoldTheDrawnPixels)
{
    OffLatticeGrowth growth(4, 2000);
    growth.run({2000, 0});
    const OffLatticePicture picture(growth.particles(), 123, 77, 0.7, true);
    std::string expected;
    std::vector<std::uint8_t> buffer(123 * 3);
    for (std::int32_t y = 0; y < 77; ++y) {
        const std::uint8_t* row = picture.row(y, buffer.data());
        for (std::int32_t x = 0; x < 123; ++x)
            expected += {static_cast<char>(row[x * 3 + 2]), static_cast<char>(row[x * 3 + 1]), static_cast<char>(row[x * 3])};
    }
    for (const char* name : {"cluster.png", "cluster.bmp"}) {
        PictureFile::save(picture, (folder / name).string());
        EXPECT_EQ(identify(folder / name, "%w %h"), "123 77") << name;
        EXPECT_TRUE(decodedPixels(folder / name) == expected) << name;
    }
}

TEST_F(OffLatticeOutputsTest, TheParticleListReadsBackAsTheClusterExactly)
{
    OffLatticeGrowth growth(8, 1500);
    growth.run({1500, 0});
    const fs::path path = folder / "particles.csv";
    OffLatticeParticleList::save(growth.particles(), path.string());
    std::istringstream in(fileText(path));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "index,x,y,parent");
    std::size_t rows = 0;
    while (std::getline(in, line)) {
        const OffLatticeParticle& p = growth.particles()[rows + 1];
        char* end = nullptr;
        const long index = std::strtol(line.c_str(), &end, 10);
        const double x = std::strtod(end + 1, &end);
        const double y = std::strtod(end + 1, &end);
        const long parent = std::strtol(end + 1, &end, 10);
        ASSERT_EQ(*end, '\0') << line;
        ASSERT_EQ(index, static_cast<long>(rows));
        ASSERT_EQ(x, p.at.x) << line; // exactly the same double
        ASSERT_EQ(y, p.at.y) << line;
        ASSERT_EQ(parent, p.parent);
        ++rows;
    }
    EXPECT_EQ(rows, 1500u);
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"particles.csv"});
}

TEST(GrowthLawDimensionTest, FitsTheSlopeFromAHundredParticlesOverTwoDecadesOrMore)
{
    // N = 3 R^1.7 exactly: the slope of log N against log R is 1.7; the samples below a hundred
    // particles (here made to lie far off the line) are left out.
    auto sample = [](double n, double dimension) { return GrowthLawDimension::Sample{static_cast<std::int64_t>(n), std::pow(n / 3, 1 / dimension)}; };
    std::vector<GrowthLawDimension::Sample> samples{sample(10, 1.0), sample(50, 1.0)};
    for (int k = 40; k <= 80; ++k) // 10^2 to 10^4, 20 a decade
        samples.push_back(sample(std::round(std::pow(10.0, k / 20.0)), 1.7));
    ASSERT_TRUE(GrowthLawDimension::estimate(samples).has_value());
    EXPECT_NEAR(*GrowthLawDimension::estimate(samples), 1.7, 1e-3);
    samples.pop_back(); // just short of two decades
    EXPECT_FALSE(GrowthLawDimension::estimate(samples).has_value());
    EXPECT_FALSE(GrowthLawDimension::estimate({}).has_value());
}
