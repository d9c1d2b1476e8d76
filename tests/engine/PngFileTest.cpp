#include "BmpFile.h"
#include "FieldRows.h"
#include "FixedSettingsHost.h"
#include "PictureFile.h"
#include "ProgramState.h"
#include "RunFrame.h"
#include "SaveError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string commandOutput(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "could not run: " + command;
    std::string output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    pclose(pipe);
    return output;
}

/// ImageMagick's reading: "width height bits-per-channel format colour-type" (2 is RGB).
std::string identify(const fs::path& path)
{
    return commandOutput("identify -format '%w %h %z %m %[png:IHDR.color-type-orig]' '" + path.string() + "' 2>&1");
}

/// The pixels as ImageMagick decodes them: red, green, blue bytes, top row first.
std::string decodedPixels(const fs::path& path)
{
    return commandOutput("convert '" + path.string() + "' rgb:- 2>&1");
}

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class PngFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("dla-png-test-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};

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
    EXPECT_EQ(identify(png), "151 120 8 PNG 2");
    const std::string pixels = decodedPixels(png);
    ASSERT_EQ(pixels.size(), 151u * 120u * 3u);
    EXPECT_EQ(pixels, decodedPixels(bmp));
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
