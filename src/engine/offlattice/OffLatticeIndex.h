#pragma once

#include "offlattice/OffLatticeParticle.h"
#include "offlattice/PlanePoint.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

/// The spatial index of an off-lattice cluster: lower bounds on the gap between a point and the
/// nearest particle's surface (the distance to its centre less 1), and the particles near a
/// point, each at a cost that does not grow with the cluster.
///
/// It covers the square [-halfSide, halfSide)^2 cut into cells of one diameter, grouped in tiles
/// of 8 x 8 cells. Three parts, each updated as a particle is inserted:
/// - near the cluster, a byte per cell: a lower bound, in 1/60 diameter, on the gap from any point
///   of the cell, kept up to FineReach diameters (the true distance to the cell's box, not a
///   count of cells, so walkers close to the cluster still make long jumps); these live in tiles
///   made only where a particle comes within reach, so the empty part of the square costs 4 bytes
///   a tile;
/// - coarser levels of boxes of 8, 16, 32, ... cells, a byte per box: a lower bound on the
///   distance from the box to the nearest particle, in sixteenths of a side, up to CoarseReach
///   sides, which bounds the gap in the fjords and around the cluster where no tile reaches. The
///   boxes of 8 within NearBoxes of a particle's own take its true distance at each insertion;
///   the others the distance between boxes, when a box first gets a particle;
/// - particles in bins of 2 x 2 cells, each bin a list threaded through one int32 per particle,
///   from which gatherNear() takes the particles near a walker for exact distances. The lists
///   live in the particles themselves (OffLatticeParticle::nextInBin), so a walker reads each
///   near particle once.
class OffLatticeIndex {
public:
    static constexpr std::int32_t TileCells = 8;
    static constexpr std::int32_t BinCells = 2;
    /// How far the byte map holds its bounds, in diameters.
    static constexpr double FineReach = 4.0;
    static constexpr double UnitsPerDiameter = 60.0;
    /// The byte of a cell with no particle within FineReach.
    static constexpr std::uint8_t FineCap = 240;
    /// The coarse levels' boxes: 1 << CoarseShift cells at level 0, twice that at each next one.
    static constexpr std::int32_t CoarseShift = 3;
    /// How far, in boxes, a level keeps its distances.
    static constexpr std::int32_t CoarseReach = 12;
    static constexpr double CoarseUnitsPerSide = 16.0;
    /// The smallest boxes this many boxes or fewer from a particle's own take its true distance.
    static constexpr std::int32_t NearBoxes = 3;
    /// The byte of a box with no occupied box within CoarseReach boxes: at least CoarseReach sides.
    static constexpr std::uint8_t CoarseCap = static_cast<std::uint8_t>(CoarseReach * CoarseUnitsPerSide);
    /// A smallest box at this many units or more has no particle within FineReach of it.
    static constexpr std::uint8_t FineBoxUnits =
        static_cast<std::uint8_t>((FineReach + 1.0) * CoarseUnitsPerSide / (1 << CoarseShift));
    /// gatherNear() finds every particle whose surface is within this gap of its cell.
    static constexpr double NearReach = 1.0;
    /// The most particles gatherNear() can find: discs of diameter 1 whose centres lie within
    /// 1 + NearReach of a unit cell fill at most (1 + 4 * 2.5 + pi * 2.5^2) / (pi / 4) < 39 discs.
    static constexpr std::int32_t NearCapacity = 40;
    /// Space an inserted particle must leave to the square's edge, in diameters.
    static constexpr double EdgeMargin = FineReach + 4.0;

    /// The particles near one cell, copied out for a walker that stays in it.
    struct Near {
        /// The corner of the cell gathered around (least x and y); none at first.
        PlanePoint corner{-1e300, -1e300};
        std::int32_t count = 0;
        double x[NearCapacity];
        double y[NearCapacity];
        std::int32_t particle[NearCapacity];
    };

    /// An empty index of at least [-halfSide, halfSide)^2.
    explicit OffLatticeIndex(double halfSide);

    /// The half side of the square covered, a multiple of TileCells.
    double halfSide() const { return halfCells_; }

    /// Takes in `particles[particle]` (numbered from 0 in insertion order), which must lie at
    /// least EdgeMargin inside the square; sets its nextInBin.
    void insert(std::int32_t particle, OffLatticeParticle* particles);

    /// A lower bound on the gap from `at` (inside the square) to the nearest particle's surface:
    /// when it is below NearReach, gatherNear() is needed for the exact gap.
    double gapBound(PlanePoint at) const
    {
        const std::int32_t cx = cellOf(at.x);
        const std::int32_t cy = cellOf(at.y);
        // The smallest boxes first: away from the cluster they answer alone, one memory read.
        const std::uint8_t box = boxes0_[boxSlot(cx >> 3, cy >> 3, blocksPerRow0_)];
        if (box < FineBoxUnits) {
            const std::uint32_t entry = table_[tileSlot(cx >> 3, cy >> 3)];
            if (entry != NoTile) {
                const std::uint8_t units = tileAt(tileIn(entry)).gap[(cy & 7) * TileCells + (cx & 7)];
                if (units == 0)
                    return 0;
                if (units < FineCap) {
                    // No centre is in this cell, so a line to one first crosses the cell's edge.
                    const double x0 = edgeOf(cx), y0 = edgeOf(cy);
                    const double edge = std::min(std::min(at.x - x0, x0 + 1.0 - at.x), std::min(at.y - y0, y0 + 1.0 - at.y));
                    return units * (1.0 / UnitsPerDiameter) + edge - Slack;
                }
            }
        }
        return coarseBound(at, cx, cy, box);
    }

