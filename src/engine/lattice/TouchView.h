#pragma once

#include <cstddef>
#include <cstdint>

/// A field's touch counts as plain values, for a walk to keep in registers: a walk that asked
/// the field itself would reload them after every draw, since a byte read may alias anything.
/// Valid until the field is next reset.
class TouchView {
public:
    /// How far around the picture positions have counts of their own: beyond one pixel they
    /// are all zero, but the margin lets a snowflake walk skip its bounds checks while its whole
    /// stray disk lies within it (a Ring field's column w + 1 already reads column 1).
    static constexpr std::int32_t PadColumns = 16;
    static constexpr std::int32_t PadRows = 16;

    TouchView(const std::uint8_t* counts, std::uint32_t countColumns, std::uint32_t countRows)
        : counts_(counts), columns_(countColumns), rows_(countRows)
    {
    }

    /// Whether a wanderer at (x, y) touches the cluster: one of its eight reads lands on white.
    bool touches(std::int32_t x, std::int32_t y) const { return covers(x, y) && counts_[index(x, y)] != 0; }

    /// Where the count of a covered position (x, y) stands; a move by (dx, dy) adds
    /// dx + dy * rowStride() to it.
    std::ptrdiff_t index(std::int32_t x, std::int32_t y) const
    {
        return (static_cast<std::ptrdiff_t>(y) + PadRows) * static_cast<std::ptrdiff_t>(columns_) + x + PadColumns;
    }
    std::ptrdiff_t rowStride() const { return static_cast<std::ptrdiff_t>(columns_); }
    /// Whether the covered position at `index` touches the cluster.
    bool touchesAt(std::ptrdiff_t index) const { return counts_[index] != 0; }

private:
    /// Whether (x, y) has a count of its own; every position farther out touches nothing.
    bool covers(std::int32_t x, std::int32_t y) const
    {
        const auto column = static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(PadColumns);
        const auto row = static_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(PadRows);
        return column < columns_ && row < rows_;
    }

    const std::uint8_t* counts_;
    std::uint32_t columns_;
    std::uint32_t rows_;
};
