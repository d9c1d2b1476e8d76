// The 3D off-lattice picture: nearer spheres hide farther ones (the earlier of equals), the
// light comes from the upper left, colours by age times the shading, every disc whole and
// upright, farther spheres dimmer; and the PLY point cloud's bytes as its header says.

#include "files/PlyPointCloud.h"
#include "files/SaveError.h"
#include "offlattice3d/OffLattice3DPicture.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Pixel {
    int blue, green, red;
};

Pixel pixelAt(const OffLattice3DPicture& picture, std::int32_t x, std::int32_t y)
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(picture.width()) * 3);
    const std::uint8_t* row = picture.row(y, buffer.data());
    return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

} // namespace

TEST(OffLattice3DPictureTest, NearerSpheresHideFartherOnesAndTheLightComesFromTheUpperLeft)
{
    // At 20 pixels a diameter in a picture of 60 x 60: the origin particle at the centre, a
    // second one half a diameter to its right and a diameter nearer the viewer, a third as far
    // to the left and a diameter farther away.
    const std::vector<SpaceParticle> particles{{{0, 0, 0}, -1, -1}, {{0.5, 0, 1}, -1, -1}, {{-0.5, 0, -1}, -1, -1}};
    const OffLattice3DPicture white(particles, 60, 60, 20.0, false);
    const OffLattice3DPicture byAge(particles, 60, 60, 20.0, true);
    // Right of the centre the nearer sphere is seen, in the first arrival's colour (purple),
    // not the origin particle's grey; left of it the origin particle, not the farther sphere
    // behind it, the last arrival's yellow.
    const Pixel right = pixelAt(byAge, 36, 30);
    const Pixel left = pixelAt(byAge, 24, 30);
    EXPECT_GT(right.blue, right.green + 20) << "the nearer sphere on the right is the first arrival, purple";
    const Pixel leftWhite = pixelAt(white, 24, 30);
    EXPECT_EQ(left.red == left.green && left.green == left.blue, true) << "the origin particle's colour is grey or white";
    EXPECT_GT(leftWhite.red, 0);
    // On one sphere (the nearer one, centred at pixel 40, 30), its upper left is lit more than
    // its lower right; the background stays black.
    const Pixel upperLeft = pixelAt(white, 35, 25);
    const Pixel lowerRight = pixelAt(white, 45, 35);
    EXPECT_GT(upperLeft.red, lowerRight.red + 40);
    const Pixel background = pixelAt(white, 2, 2);
    EXPECT_EQ(background.red + background.green + background.blue, 0);
    // The shading itself: full light towards the light, the ambient share facing away.
    EXPECT_NEAR(OffLattice3DPicture::shading(-1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 1 / std::sqrt(3.0)), 1.0, 1e-12);
    EXPECT_NEAR(OffLattice3DPicture::shading(1, 0, 0), OffLattice3DPicture::Ambient, 1e-12);

    // Two spheres at the same depth in one pixel (half a pixel a diameter): the earlier arrival
    // shows, in the first arrival's purple (more blue than red) rather than the last one's
    // yellow, so a picture does not depend on the order in which the spheres are drawn.
    const std::vector<SpaceParticle> level{{{0, 0, -10}, -1, -1}, {{6, 0, 0}, -1, -1}, {{7, 0, 0}, -1, -1}};
    const Pixel shared = pixelAt(OffLattice3DPicture(level, 20, 20, 0.5, true), 13, 10);
    EXPECT_GT(shared.blue, shared.red) << "the later of two spheres at one depth hides the earlier";
}

