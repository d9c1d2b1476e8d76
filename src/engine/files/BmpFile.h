#pragma once

#include "files/PictureRows.h"

#include <array>
#include <cstdint>
#include <string>

/// A picture as an uncompressed 24-bit Windows BMP file: 14-byte file header, 40-byte info
/// header, then the pixel block (bottom-up rows, blue-green-red, zero padding: the layout the
/// lattice fields keep in memory, so a field saves in one write), 3780 pixels per metre.
class BmpFile {
public:
    static constexpr std::size_t FileHeaderSize = 14;
    static constexpr std::size_t InfoHeaderSize = 40;
    static constexpr std::int32_t PixelsPerMetre = 3780;

    /// The bytes of one row of the pixel block: three a pixel, padded to a multiple of four.
    static std::size_t rowBytesFor(std::int32_t width);
    /// The bytes of a width x height pixel block, in 64 bits: a size being checked may not fit in 32.
    static std::uint64_t pixelBlockBytesFor(std::int64_t width, std::int64_t height);

    /// The name a save writes to: `name` itself when its fourth character from the end is a full
    /// stop, else `name` + ".bmp". Characters are counted in UTF-8, not bytes.
    static std::string fileNameFor(const std::string& name);

    /// The 14-byte file header and the 40-byte info header of a picture of this size.
    static std::array<std::uint8_t, FileHeaderSize> fileHeader(std::int32_t width, std::int32_t height);
    static std::array<std::uint8_t, InfoHeaderSize> infoHeader(std::int32_t width, std::int32_t height);
    /// The size of the file of a width x height picture: both headers and the pixel block.
    static std::uint64_t fileSize(std::int64_t width, std::int64_t height);

    /// Writes a width x height pixel block, already in the file's layout, to `path` (the
    /// file-name rule already applied) through SafeSave in one write, so the old file stays
    /// whole until the new one is complete. Throws SaveError as SafeSave does.
    static void savePixelBlock(const std::uint8_t* block, std::int32_t width, std::int32_t height,
                               const std::string& path);
    /// Writes any picture the same way, row by row (bottom row first, as BMP keeps them).
    static void save(const PictureRows& picture, const std::string& path);
};