    /// Fills `near` with every one of the inserted `particles` whose centre lies within
    /// 1 + NearReach of the cell that holds `at` (so every particle within a gap of NearReach of
    /// any point of it).
    void gatherNear(PlanePoint at, const OffLatticeParticle* particles, Near& near) const;

    /// Bytes held, reserved room included.
    std::uint64_t bytes() const;
    /// Tiles made so far.
    std::int64_t tiles() const { return tileCount_; }
    /// The most tiles an index can make: a tile is numbered in the 32 bits of its table entry.
    static constexpr std::int64_t MaxTiles = 0xFFFF'FFFEll;

    /// The bytes an index of this half side needs before its tiles and per-particle lists.
    static std::uint64_t fixedBytes(double halfSide);
    static constexpr std::uint64_t BytesPerTile = 128;

private:
    struct alignas(64) Tile {
        std::uint8_t gap[TileCells * TileCells];
        std::int32_t head[(TileCells / BinCells) * (TileCells / BinCells)];
    };
    static_assert(sizeof(Tile) == BytesPerTile);
    static constexpr std::int32_t ChunkBits = 12;

    // The tile table and the levels are stored in blocks of one cache line (4 x 4 tiles, 8 x 8
    // boxes): a walker's next jumps mostly land in the block it is in.
    /// The column (or row) of cells that holds coordinate `x`. Every grid of the index lies on
    /// whole multiples of its cell or box side in the plane, and the cell is found through a
    /// fixed offset, so its bounds do not depend on the square's size: a cluster grows the
    /// same, bit for bit, however large its index was made. The offset rounds to 2^-28, so
    /// a point within that of a cell's edge may be taken for its neighbour's; the bounds leave
    /// room for it.
    std::int32_t cellOf(double x) const { return static_cast<std::int32_t>(x + Anchor) - (AnchorCells - halfCells_); }
    /// The plane coordinate of the low edge of cell column `cx`.
    double edgeOf(std::int32_t cx) const { return static_cast<double>(cx - halfCells_); }
    // Slots are counted in std::size_t: a table of more than 46341 tiles a side holds more
    // slots than an int32 counts.
    std::size_t tileSlot(std::int32_t tx, std::int32_t ty) const
    {
        const std::size_t block = static_cast<std::size_t>(ty >> 2) * static_cast<std::size_t>(tileBlocksPerRow_) +
                                  static_cast<std::size_t>(tx >> 2);
        return (block << 4) | static_cast<std::size_t>(((ty & 3) << 2) | (tx & 3));
    }
    static std::size_t boxSlot(std::int32_t bx, std::int32_t by, std::int32_t blocksPerRow)
    {
        const std::size_t block = static_cast<std::size_t>(by >> 3) * static_cast<std::size_t>(blocksPerRow) +
                                  static_cast<std::size_t>(bx >> 3);
        return (block << 6) | static_cast<std::size_t>(((by & 7) << 3) | (bx & 7));
    }
    Tile& tileAt(std::uint32_t tile) const { return chunks_[tile >> ChunkBits][tile & ((1u << ChunkBits) - 1)]; }
    std::uint32_t tileMade(std::int32_t tx, std::int32_t ty);
    void updateFine(PlanePoint at);
    void updateNearBoxes(PlanePoint at, std::int32_t cx, std::int32_t cy);
    void updateCoarse(std::int32_t cx, std::int32_t cy);
    double coarseBound(PlanePoint at, std::int32_t cx, std::int32_t cy, std::uint8_t box) const;

    static constexpr std::int32_t AnchorCells = 1 << 24;
    static constexpr double Anchor = AnchorCells;
    /// Room left in every bound for a point taken for its neighbour cell's.
    static constexpr double Slack = 1e-8;

    std::int32_t halfCells_ = 0;
    std::int32_t cellsPerSide_ = 0;
    std::int32_t tilesPerSide_ = 0;
    /// A word a tile, in blocks of 4 x 4: the tile's number plus one, the whole word (NoTile: no
    /// tile). It is read only near the cluster: away from it the smallest boxes' level, four
    /// times smaller, answers alone, and stays in the cache.
    std::vector<std::uint32_t> table_;
    static constexpr std::uint32_t NoTile = 0;
    static std::uint32_t tileIn(std::uint32_t entry) { return entry - 1; }
    std::vector<std::unique_ptr<Tile[]>> chunks_;
    std::int64_t tileCount_ = 0;
    /// Level k: boxes of TileCells << k cells, on multiples of that side in the plane; the
    /// first box of a side is the one at lowBox_[k] in the plane's numbering. Level 0's boxes
    /// are the tiles.
    std::vector<std::vector<std::uint8_t>> levels_;
    const std::uint8_t* boxes0_ = nullptr; // levels_[0], read at every jump
    std::int32_t blocksPerRow0_ = 0;
    std::vector<std::int32_t> lowBox_;
    std::vector<std::int32_t> blocksPerRow_;
    std::int32_t tileBlocksPerRow_ = 0;
    /// The units of two boxes dx, dy boxes apart, [|dy|][|dx|] up to CoarseReach.
    std::uint8_t boxUnits_[CoarseReach + 1][CoarseReach + 1];
    std::vector<std::int32_t> boxesPerSide_;
    /// A bit per box of each level: whether it holds a particle (its neighbours read 0 too).
    std::vector<std::vector<std::uint64_t>> occupied_;
    /// Steps of squared distance per square diameter in unitsBySquare().
    static constexpr double SquareSteps = 32.0;
    /// The byte for a squared distance from a particle's centre, in steps of 1 / SquareSteps.
    static const std::vector<std::uint8_t>& unitsBySquare();
};
