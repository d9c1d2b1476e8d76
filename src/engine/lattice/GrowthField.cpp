#include "lattice/GrowthField.h"

#include "memory/AvailableMemory.h"
#include "files/BmpFile.h"
#include "lattice/FieldSizeError.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace {

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

/// The bytes of one pixel in the pixel block are blue, green, red.
void putColour(std::uint8_t* pixel, std::uint32_t colour)
{
    pixel[0] = static_cast<std::uint8_t>(colour >> 16);
    pixel[1] = static_cast<std::uint8_t>(colour >> 8);
    pixel[2] = static_cast<std::uint8_t>(colour);
}

bool isWhitePixel(const std::uint8_t* pixel)
{
    return pixel[0] == 0xFF && pixel[1] == 0xFF && pixel[2] == 0xFF;
}

} // namespace

GrowthField::GrowthField(std::int32_t width, std::int32_t height, ColumnMap columnMap)
    : width_(0), height_(0), columnMap_(columnMap), rowBytes_(0), touchCounts_(columnMap)
{
    reset(width, height, height);
}

std::size_t GrowthField::rowBytesFor(std::int32_t width)
{
    return BmpFile::rowBytesFor(width);
}

std::uint64_t GrowthField::pixelBlockBytesFor(std::int64_t width, std::int64_t height)
{
    return BmpFile::pixelBlockBytesFor(width, height);
}

std::uint64_t GrowthField::bytesFor(std::int64_t width, std::int64_t height)
{
    return PageMemory::bytesFor(pixelBlockBytesFor(width, height)) + TouchCounts::bytesFor(width, height);
}

void GrowthField::checkSize(std::int64_t width, std::int64_t height)
{
    checkSize(width, height, AvailableMemory::bytes());
}

void GrowthField::checkSize(std::int64_t width, std::int64_t height, std::uint64_t availableBytes)
{
    if (width < 1 || height < 1 || width > INT32_MAX - 2 * TouchView::PadColumns ||
        height > INT32_MAX - 2 * TouchView::PadRows)
        throw FieldSizeError("A picture cannot have " + sizeText(width, height));
    if (bytesFor(width, height) > availableBytes)
        throw FieldSizeError("Not enough memory for a picture of " + sizeText(width, height));
    // The BMP header holds the file size in 32 bits.
    if (BmpFile::fileSize(width, height) >= std::uint64_t{1} << 32)
        throw FieldSizeError("A picture of " + sizeText(width, height) +
                             " is too large to be saved as a BMP file, which must stay below 4 GiB");
}

std::uint32_t GrowthField::read(std::int32_t x, std::int32_t y) const
{
    if (!inside(x, y))
        return Outside;
    const std::uint8_t* pixel = pixels_.data() + pixelOffset(x, y);
    return static_cast<std::uint32_t>(pixel[2]) | static_cast<std::uint32_t>(pixel[1]) << 8 |
           static_cast<std::uint32_t>(pixel[0]) << 16;
}

void GrowthField::write(std::int32_t x, std::int32_t y, std::uint32_t colour)
{
    if (!inside(x, y))
        return;
    std::uint8_t* pixel = pixels_.data() + pixelOffset(x, y);
    const bool wasWhite = isWhitePixel(pixel);
    putColour(pixel, colour);
    const bool nowWhite = isWhitePixel(pixel);
    if (!wasWhite && nowWhite)
        touchCounts_.addWhitePixel(x, y);
    else if (wasWhite && !nowWhite)
        touchCounts_.removeWhitePixel(x, y);
    markDamaged(x, y, 1, 1);
}

void GrowthField::reset(std::int32_t width, std::int32_t height, std::int32_t whiteRows)
{
    const bool sameSize = width == width_ && height == height_;
    // The same size needs no memory beyond what the field holds already.
    if (sameSize)
        checkSize(width, height, UINT64_MAX);
    else
        checkSize(width, height);
    const std::size_t rowBytes = rowBytesFor(width);
    PageBlock<std::uint8_t> pixels;
    try {
        // A black picture is all zero bytes, its row padding included: fresh zeroed pages are
        // the black picture, written once. The same size clears the block it has.
        if (!sameSize)
            pixels = PageBlock<std::uint8_t>(rowBytes * static_cast<std::size_t>(height));
        touchCounts_.reset(width, height, whiteRows);
    } catch (const std::bad_alloc&) {
        throw FieldSizeError("Not enough memory for a picture of " + sizeText(width, height));
    }
    if (sameSize)
        std::fill(pixels_.begin(), pixels_.end(), std::uint8_t{0});
    else
        pixels_ = std::move(pixels);
    width_ = width;
    height_ = height;
    rowBytes_ = rowBytes;
    // The bottom rows come first in the block.
    const std::size_t colourBytes = static_cast<std::size_t>(width) * 3;
    for (std::int32_t row = 0; row < std::clamp(whiteRows, 0, height); ++row)
        std::memset(pixels_.data() + static_cast<std::size_t>(row) * rowBytes_, 0xFF, colourBytes);
    ++generation_;
    damage_ = PixelRect{0, 0, width_, height_};
}

std::optional<FieldPoint> GrowthField::firstTouchedPixel(std::int32_t x, std::int32_t y) const
{
    const std::int32_t right = mapColumn(x + 1);
    const std::int32_t left = mapColumn(x - 1);
    const FieldPoint reads[8] = {{right, y},     {left, y},     {x, y + 1},     {x, y - 1},
                                 {right, y + 1}, {left, y + 1}, {right, y - 1}, {left, y - 1}};
    for (const FieldPoint& read : reads)
        if (isWhite(read.x, read.y))
            return read;
    return std::nullopt;
}

void GrowthField::markDamaged(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    if (damage_.isEmpty()) {
        damage_ = PixelRect{x, y, width, height};
        return;
    }
    const std::int32_t left = std::min(damage_.x, x);
    const std::int32_t top = std::min(damage_.y, y);
    const std::int32_t right = std::max(damage_.x + damage_.width, x + width);
    const std::int32_t bottom = std::max(damage_.y + damage_.height, y + height);
    damage_ = PixelRect{left, top, right - left, bottom - top};
}

PixelRect GrowthField::takeDamage() const
{
    const PixelRect damage = damage_;
    damage_ = PixelRect{};
    return damage;
}
