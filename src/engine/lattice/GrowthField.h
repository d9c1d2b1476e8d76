#pragma once

#include "lattice/ColumnMap.h"
#include "lattice/FieldPoint.h"
#include "memory/PageBlock.h"
#include "lattice/PixelRect.h"
#include "lattice/TouchCounts.h"
#include "lattice/TouchView.h"

#include <cstddef>
#include <cstdint>
#include <optional>

/// One mode's 24-bit picture, W columns by H rows, row 0 at the top. A pixel's colour is
/// red + 256 * green + 65536 * blue; exactly white is a cluster cell, anything else is empty.
///
/// The pixels are held as a BMP pixel block (bottom-up rows of rowBytes(), blue-green-red,
/// zero padding), so saving is one write. Beside them the field keeps their touch counts; every
/// change of a pixel goes through this class, so the counts never disagree with the pixels.
class GrowthField {
public:
    static constexpr std::uint32_t White = 0xFFFFFF;
    static constexpr std::uint32_t Black = 0x000000;
    /// What a read outside the picture returns: neither white nor black.
    static constexpr std::uint32_t Outside = 0xFFFFFFFF;

    /// A white picture of the given size. Throws FieldSizeError when it cannot be held.
    GrowthField(std::int32_t width, std::int32_t height, ColumnMap columnMap);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    bool inside(std::int32_t x, std::int32_t y) const
    {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }
    /// Advances whenever the picture is reset, so a run can tell that a wanderer
    /// found its place on a picture that is gone.
    std::uint64_t generation() const { return generation_; }

    /// The colour at (x, y); Outside when (x, y) lies outside the picture.
    std::uint32_t read(std::int32_t x, std::int32_t y) const;
    bool isWhite(std::int32_t x, std::int32_t y) const { return read(x, y) == White; }
    /// Sets the colour at (x, y) (only its low 24 bits); ignored outside the picture.
    void write(std::int32_t x, std::int32_t y, std::uint32_t colour);
    /// Copies the one white stamp pixel onto (x, y): the pixel turns white; ignored outside.
    void stamp(std::int32_t x, std::int32_t y) { write(x, y, White); }

    /// Clears the picture to black at the given size, its bottom `whiteRows` rows white (all of
    /// them when whiteRows >= height). Memory is reused when the size stays (so the same size is
    /// never refused for memory); a new size takes fresh pages and gives the old ones back to
    /// the system. Throws FieldSizeError, having changed nothing, when the picture could not be
    /// held in memory or saved as a BMP file.
    void reset(std::int32_t width, std::int32_t height, std::int32_t whiteRows);

    /// Throws FieldSizeError when a picture of this size could not be held or saved.
    static void checkSize(std::int64_t width, std::int64_t height);
    /// The same with `availableBytes` of memory instead of what AvailableMemory finds.
    static void checkSize(std::int64_t width, std::int64_t height, std::uint64_t availableBytes);

    /// The column map of the touch test: for a Ring field w - 1 for 0, 1 for w, else a unchanged.
    std::int32_t mapColumn(std::int32_t a) const { return ::mapColumn(columnMap_, a, width_); }

    /// The touch test for a walk, one lookup per position: a wanderer at (x, y) touches the
    /// cluster when one of its eight neighbours reads white (side neighbours through the column
    /// map, its own column unmapped). Valid until the field is next reset.
    TouchView touchView() const { return touchCounts_.view(); }

    /// The first of the touch test's eight reads that finds white, as the pixel it read (side
    /// neighbours through the column map); empty when none does. The reads in their order:
    /// (x+1, y), (x-1, y), (x, y+1), (x, y-1), (x+1, y+1), (x-1, y+1), (x+1, y-1), (x-1, y-1).
    std::optional<FieldPoint> firstTouchedPixel(std::int32_t x, std::int32_t y) const;

    /// Bytes per row in the pixel block: 3 * width rounded up to a multiple of 4.
    static std::size_t rowBytesFor(std::int32_t width);
    /// Bytes of the pixel block of a width x height picture.
    static std::uint64_t pixelBlockBytesFor(std::int64_t width, std::int64_t height);
    /// Bytes a width x height field takes from the system: its pixel block and its touch counts,
    /// each in whole pages.
    static std::uint64_t bytesFor(std::int64_t width, std::int64_t height);
    std::size_t rowBytes() const { return rowBytes_; }
    /// The BMP pixel block: bottom row first, blue-green-red, rows padded with zeros.
    const std::uint8_t* pixelBlock() const { return pixels_.data(); }
    std::size_t pixelBlockSize() const { return pixels_.size(); }

    /// The area changed since the last call (the whole picture after a reset), then forgets it.
    /// The record belongs to whoever shows the picture, not to the picture, so a viewer holding
    /// the field read-only may take it.
    PixelRect takeDamage() const;

private:
    std::size_t pixelOffset(std::int32_t x, std::int32_t y) const
    {
        return static_cast<std::size_t>(height_ - 1 - y) * rowBytes_ + static_cast<std::size_t>(x) * 3;
    }
    void markDamaged(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

    std::int32_t width_;
    std::int32_t height_;
    ColumnMap columnMap_;
    std::size_t rowBytes_;
    PageBlock<std::uint8_t> pixels_;
    TouchCounts touchCounts_;
    mutable PixelRect damage_;
    std::uint64_t generation_ = 0;
};
