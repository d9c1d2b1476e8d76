#include "files/BmpFile.h"
#include "picture/FieldRows.h"
#include "lattice/FixedSettingsHost.h"
#include "picture/PictureFile.h"
#include "lattice/ProgramState.h"
#include "lattice/RunFrame.h"
#include "files/SaveError.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

/// ImageMagick's reading: "width height bits-per-channel format colour-type" (2 is RGB).
const std::string PngReading = "%w %h %z %m %[png:IHDR.color-type-orig]";

using PngFileTest = TempFolderTest;

} // namespace

TEST(PictureFileName, PngOnlyForANameEndingInPngInAnyCase)
{
    for (const char* png : {"tree.png", "/pics/TREE.PNG", "a.b.PnG", ".png"})
        EXPECT_TRUE(PictureFile::isPngName(png)) << png;
    for (const char* bmp : {"tree.bmp", "tree.png.bmp", "tree.pngx", "treepng", "png", "", "tree.jpg"})
        EXPECT_FALSE(PictureFile::isPngName(bmp)) << bmp;
}

TEST_F(PngFileTest, AGrownPictureReadsBackAsRgbWithTheBmpsPixels)
{
    // An odd width (rows padded in the BMP) and a plant grown through its column wrap.
    ProgramState state(5);
    state.resizePlant(FieldSize{151, 120});
    FixedSettingsHost host;
    RunFrame(state, host).runPlantLife();
    const fs::path png = folder / "plant.png";
    const fs::path bmp = folder / "plant.bmp";
    PictureFile::save(state.plantField(), png.string());
    PictureFile::save(state.plantField(), bmp.string());

    EXPECT_EQ(fileText(png).substr(1, 3), "PNG");
    EXPECT_EQ(identify(png, PngReading), "151 120 8 PNG 2");
    const std::string pixels = decodedPixels(png);
    ASSERT_EQ(pixels.size(), 151u * 120u * 3u);
    EXPECT_EQ(pixels, decodedPixels(bmp));
    // Printed at the BMP's resolution, 3780 pixels a metre.
    EXPECT_EQ(identify(png, "%x %y %U"), identify(bmp, "%x %y %U"));
    EXPECT_EQ(identify(png, "%U"), "PixelsPerCentimeter");
    EXPECT_NE(pixels.find(std::string(3, '\xFF')), std::string::npos) << "the plant is in the picture";

    // Written row by row, a BMP is the same file as the field's one-write save.
    const fs::path byRows = folder / "rows.bmp";
    PictureFile::save(FieldRows(state.plantField()), byRows.string());
    EXPECT_EQ(fileText(byRows), fileText(bmp));
}

TEST_F(PngFileTest, AShortWriteKeepsTheOldFileWhole)
{
    const fs::path path = folder / "kept.png";
    std::ofstream(path) << "the old picture";
    ProgramState state(0);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 40; // room for the signature and the header, not for the pixels
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        PictureFile::save(state.snowField(), path.string());
    } catch (const SaveError& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(message, "Stream write error");
    EXPECT_EQ(fileText(path), "the old picture");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
        << "no temporary file left behind";
}
