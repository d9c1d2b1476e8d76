#include "picture/PictureFile.h"

#include "files/BmpFile.h"
#include "picture/FieldRows.h"
#include "files/PngFile.h"

#include <algorithm>
#include <cctype>

bool PictureFile::isPngName(const std::string& path)
{
    constexpr std::string_view extension = ".png";
    if (path.size() < extension.size())
        return false;
    return std::equal(extension.begin(), extension.end(), path.end() - static_cast<std::ptrdiff_t>(extension.size()),
                      [](char wanted, char actual) {
                          return wanted == std::tolower(static_cast<unsigned char>(actual));
                      });
}

std::uint64_t PictureFile::workingBytesFor(std::int64_t width)
{
    // zlib's deflate at its default window (15 bits) and memory level (8) takes
    // 2^17 + 2^17 bytes and a few kilobytes of state; libpng adds its structures and 8 KiB
    // output buffers, the save its names and descriptors: 64 KiB covers them.
    constexpr std::uint64_t Compressor = (std::uint64_t{1} << 17) + (std::uint64_t{1} << 17) + (16 << 10);
    constexpr std::uint64_t WriterState = 64 << 10;
    const std::uint64_t row = GrowthField::rowBytesFor(static_cast<std::int32_t>(width)) + 1;
    return 2 * row + Compressor + WriterState;
}

void PictureFile::save(const GrowthField& field, const std::string& path)
{
    if (isPngName(path))
        PngFile::save(FieldRows(field), path);
    else
        BmpFile::savePixelBlock(field.pixelBlock(), field.width(), field.height(), path); // in one write
}

void PictureFile::save(const PictureRows& picture, const std::string& path)
{
    if (isPngName(path))
        PngFile::save(picture, path);
    else
        BmpFile::save(picture, path);
}
