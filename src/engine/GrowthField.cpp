#include "GrowthField.h"

#include "AvailableMemory.h"
#include "FieldSizeError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>

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

/// A white pixel block with zero padding at the end of each row.
std::vector<std::uint8_t> whitePixelBlock(std::int32_t width, std::int32_t height, std::size_t rowBytes)
{
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height), 0);
    const std::size_t colourBytes = static_cast<std::size_t>(width) * 3;
    for (std::int32_t row = 0; row < height; ++row)
        std::memset(pixels.data() + static_cast<std::size_t>(row) * rowBytes, 0xFF, colourBytes);
    return pixels;
}

} // namespace

GrowthField::GrowthField(std::int32_t width, std::int32_t height, ColumnMap columnMap)
    : width_(0), height_(0), columnMap_(columnMap), rowBytes_(0), countWidth_(0), countHeight_(0)
{
    resize(width, height);
}

std::size_t GrowthField::rowBytesFor(std::int32_t width)
{
    return (static_cast<std::size_t>(width) * 24 + 31) / 32 * 4;
}

void GrowthField::checkSize(std::int64_t width, std::int64_t height)
{
    checkSize(width, height, AvailableMemory::bytes());
}

void GrowthField::checkSize(std::int64_t width, std::int64_t height, std::uint64_t availableBytes)
{
    if (width < 1 || height < 1 || width > INT32_MAX - 2 * PadColumns || height > INT32_MAX - 2 * PadRows)
        throw FieldSizeError("A picture cannot have " + sizeText(width, height));
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * 24 + 31) / 32 * 4;
    const std::uint64_t pixelBytes = rowBytes * static_cast<std::uint64_t>(height);
    const std::uint64_t countBytes = static_cast<std::uint64_t>(width + 2 * PadColumns) *
                                     static_cast<std::uint64_t>(height + 2 * PadRows);
    if (pixelBytes + countBytes > availableBytes)
        throw FieldSizeError("Not enough memory for a picture of " + sizeText(width, height));
    // The BMP header holds the file size in 32 bits.
    if (pixelBytes >= (std::uint64_t{1} << 32) - 54)
        throw FieldSizeError("A picture of " + sizeText(width, height) +
                             " is too large to be saved as a BMP file (4 GiB or more)");
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
    if (wasWhite != nowWhite)
        countWhitePixel(x, y, nowWhite ? +1 : -1);
    markDamaged(x, y, 1, 1);
}

void GrowthField::resize(std::int32_t width, std::int32_t height)
{
    if (width == width_ && height == height_)
        return;
    checkSize(width, height);
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> counts;
    const std::size_t rowBytes = rowBytesFor(width);
    try {
        pixels = whitePixelBlock(width, height, rowBytes);
        counts.assign(static_cast<std::size_t>(width + 2 * PadColumns) *
                          static_cast<std::size_t>(height + 2 * PadRows),
                      0);
    } catch (const std::bad_alloc&) {
        throw FieldSizeError("Not enough memory for a picture of " + sizeText(width, height));
    }
    // The old picture keeps its place in the top-left corner, cut at the new edges.
    const std::size_t keptBytes = static_cast<std::size_t>(std::min(width, width_)) * 3;
    for (std::int32_t y = 0; y < std::min(height, height_); ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(height - 1 - y) * rowBytes,
                    pixels_.data() + pixelOffset(0, y), keptBytes);

    pixels_.swap(pixels);
    touchCounts_.swap(counts);
    width_ = width;
    height_ = height;
    rowBytes_ = rowBytes;
    countWidth_ = width + 2 * PadColumns;
    countHeight_ = height + 2 * PadRows;
    rebuildTouchCounts();
    ++generation_;
    damage_ = PixelRect{};
    markDamaged(0, 0, width_, height_);
}

void GrowthField::fillRows(std::int32_t firstRow, std::int32_t lastRow, std::uint32_t colour)
{
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, height_ - 1);
    if (firstRow > lastRow)
        return;
    for (std::int32_t y = firstRow; y <= lastRow; ++y) {
        std::uint8_t* pixel = pixels_.data() + pixelOffset(0, y);
        for (std::int32_t x = 0; x < width_; ++x, pixel += 3)
            putColour(pixel, colour);
    }
    // Filling whole rows touches many pixels; counting afresh is cheaper than one by one.
    rebuildTouchCounts();
    ++generation_;
    markDamaged(0, firstRow, width_, lastRow - firstRow + 1);
}

std::int32_t GrowthField::mapColumn(std::int32_t a) const
{
    if (columnMap_ == ColumnMap::Ring) {
        if (a == 0)
            return width_ - 1;
        if (a == width_)
            return 1;
    }
    return a;
}

bool GrowthField::touchesByReads(std::int32_t x, std::int32_t y) const
{
    const std::int32_t right = mapColumn(x + 1);
    const std::int32_t left = mapColumn(x - 1);
    return isWhite(right, y) || isWhite(left, y) || isWhite(x, y + 1) || isWhite(x, y - 1) ||
           isWhite(right, y + 1) || isWhite(left, y + 1) || isWhite(right, y - 1) || isWhite(left, y - 1);
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

void GrowthField::countWhitePixel(std::int32_t px, std::int32_t py, int delta)
{
    auto add = [&](std::int32_t x, std::int32_t y) {
        const std::size_t index = static_cast<std::size_t>(y + PadRows) * static_cast<std::size_t>(countWidth_) +
                                  static_cast<std::size_t>(x + PadColumns);
        touchCounts_[index] = static_cast<std::uint8_t>(touchCounts_[index] + delta);
    };
    // The two reads in the wanderer's own column: from the row above and the row below.
    add(px, py - 1);
    add(px, py + 1);
    // The six side reads go through the column map: every column a that maps onto px is read
    // by the wanderers standing at a - 1 (their right side) and a + 1 (their left side).
    std::array<std::int32_t, 3> sources{px, 0, width_};
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const std::int32_t a = sources[i];
        const bool seenBefore = std::find(sources.begin(), sources.begin() + static_cast<std::ptrdiff_t>(i), a) !=
                                sources.begin() + static_cast<std::ptrdiff_t>(i);
        if (seenBefore || mapColumn(a) != px)
            continue;
        for (std::int32_t y = py - 1; y <= py + 1; ++y) {
            add(a - 1, y);
            add(a + 1, y);
        }
    }
}

void GrowthField::rebuildTouchCounts()
{
    std::fill(touchCounts_.begin(), touchCounts_.end(), 0);
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint8_t* pixel = pixels_.data() + pixelOffset(0, y);
        for (std::int32_t x = 0; x < width_; ++x, pixel += 3)
            if (isWhitePixel(pixel))
                countWhitePixel(x, y, +1);
    }
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
