#pragma once

#include "lattice/ColumnMap.h"
#include "memory/PageBlock.h"
#include "lattice/TouchView.h"

#include <cstdint>

/// For every position a wanderer can touch from (the picture, one pixel around it and the
/// padding beyond), how many of its eight touch-test reads land on a white pixel. The owner of
/// the pixels reports every pixel that turns white or stops being white, so the touch test is
/// one lookup.
class TouchCounts {
public:
    explicit TouchCounts(ColumnMap columnMap) : columnMap_(columnMap) {}

    /// Bytes the counts of a width x height picture take from the system (whole pages).
    static std::uint64_t bytesFor(std::int64_t width, std::int64_t height);

    /// The counts of a width x height picture whose bottom `whiteRows` rows are white and all
    /// others black, derived from that shape rather than counted pixel by pixel. Memory is
    /// reused when the size stays; may throw std::bad_alloc, leaving the counts as they were.
    void reset(std::int32_t width, std::int32_t height, std::int32_t whiteRows);

    /// The pixel at (x, y), inside the picture, has turned white.
    void addWhitePixel(std::int32_t x, std::int32_t y) { countReadersOf(x, y, +1); }
    /// The pixel at (x, y), inside the picture, is no longer white.
    void removeWhitePixel(std::int32_t x, std::int32_t y) { countReadersOf(x, y, -1); }

    TouchView view() const;

private:
    std::int32_t columns() const { return width_ + 2 * TouchView::PadColumns; }
    std::int32_t rows() const { return height_ + 2 * TouchView::PadRows; }
    void add(std::int32_t x, std::int32_t y, int delta);
    void addSideReader(std::int32_t readerColumn, std::int32_t pixelRow, int delta);
    void countReadersOf(std::int32_t x, std::int32_t y, int delta);
    void countWhiteRows(std::int32_t whiteRows);

    ColumnMap columnMap_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PageBlock<std::uint8_t> counts_;
};
