#pragma once

// What the engine's file tests share: a fresh folder per test, a file's bytes, and what
// ImageMagick (an independent decoder) makes of a picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

/// The whole output of a shell command (standard error too, when the command sends it there).
inline std::string commandOutput(const std::string& command)
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

/// ImageMagick's reading of a picture file, in the given identify format.
inline std::string identify(const fs::path& path, const std::string& format)
{
    return commandOutput("identify -format '" + format + "' '" + path.string() + "' 2>&1");
}

/// The pixels as ImageMagick decodes them: red, green, blue bytes, top row first.
inline std::string decodedPixels(const fs::path& path)
{
    return commandOutput("convert '" + path.string() + "' rgb:- 2>&1");
}

/// A file's bytes, as text.
inline std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// A test with a folder of its own, made empty before and removed after each test.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() /
                 ("dla-" + std::string(test->test_suite_name()) + "-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    /// The names in `where` (the test's folder unless given), sorted: a save must leave no
    /// temporary file behind.
    std::vector<std::string> filesIn(const fs::path& where) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(where))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> filesInFolder() const { return filesIn(folder); }

    fs::path folder;
};
