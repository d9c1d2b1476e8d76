#include "files/BmpFile.h"
#include "picture/PictureFile.h"
#include "lattice/ProgramState.h"
#include "files/SaveError.h"
#include "TestFiles.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

/// What an independent decoder (ImageMagick) makes of a BMP file: "width height bits-per-channel channels format".
const std::string BmpReading = "%w %h %z %[channels] %m";

std::vector<std::uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t littleEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

using BmpFileTest = TempFolderTest;

} // namespace

TEST(BmpFileName, AppendsBmpUnlessTheFourthCharacterFromTheEndIsAFullStop)
{
    const std::pair<std::string, std::string> table[] = {
        {"/pics/tree.bmp", "/pics/tree.bmp"},      {"/pics/TREE.BMP", "/pics/TREE.BMP"},
        {"/pics/tree.ico", "/pics/tree.ico"},      {"/pics/tree", "/pics/tree.bmp"},
        {"/pics/tree.jpeg", "/pics/tree.jpeg.bmp"}, {"/pics/tree.gz", "/pics/tree.gz.bmp"},
        {"/pics/a.b.c", "/pics/a.b.c"},            {".bmp", ".bmp"},
        {"bmp", "bmp.bmp"},                        {"", ".bmp"},
        {"/pics/bäum.jpé", "/pics/bäum.jpé"}, // characters, not bytes
        {"/pics/é.bmp", "/pics/é.bmp"},
        {"/pics/ab.é", "/pics/ab.é.bmp"},
    };
    for (const auto& [name, written] : table)
        EXPECT_EQ(BmpFile::fileNameFor(name), written) << name;
}

TEST_F(BmpFileTest, StartPlantPictureIsTheKnownFile)
{
    ProgramState state(0);
    const fs::path path = folder / "plant.bmp";
    PictureFile::save(state.plantField(), path.string());
    const auto bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 135654u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(littleEndian(bytes, 2, 4), 135654u);
    EXPECT_EQ(littleEndian(bytes, 6, 4), 0u);
    EXPECT_EQ(littleEndian(bytes, 10, 4), 54u);
    EXPECT_EQ(littleEndian(bytes, 14, 4), 40u);
    EXPECT_EQ(littleEndian(bytes, 18, 4), 150u);
    EXPECT_EQ(littleEndian(bytes, 22, 4), 300u);
    EXPECT_EQ(littleEndian(bytes, 26, 2), 1u);
    EXPECT_EQ(littleEndian(bytes, 28, 2), 24u);
    EXPECT_EQ(littleEndian(bytes, 30, 4), 0u);
    EXPECT_EQ(littleEndian(bytes, 34, 4), 135600u);
    EXPECT_EQ(littleEndian(bytes, 38, 4), 3780u);
    EXPECT_EQ(littleEndian(bytes, 42, 4), 3780u);
    EXPECT_EQ(littleEndian(bytes, 46, 4), 0u);
    EXPECT_EQ(littleEndian(bytes, 50, 4), 0u);
    for (std::size_t row = 0; row < 300; ++row) {
        const std::size_t start = 54 + row * 452;
        const std::uint8_t colour = row < 5 ? 0xFF : 0x00; // the file starts with the bottom strip
        for (std::size_t i = 0; i < 450; ++i)
            ASSERT_EQ(bytes[start + i], colour) << "row " << row << " byte " << i;
        EXPECT_EQ(bytes[start + 450], 0);
        EXPECT_EQ(bytes[start + 451], 0);
    }
    EXPECT_EQ(identify(path, BmpReading), "150 300 8 srgb BMP3");
}

TEST_F(BmpFileTest, SnowflakeAndOddWidthsHaveTheirRowLengths)
{
    ProgramState state(0);
    const fs::path snow = folder / "snow.bmp";
    PictureFile::save(state.snowField(), snow.string());
    const auto snowBytes = fileBytes(snow);
    ASSERT_EQ(snowBytes.size(), 270054u);
    // The seed at (150, 150) is in file row 300 - 1 - 150 = 149.
    EXPECT_EQ(snowBytes[54 + 149 * 900 + 150 * 3], 0xFF);
    EXPECT_EQ(identify(snow, BmpReading), "300 300 8 srgb BMP3");

    GrowthField odd(151, 20, ColumnMap::Identity);
    const fs::path oddPath = folder / "odd.bmp";
    PictureFile::save(odd, oddPath.string());
    const auto oddBytes = fileBytes(oddPath);
    ASSERT_EQ(oddBytes.size(), 54u + 456u * 20u);
    for (std::size_t row = 0; row < 20; ++row)
        for (std::size_t pad = 453; pad < 456; ++pad)
            EXPECT_EQ(oddBytes[54 + row * 456 + pad], 0);
    EXPECT_EQ(identify(oddPath, BmpReading), "151 20 8 srgb BMP3");
}

TEST_F(BmpFileTest, SavingOverAFileReplacesItAndLeavesNoTemporaryFile)
{
    const fs::path path = folder / "tree.ico";
    std::ofstream(path) << "old content";
    GrowthField field(12, 10, ColumnMap::Identity);
    PictureFile::save(field, path.string());
    EXPECT_EQ(fileBytes(path).size(), 54u + 36u * 10u);
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"tree.ico"});
}

TEST_F(BmpFileTest, AMissingFolderCannotBeCreated)
{
    GrowthField field(12, 10, ColumnMap::Identity);
    const std::string path = (folder / "no-such-folder" / "tree.bmp").string();
    try {
        PictureFile::save(field, path);
        FAIL() << "saved into a missing folder";
    } catch (const SaveError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + path);
    }
}

TEST_F(BmpFileTest, AFolderInTheWayIsNeverReplaced)
{
    GrowthField field(12, 10, ColumnMap::Identity);
    fs::create_directory(folder / "picture.bmp");
    expectFailure<SaveError>([&] { PictureFile::save(field, (folder / "picture.bmp").string()); },
                             "Cannot create file " + (folder / "picture.bmp").string());
    EXPECT_TRUE(fs::is_directory(folder / "picture.bmp"));
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"picture.bmp"});
}

TEST_F(BmpFileTest, AShortWriteKeepsTheOldFileWhole)
{
    const fs::path path = folder / "kept.bmp";
    std::ofstream(path) << "the old picture";
    ProgramState state(0);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096; // far below the 135654 bytes of the picture
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        PictureFile::save(state.plantField(), path.string());
    } catch (const SaveError& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(message, "Stream write error");
    std::ifstream in(path);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "the old picture");
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"kept.bmp"});
}

TEST_F(BmpFileTest, ASymbolicLinkIsFollowedAndStaysALink)
{
    fs::create_directory(folder / "real");
    const fs::path target = folder / "real" / "picture.bmp";
    std::ofstream(target) << "old";
    fs::create_symlink("real/picture.bmp", folder / "link.bmp");
    GrowthField field(10, 10, ColumnMap::Identity);
    PictureFile::save(field, (folder / "link.bmp").string());
    EXPECT_TRUE(fs::is_symlink(folder / "link.bmp"));
    EXPECT_EQ(fileBytes(target).size(), 54u + 32u * 10u);
    EXPECT_EQ(identify(folder / "link.bmp", BmpReading), "10 10 8 srgb BMP3");
}
