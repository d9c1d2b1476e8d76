#include "lattice/TouchCounts.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

/// One count for every position of the picture and of the padding around it.
std::uint64_t countsFor(std::int64_t width, std::int64_t height)
{
    return static_cast<std::uint64_t>(width + 2 * TouchView::PadColumns) *
           static_cast<std::uint64_t>(height + 2 * TouchView::PadRows);
}

} // namespace

std::uint64_t TouchCounts::bytesFor(std::int64_t width, std::int64_t height)
{
    return PageBlock<std::uint8_t>::bytesFor(countsFor(width, height));
}

void TouchCounts::reset(std::int32_t width, std::int32_t height, std::int32_t whiteRows)
{
    if (width == width_ && height == height_) {
        std::fill(counts_.begin(), counts_.end(), std::uint8_t{0});
    } else {
        // A fresh zeroed block, taken before anything changes, so a failure leaves the old counts.
        PageBlock<std::uint8_t> counts(static_cast<std::size_t>(countsFor(width, height)));
        counts_ = std::move(counts);
        width_ = width;
        height_ = height;
    }
    countWhiteRows(std::clamp(whiteRows, 0, height));
}

TouchView TouchCounts::view() const
{
    return TouchView(counts_.data(), static_cast<std::uint32_t>(columns()), static_cast<std::uint32_t>(rows()));
}

void TouchCounts::add(std::int32_t x, std::int32_t y, int delta)
{
    std::uint8_t& count = counts_[static_cast<std::size_t>(view().index(x, y))];
    count = static_cast<std::uint8_t>(count + delta);
}

void TouchCounts::addSideReader(std::int32_t readerColumn, std::int32_t pixelRow, int delta)
{
    // A side read looks at the row above, its own row and the row below.
    for (std::int32_t y = pixelRow - 1; y <= pixelRow + 1; ++y)
        add(readerColumn, y, delta);
}

void TouchCounts::countReadersOf(std::int32_t x, std::int32_t y, int delta)
{
    // Its own column reads straight up and down, never through the column map.
    add(x, y - 1, delta);
    add(x, y + 1, delta);

    // A side read at column a lands on mapColumn(a). Without a ring, pixel column x is the right
    // side of column x - 1 and the left side of column x + 1.
    if (columnMap_ == ColumnMap::Identity) {
        addSideReader(x - 1, y, delta);
        addSideReader(x + 1, y, delta);
        return;
    }
    // On the ring a side read of column 0 lands on w - 1 and one of column w on 1, so:
    // - column 0 itself is never read from the side (only from its own column);
    if (x != 0) {
        addSideReader(x - 1, y, delta);
        addSideReader(x + 1, y, delta);
    }
    // - column w - 1 is also the right side of column -1 and the left side of column 1;
    if (x == width_ - 1) {
        addSideReader(-1, y, delta);
        addSideReader(1, y, delta);
    }
    // - column 1 is also the right side of column w - 1 and the left side of column w + 1.
    // (On a picture one or two columns wide these cases overlap; each read counts once.)
    if (x == 1) {
        addSideReader(width_ - 1, y, delta);
        addSideReader(width_ + 1, y, delta);
    }
}

void TouchCounts::countWhiteRows(std::int32_t whiteRows)
{
    if (whiteRows == 0)
        return;
    // Rows are whole, so a position's count factors: (side reads of its column that land inside
    // the picture) x (white rows among the three it reads from the side) + (1 if its own column
    // is inside) x (white rows among the two it reads straight up and down).
    const std::int32_t first = -TouchView::PadColumns;
    std::vector<std::uint8_t> sideReadsInside(static_cast<std::size_t>(columns()));
    std::vector<std::uint8_t> ownColumnInside(static_cast<std::size_t>(columns()));
    auto landsInside = [&](std::int32_t a) {
        const std::int32_t column = mapColumn(columnMap_, a, width_);
        return column >= 0 && column < width_ ? 1 : 0;
    };
    for (std::int32_t x = first; x < width_ + TouchView::PadColumns; ++x) {
        sideReadsInside[static_cast<std::size_t>(x - first)] =
            static_cast<std::uint8_t>(landsInside(x + 1) + landsInside(x - 1));
        ownColumnInside[static_cast<std::size_t>(x - first)] = x >= 0 && x < width_ ? 1 : 0;
    }
    const std::int32_t firstWhite = height_ - whiteRows;
    auto white = [&](std::int32_t row) { return row >= firstWhite && row < height_ ? 1 : 0; };
    // Only rows next to a white row can read one.
    for (std::int32_t y = firstWhite - 1; y <= height_; ++y) {
        const int sideRows = white(y - 1) + white(y) + white(y + 1);
        const int ownRows = white(y - 1) + white(y + 1);
        const std::size_t rowStart = static_cast<std::size_t>(y + TouchView::PadRows) * static_cast<std::size_t>(columns());
        std::uint8_t* row = counts_.data() + rowStart;
        for (std::size_t i = 0; i < sideReadsInside.size(); ++i)
            row[i] = static_cast<std::uint8_t>(sideReadsInside[i] * sideRows + ownColumnInside[i] * ownRows);
    }
}
