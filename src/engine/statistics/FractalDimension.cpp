#include "statistics/FractalDimension.h"

#include "memory/PageBlock.h"
#include "lattice/PixelRect.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

/// The smallest rectangle around the white pixels of rows 0 .. lastRow; empty when there are none.
PixelRect whiteBounds(const GrowthField& field, std::int32_t lastRow)
{
    std::int32_t left = field.width();
    std::int32_t right = -1;
    std::int32_t top = -1;
    std::int32_t bottom = -1;
    for (std::int32_t y = 0; y <= lastRow; ++y)
        for (std::int32_t x = 0; x < field.width(); ++x)
            if (field.isWhite(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                if (top < 0)
                    top = y;
                bottom = y;
            }
    if (right < 0)
        return {};
    return PixelRect{left, top, right - left + 1, bottom - top + 1};
}

/// One level of box occupancy: a grid of boxes, a bit each, set when it holds a cluster pixel.
struct BoxGrid {
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    PageBlock<std::uint64_t> words;

    BoxGrid(std::int32_t columns, std::int32_t rows)
        : columns(columns), rows(rows), words(wordsFor(columns, rows))
    {
    }

    static std::size_t wordsFor(std::int64_t columns, std::int64_t rows)
    {
        return static_cast<std::size_t>((columns * rows + 63) / 64);
    }
    std::size_t bitOf(std::int32_t column, std::int32_t row) const
    {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(column);
    }
    void set(std::int32_t column, std::int32_t row)
    {
        const std::size_t bit = bitOf(column, row);
        words[bit / 64] |= std::uint64_t{1} << (bit % 64);
    }
    bool at(std::int32_t column, std::int32_t row) const
    {
        if (column >= columns || row >= rows)
            return false;
        const std::size_t bit = bitOf(column, row);
        return (words[bit / 64] >> (bit % 64) & 1) != 0;
    }
    std::int64_t count() const
    {
        std::int64_t set = 0;
        for (const std::uint64_t word : words)
            set += std::popcount(word);
        return set;
    }

    /// The grid of boxes twice as large: a box is occupied when one of its four halves is.
    BoxGrid coarser() const
    {
        BoxGrid next((columns + 1) / 2, (rows + 1) / 2);
        for (std::int32_t row = 0; row < next.rows; ++row)
            for (std::int32_t column = 0; column < next.columns; ++column)
                if (at(2 * column, 2 * row) || at(2 * column + 1, 2 * row) || at(2 * column, 2 * row + 1) ||
                    at(2 * column + 1, 2 * row + 1))
                    next.set(column, row);
        return next;
    }
};

} // namespace

std::uint64_t FractalDimension::peakBytesFor(std::int64_t width, std::int64_t height)
{
    // A grid and the coarser one made from it are held at once; the first two are the largest.
    const auto gridBytes = [](std::int64_t columns, std::int64_t rows) {
        return PageBlock<std::uint64_t>::bytesFor(BoxGrid::wordsFor(columns, rows));
    };
    return gridBytes(width, height) + gridBytes((width + 1) / 2, (height + 1) / 2);
}

std::vector<std::int64_t> FractalDimension::boxCounts(const GrowthField& field, std::int32_t rowsLeftOut)
{
    const PixelRect bounds = whiteBounds(field, field.height() - 1 - std::max(rowsLeftOut, 0));
    if (bounds.isEmpty())
        return {};
    // One bit per pixel of the bounding box: at most a twenty-fourth of the picture's bytes.
    BoxGrid grid(bounds.width, bounds.height);
    for (std::int32_t y = 0; y < bounds.height; ++y)
        for (std::int32_t x = 0; x < bounds.width; ++x)
            if (field.isWhite(bounds.x + x, bounds.y + y))
                grid.set(x, y);

    const std::int64_t extent = std::min(bounds.width, bounds.height);
    std::vector<std::int64_t> counts{grid.count()};
    for (std::int64_t side = 2; side * 4 <= extent; side *= 2) {
        grid = grid.coarser();
        counts.push_back(grid.count());
    }
    return counts;
}

std::optional<double> FractalDimension::estimate(const GrowthField& field, std::int32_t rowsLeftOut)
{
    const std::vector<std::int64_t> counts = boxCounts(field, rowsLeftOut);
    const auto firstFitted = static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(SmallestFittedSide)));
    if (counts.size() < firstFitted + MinimumFittedSides)
        return std::nullopt;
    // Least squares of y = log N(s) on x = log(1 / s) = -k log 2 for s = 2^k.
    const auto n = static_cast<double>(counts.size() - firstFitted);
    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    for (std::size_t k = firstFitted; k < counts.size(); ++k) {
        const double x = -static_cast<double>(k) * std::log(2.0);
        const double y = std::log(static_cast<double>(counts[k]));
        sumX += x;
        sumY += y;
        sumXX += x * x;
        sumXY += x * y;
    }
    return (n * sumXY - sumX * sumY) / (n * sumXX - sumX * sumX);
}
