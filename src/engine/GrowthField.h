#pragma once

#include "FieldPoint.h"
#include "PixelRect.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

/// How the touch test maps the columns of its side neighbours.
enum class ColumnMap {
    Identity, ///< the snowflake field: no wrap
    Ring      ///< the plant-life field: column 0 stands for w - 1 and column w for 1
};

/// One mode's 24-bit picture, W columns by H rows, row 0 at the top. A pixel's colour is
/// red + 256 * green + 65536 * blue; exactly white is a cluster cell, anything else is empty.
///
/// The pixels are held as a BMP pixel block (bottom-up rows of rowBytes(), blue-green-red,
/// zero padding), so saving is one write. Beside them the field keeps, for every position a
/// wanderer can touch from, how many of its eight touch-test reads land on a white pixel; every
/// change of a pixel goes through this class, so the counts never disagree with the pixels and
/// the touch test is one lookup.
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
    /// Advances whenever the picture is cleared or resized, so a run can tell that a wanderer
    /// found its place on a picture that is gone.
    std::uint64_t generation() const { return generation_; }
    ColumnMap columnMap() const { return columnMap_; }

    /// The colour at (x, y); Outside when (x, y) lies outside the picture.
    std::uint32_t read(std::int32_t x, std::int32_t y) const;
    bool isWhite(std::int32_t x, std::int32_t y) const { return read(x, y) == White; }
    /// Sets the colour at (x, y) (only its low 24 bits); ignored outside the picture.
    void write(std::int32_t x, std::int32_t y, std::uint32_t colour);
    /// Copies the one white stamp pixel onto (x, y): the pixel turns white; ignored outside.
    void stamp(std::int32_t x, std::int32_t y) { write(x, y, White); }

    /// Gives the picture a new size: pixels that still fit keep colour and place, new columns on
    /// the right and rows at the bottom are white. Throws FieldSizeError, having changed
    /// nothing, when the new picture could not be held in memory or saved as a BMP file.
    void resize(std::int32_t width, std::int32_t height);

    /// Throws FieldSizeError when a picture of this size could not be held or saved.
    static void checkSize(std::int64_t width, std::int64_t height);
    /// The same with `availableBytes` of memory instead of what AvailableMemory finds.
    static void checkSize(std::int64_t width, std::int64_t height, std::uint64_t availableBytes);

    /// Paints rows [firstRow, lastRow] across the whole width in one colour (rows are clipped).
    void fillRows(std::int32_t firstRow, std::int32_t lastRow, std::uint32_t colour);

    /// The column map of the touch test: for a Ring field w - 1 for 0, 1 for w, else a unchanged.
    std::int32_t mapColumn(std::int32_t a) const;

    /// The touch counts as plain values, for a walk to keep in registers: a walk that asked the
    /// field itself would reload them after every draw, since a byte read may alias anything.
    class TouchView {
    public:
        /// Whether a wanderer at (x, y) touches the cluster; see GrowthField::touches.
        bool touches(std::int32_t x, std::int32_t y) const
        {
            return covers(x, y) && counts_[index(x, y)] != 0;
        }

        /// Whether (x, y) has a count of its own; every position farther out touches nothing.
        bool covers(std::int32_t x, std::int32_t y) const
        {
            const auto col = static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(PadColumns);
            const auto row = static_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(PadRows);
            return col < width_ && row < height_;
        }
        /// Where the count of a covered position (x, y) stands; a move by (dx, dy) adds
        /// dx + dy * rowStride() to it.
        std::ptrdiff_t index(std::int32_t x, std::int32_t y) const
        {
            return (static_cast<std::ptrdiff_t>(y) + PadRows) * static_cast<std::ptrdiff_t>(width_) + x + PadColumns;
        }
        std::ptrdiff_t rowStride() const { return static_cast<std::ptrdiff_t>(width_); }
        /// Whether the covered position at `index` touches the cluster.
        bool touchesAt(std::ptrdiff_t index) const { return counts_[index] != 0; }

    private:
        friend class GrowthField;
        TouchView(const std::uint8_t* counts, std::uint32_t width, std::uint32_t height)
            : counts_(counts), width_(width), height_(height)
        {
        }
        const std::uint8_t* counts_;
        std::uint32_t width_;
        std::uint32_t height_;
    };

    /// Valid until the field is next resized.
    TouchView touchView() const
    {
        return TouchView(touchCounts_.data(), static_cast<std::uint32_t>(countWidth_),
                         static_cast<std::uint32_t>(countHeight_));
    }

    /// Whether a wanderer at (x, y) touches the cluster: one of its eight neighbours reads white
    /// (side neighbours through the column map, its own column unmapped). One lookup.
    bool touches(std::int32_t x, std::int32_t y) const { return touchView().touches(x, y); }

    /// The same answer as touches(), found by the eight reads in their order:
    /// (x+1, y), (x-1, y), (x, y+1), (x, y-1), (x+1, y+1), (x-1, y+1), (x+1, y-1), (x-1, y-1).
    bool touchesByReads(std::int32_t x, std::int32_t y) const;
    /// The first of those eight reads that finds white, as the pixel it read (side neighbours
    /// through the column map); empty when none does.
    std::optional<FieldPoint> firstTouchedPixel(std::int32_t x, std::int32_t y) const;

    /// Bytes per row in the pixel block: 3 * width rounded up to a multiple of 4.
    static std::size_t rowBytesFor(std::int32_t width);
    std::size_t rowBytes() const { return rowBytes_; }
    /// The BMP pixel block: bottom row first, blue-green-red, rows padded with zeros.
    const std::uint8_t* pixelBlock() const { return pixels_.data(); }
    std::size_t pixelBlockSize() const { return pixels_.size(); }

    /// The area changed since the last call (the whole picture after a resize), then forgets it.
    /// The record belongs to whoever shows the picture, not to the picture, so a viewer holding
    /// the field read-only may take it.
    PixelRect takeDamage() const;

    /// How far around the picture positions have counts of their own: beyond one pixel they
    /// are all zero, but the margin lets a snowflake walk skip its bounds checks while its whole
    /// stray disk lies within it (a Ring field's column w + 1 already reads column 1).
    static constexpr std::int32_t PadColumns = 16;
    static constexpr std::int32_t PadRows = 16;

private:

    std::size_t pixelOffset(std::int32_t x, std::int32_t y) const
    {
        return static_cast<std::size_t>(height_ - 1 - y) * rowBytes_ + static_cast<std::size_t>(x) * 3;
    }
    void countWhitePixel(std::int32_t x, std::int32_t y, int delta);
    void rebuildTouchCounts();
    void markDamaged(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

    std::int32_t width_;
    std::int32_t height_;
    ColumnMap columnMap_;
    std::size_t rowBytes_;
    std::vector<std::uint8_t> pixels_;
    std::int32_t countWidth_;
    std::int32_t countHeight_;
    std::vector<std::uint8_t> touchCounts_;
    mutable PixelRect damage_;
    std::uint64_t generation_ = 0;
};
