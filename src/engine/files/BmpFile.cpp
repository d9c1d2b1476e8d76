#include "files/BmpFile.h"

#include "files/SafeSave.h"

#include <cstring>
#include <vector>

namespace {

void putLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t pixelBlockSize(std::int32_t width, std::int32_t height)
{
    return static_cast<std::uint32_t>(BmpFile::pixelBlockBytesFor(width, height));
}

} // namespace

std::size_t BmpFile::rowBytesFor(std::int32_t width)
{
    return (static_cast<std::size_t>(width) * 24 + 31) / 32 * 4;
}

std::uint64_t BmpFile::pixelBlockBytesFor(std::int64_t width, std::int64_t height)
{
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    return rowBytes * static_cast<std::uint64_t>(height);
}

std::string BmpFile::fileNameFor(const std::string& name)
{
    // Step back over four UTF-8 characters; continuation bytes are 10xxxxxx.
    std::size_t position = name.size();
    for (int characters = 0; characters < 4; ++characters) {
        if (position == 0)
            return name + ".bmp";
        --position;
        while (position > 0 && (static_cast<unsigned char>(name[position]) & 0xC0) == 0x80)
            --position;
    }
    return name[position] == '.' ? name : name + ".bmp";
}

std::uint64_t BmpFile::fileSize(std::int64_t width, std::int64_t height)
{
    return FileHeaderSize + InfoHeaderSize + pixelBlockBytesFor(width, height);
}

std::array<std::uint8_t, BmpFile::FileHeaderSize> BmpFile::fileHeader(std::int32_t width, std::int32_t height)
{
    std::array<std::uint8_t, FileHeaderSize> header{};
    header[0] = 'B';
    header[1] = 'M';
    putLittleEndian(&header[2], static_cast<std::uint32_t>(fileSize(width, height)), 4);
    putLittleEndian(&header[10], FileHeaderSize + InfoHeaderSize, 4);
    return header;
}

std::array<std::uint8_t, BmpFile::InfoHeaderSize> BmpFile::infoHeader(std::int32_t width, std::int32_t height)
{
    std::array<std::uint8_t, InfoHeaderSize> header{};
    putLittleEndian(&header[0], InfoHeaderSize, 4);
    putLittleEndian(&header[4], static_cast<std::uint32_t>(width), 4);
    putLittleEndian(&header[8], static_cast<std::uint32_t>(height), 4); // positive: bottom-up rows
    putLittleEndian(&header[12], 1, 2);                                 // planes
    putLittleEndian(&header[14], 24, 2);                                // bits per pixel
    putLittleEndian(&header[16], 0, 4);                                 // uncompressed
    putLittleEndian(&header[20], pixelBlockSize(width, height), 4);
    putLittleEndian(&header[24], PixelsPerMetre, 4);
    putLittleEndian(&header[28], PixelsPerMetre, 4);
    return header;
}

void BmpFile::savePixelBlock(const std::uint8_t* block, std::int32_t width, std::int32_t height,
                             const std::string& path)
{
    const auto fileBytes = fileHeader(width, height);
    const auto infoBytes = infoHeader(width, height);
    SafeSave::save(path, [&](int fd) {
        return SafeSave::writeAll(fd, fileBytes.data(), fileBytes.size()) &&
               SafeSave::writeAll(fd, infoBytes.data(), infoBytes.size()) &&
               SafeSave::writeAll(fd, block, pixelBlockBytesFor(width, height));
    });
}

void BmpFile::save(const PictureRows& picture, const std::string& path)
{
    const auto fileBytes = fileHeader(picture.width(), picture.height());
    const auto infoBytes = infoHeader(picture.width(), picture.height());
    const std::size_t colourBytes = static_cast<std::size_t>(picture.width()) * 3;
    // One row with its zero padding; a row the picture paints goes straight into it.
    std::vector<std::uint8_t> row(rowBytesFor(picture.width()), 0);
    SafeSave save(path);
    bool writing = save.write(fileBytes.data(), fileBytes.size()) && save.write(infoBytes.data(), infoBytes.size());
    for (std::int32_t y = picture.height() - 1; writing && y >= 0; --y) {
        const std::uint8_t* pixels = picture.row(y, row.data());
        if (pixels != row.data())
            std::memcpy(row.data(), pixels, colourBytes);
        writing = save.write(row.data(), row.size());
    }
    save.commit();
}
