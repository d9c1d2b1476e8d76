#pragma once

#include "offlattice3d/SpacePoint.h"

#include <cstdint>
#include <vector>

/// Far from a cluster, a byte for each box of a grid of boxes of `boxSide` diameters on whole
/// multiples of that side in space: a lower bound on the distance from the box's centre to the
/// nearest occupied source cube, a cube of half a box's side on the same grid, in sixteenths of
/// the cube's side, up to Cap (almost 16 sides). A new centre lowers the bytes around its cube
/// when the cube takes its first; a centre lies in its cube, so the byte bounds the distance from
/// the box's centre to every centre. A box's byte is 0 exactly when it holds an occupied cube
/// (its centre is a corner of each of its eight cubes), so the next coarser table, whose source
/// cubes are this one's boxes, learns from it when a box takes its first centre.
///
/// Boxes and cubes are numbered in space along each axis (box t spans [t, t + 1) box sides):
/// the table does not depend on where the index that holds it begins. The bytes are stored in
/// bricks of 16 x 2 x 2 boxes, a brick to a line of the processor's cache, so that the eight
/// boxes around a point mostly lie in one or two lines, not four.
class FarDistanceTable {
public:
    static constexpr std::uint8_t Cap = 255;
    static constexpr double UnitsPerCubeSide = 16.0;
    /// The boxes a cube reaches along each axis, and the table's margin of boxes beyond those
    /// it is made for on every side, so that they all lie within it.
    static constexpr std::int32_t Span = 16;
    static constexpr std::int32_t Pad = Span / 2;

    /// A table of `boxes` boxes a side of `boxSide` diameters, from box `low` on, along each axis.
    FarDistanceTable(double boxSide, std::int32_t low, std::int32_t boxes);
    FarDistanceTable(FarDistanceTable&&) = default;
    FarDistanceTable& operator=(FarDistanceTable&&) = default;
    /// Not copied: its bytes start at a line's start within their storage, which a copy's need not.
    FarDistanceTable(const FarDistanceTable&) = delete;
    FarDistanceTable& operator=(const FarDistanceTable&) = delete;

    /// The byte of box (tx, ty, tz).
    std::uint8_t units(std::int32_t tx, std::int32_t ty, std::int32_t tz) const { return units_[slot(tx, ty, tz)]; }
    /// Takes in cube (qx, qy, qz), which has just taken its first centre.
    void lower(std::int32_t qx, std::int32_t qy, std::int32_t qz);
    /// A lower bound on the distance from `at`, in box (tx, ty, tz), to the nearest centre less
    /// 1, the nearest surface: the best of what the eight boxes whose centres surround `at` give
    /// (its own and the next ones on the sides of the halves of it it lies in, `upper` along
    /// each axis), each byte less `at`'s distance to its box's centre.
    double bound(SpacePoint at, const std::int32_t* box, const bool* upper) const;
    std::uint64_t bytes() const { return storage_.capacity(); }
    /// The bytes a table of `boxes` boxes a side takes.
    static std::uint64_t bytesFor(std::int64_t boxes);

private:
    static constexpr std::size_t BrickBytes = 64;
    static constexpr std::size_t BrickRow = 16;
    /// Each axis's share of a box's slot: its brick's place and its own within the brick.
    std::size_t xShare(std::int32_t tx) const
    {
        const auto x = static_cast<std::size_t>(tx - origin_);
        return (x / BrickRow) * BrickBytes + x % BrickRow;
    }
    std::size_t yShare(std::int32_t ty) const
    {
        const auto y = static_cast<std::size_t>(ty - origin_);
        return (y / 2) * yStride_ + (y % 2) * BrickRow;
    }
    std::size_t zShare(std::int32_t tz) const
    {
        const auto z = static_cast<std::size_t>(tz - origin_);
        return (z / 2) * zStride_ + (z % 2) * 2 * BrickRow;
    }
    std::size_t slot(std::int32_t tx, std::int32_t ty, std::int32_t tz) const { return xShare(tx) + yShare(ty) + zShare(tz); }

    double boxSide_;
    double diametersPerUnit_;
    /// The number of the table's first box along each axis (the first it is made for less Pad).
    std::int32_t origin_;
    /// The bytes between bricks next to each other along y and along z.
    std::size_t yStride_;
    std::size_t zStride_;
    std::vector<std::uint8_t> storage_;
    /// The first brick, at the first line's start within storage_.
    std::uint8_t* units_;
};