TEST(OffLattice3DPictureTest, EveryPixelInsideADiscIsLitUprightAndFartherSpheresAreDimmerAtAnyScale)
{
    // At 20 pixels a diameter in 100 x 100 pixels, the origin at pixel (50, 50): a sphere one
    // and a half diameters up and two nearer the viewer, one as far down and two farther away.
    // A pixel is lit exactly when its centre lies inside the disc of a sphere, +y upwards (disc
    // centres at rows 20 and 80); the pixels just off a disc's centre, lit alike by the light,
    // differ by the depth's dimming alone: full for the nearest sphere, FarthestBrightness for
    // the farthest.
    constexpr double Scale = 20.0;
    const std::vector<SpaceParticle> particles{{{0, 0, 0}, -1, -1}, {{0, 1.5, 2}, -1, -1}, {{0, -1.5, -2}, -1, -1}};
    const OffLattice3DPicture picture(particles, 100, 100, Scale, false);
    int wrong = 0;
    for (std::int32_t y = 0; y < 100; ++y)
        for (std::int32_t x = 0; x < 100; ++x) {
            bool inside = false;
            for (const SpaceParticle& p : particles) {
                const double dx = x + 0.5 - (50 + p.at.x * Scale), dy = y + 0.5 - (50 - p.at.y * Scale);
                inside = inside || dx * dx + dy * dy < Scale * Scale / 4;
            }
            if (inside != (pixelAt(picture, x, y).red > 0))
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "pixels lit outside the discs or dark inside them";
    const double nearest = pixelAt(picture, 50, 20).red;
    const double farthest = pixelAt(picture, 50, 80).red;
    EXPECT_GT(nearest, 150.0);
    EXPECT_NEAR(farthest / nearest, OffLattice3DPicture::FarthestBrightness, 0.01);

    // At half a pixel a diameter no pixel centre lies inside these discs, yet each sphere still
    // lights the pixel its centre falls in (there is no other particle there), and nothing else.
    const std::vector<SpaceParticle> specks{{{0, 0, 0}, -1, -1}, {{7.6, 5.6, 1}, -1, -1}, {{-9.6, -3.3, -1}, -1, -1}};
    const OffLattice3DPicture small(specks, 20, 20, 0.5, false);
    int lit = 0;
    for (std::int32_t y = 0; y < 20; ++y)
        for (std::int32_t x = 0; x < 20; ++x)
            lit += pixelAt(small, x, y).red > 0;
    EXPECT_EQ(lit, 3);
    for (const SpaceParticle& p : specks) {
        const auto x = static_cast<std::int32_t>(std::floor(10 + p.at.x / 2)), y = static_cast<std::int32_t>(std::floor(10 - p.at.y / 2));
        EXPECT_GT(pixelAt(small, x, y).red, 0) << "the sphere at " << p.at.x << ", " << p.at.y << " is not drawn";
    }
}

class PlyPointCloudTest : public TempFolderTest {};

TEST_F(PlyPointCloudTest, APlyPointCloudHoldsItsHeaderAndLittleEndianVerticesAndAllItPromised)
{
    const std::string path = (folder / "cloud.ply").string();
    {
        PlyPointCloud cloud(path, 2);
        cloud.write(0, 0, 0, -1);
        cloud.write(1.5, -2.25, 0.125, 0);
        cloud.commit();
    }
    const std::string bytes = fileText(path);
    const std::string header = PlyPointCloud::header(2);
    ASSERT_EQ(bytes.size(), PlyPointCloud::fileBytes(2));
    ASSERT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_NE(header.find("format binary_little_endian 1.0\n"), std::string::npos);
    EXPECT_NE(header.find("element vertex 2\n"), std::string::npos);
    const unsigned char* second = reinterpret_cast<const unsigned char*>(bytes.data()) + header.size() + PlyPointCloud::VertexBytes;
    // 1.5 is 0x3FF8000000000000, least significant byte first; the parent 0 in four bytes.
    const unsigned char onePointFive[8] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    EXPECT_EQ(std::memcmp(second, onePointFive, 8), 0);
    const unsigned char minusOne[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(bytes.data() + header.size() + 24, minusOne, 4), 0);
    // A cloud given fewer vertices than its header promised is not put in place.
    {
        PlyPointCloud cloud((folder / "short.ply").string(), 3);
        cloud.write(0, 0, 0, -1);
        EXPECT_THROW(cloud.commit(), SaveError);
    }
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"cloud.ply"}) << "no short file, no temporary file";
}
