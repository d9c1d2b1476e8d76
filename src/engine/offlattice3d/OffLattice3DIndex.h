#pragma once

#include "offlattice3d/EmptyBall.h"
#include "offlattice3d/FarDistanceTable.h"
#include "offlattice3d/LargestLessRoot.h"
#include "offlattice3d/LongestStay.h"
#include "offlattice3d/SpaceParticle.h"
#include "offlattice3d/SpacePoint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <memory>
#include <vector>

/// The spatial index of a 3D off-lattice cluster: lower bounds on the gap between a point and the
/// nearest particle's surface (the distance to its centre less 1), and the particles near a
/// point, each at a cost that does not grow with the cluster.
///
/// It covers the cube [-halfSide, halfSide)^3, cut into boxes of BoxSide diameters, each cut into
/// TileCells^3 cells of CellSide. Only space near the cluster costs more than a word a box:
/// - a box that holds a particle's centre has a tile: for each of its cells the head of the list
///   of the particles in it (threaded through SpaceParticle::nextInCell) and a byte, a lower
///   bound in 1/60 diameter on the distance from the cell to the nearest centre, kept up to
///   FineReach diameters;
/// - every other box keeps in its word a lower bound on the distance from the box to the nearest
///   centre, in 1/64 diameter: the true distance from each particle of the boxes next to it, the
///   distance between boxes from those up to CoarseReach boxes away, capped beyond.
/// A walker's bound adds its own distance to the edge of its cell or box: no centre lies inside
/// a cell or box whose distance is positive, so a line to any centre first crosses that edge.
/// Beside these, every box keeps eight bytes, one for each of its cubes of MapSide
/// diameters: a lower bound on the distance from the cube's centre to the nearest centre, in
/// 1/16 diameter, kept up to MapReach. The distance to the nearest centre changes by no more
/// than the walker moves, so the walker's distance to its cube's centre taken from that bound
/// is a bound too; it is the one that counts a few diameters out, where walkers spend most of
/// their jumps and a cell's or box's edge says little. Close in, the best of the bounds from the
/// eight cubes whose centres surround the walker is taken. A cube's byte less 1 is also the
/// radius of a ball about its centre that reaches no particle, which the walker may leave by
/// that ball's Poisson kernel: gapBound() offers the one of those about it that Brownian motion
/// stays in longest.
/// Far from the cluster, beyond the distance map's reach, a FarDistanceTable of a byte a box
/// bounds the distance from the box's centre to the nearest cube of the distance map that holds
/// a centre, up to 64 diameters, and coarser ones of boxes of 16, 32, ... diameters the distance
/// to the nearest box of the next finer table that holds one, each twice as far. A walker whose
/// box says it is that far out reads only these tables, the first some 12 times smaller than
/// the boxes' and so mostly in the processor's cache.
/// Within a cell, the exact gaps come from gatherNear(), which copies out the particles near the
/// walker once for the jumps it makes close by.
///
/// Every grid lies on whole multiples of its side in space, found through a fixed offset, so
/// the bounds do not depend on the cube's size: a cluster grows the same, bit for bit, however
/// large its index was made.
class OffLattice3DIndex {
public:
    static constexpr double CellSide = 2.0;
    static constexpr std::int32_t TileCells = 4;
    static constexpr double BoxSide = CellSide * TileCells;
    /// How far a cell's byte holds its bound, in diameters.
    static constexpr double FineReach = 2.0;
    static constexpr double FineUnitsPerDiameter = 60.0;
    /// A cell's byte when no centre is within FineReach of it.
    static constexpr std::uint8_t FineCap = static_cast<std::uint8_t>(FineReach * FineUnitsPerDiameter);
    /// The boxes this many boxes or fewer from a particle's own take its true distance.
    static constexpr std::int32_t NearBoxes = 1;
    /// How far, in boxes, the boxes' words keep the distances between boxes.
    static constexpr std::int32_t CoarseReach = 4;
    static constexpr double BoxUnitsPerDiameter = 64.0;
    /// A box's word when no box within CoarseReach boxes holds a particle: at least CoarseReach sides.
    static constexpr std::uint32_t BoxCap = static_cast<std::uint32_t>(CoarseReach * BoxSide * BoxUnitsPerDiameter);
    /// A word at or above this names the box's tile.
    static constexpr std::uint32_t TileFlag = 1u << 31;
    /// gatherNear() finds every particle whose surface is within this gap of the walker's cell.
    static constexpr double NearReach = 1.0;
    /// The distance from the cell within which gatherNear() finds every centre, to rounding: a
    /// centre within 2^-29 of a cell's face may be filed in the cell beyond.
    static constexpr double GatheredReach = 1.0 + NearReach - 1e-8;
    /// The most particles gatherNear() can find: balls of diameter 1 whose centres lie within
    /// 1 + NearReach of a cell fit, without overlap, in the cell grown by 2.5 diameters on every
    /// side, of volume 8 + 60 + 37.5 pi + 62.5 pi / 3 < 252, so fewer than 252 / (pi / 6) < 482.
    static constexpr std::int32_t NearCapacity = 482;
    /// Room an inserted particle leaves to the cube's faces, in diameters.
    static constexpr double EdgeMargin = 2 * BoxSide;
    static constexpr std::uint64_t BytesPerTile = 320;
    /// The cubes of the distance map: two cells a side, eight to a box.
    static constexpr double MapSide = 2 * CellSide;
    static constexpr double MapUnitsPerDiameter = 16.0;
    /// A cube's byte when no centre is within MapReach of its centre.
    static constexpr std::uint8_t MapCap = 255;
    static constexpr double MapReach = MapCap / MapUnitsPerDiameter;
    /// Below this bound from the walker's own cube, the eight cubes around it are read too, for
    /// their bounds and their balls.
    static constexpr double CornersBelow = 6.0;
    /// A walker whose box's byte in the first far table says at least this many diameters takes
    /// its bound from the far tables alone when that bound is at least FarEnough, more than the
    /// distance map can give.
    static constexpr double FarFrom = 16.0;
    static constexpr double FarEnough = MapReach - 1.0;

    /// The particles near one cell, copied out for a walker close to it.
    struct Near {
        /// The corner of the cell gathered around (least x, y and z); none at first.
        SpacePoint corner{-1e300, -1e300, -1e300};
        std::int32_t count = 0;
        double x[NearCapacity];
        double y[NearCapacity];
        double z[NearCapacity];
        std::int32_t particle[NearCapacity];
    };

    /// The distance from `value` to the interval [low, low + length] (0 inside it). Whether a
    /// point is inside is a coin toss the processor cannot predict, so this must not branch: the
    /// compiler makes a branch of std::max with 0 (it keeps the sign of a zero), the max
    /// instruction does not.
    static double outside(double value, double low, double length)
    {
        const double beyond = std::max(low - value, value - (low + length));
        return larger(beyond, 0.0); // 0 for -0 and NaN, as std::max(0.0, beyond)
    }

    /// The larger of two bounds, without a branch: which is larger is a coin toss to the
    /// processor, and the compiler makes a branch of std::max. `b` where they are equal or one
    /// is NaN, as std::max(b, a).
    static double larger(double a, double b)
    {
#ifdef __SSE2__
        return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(a), _mm_set_sd(b)));
#else
        return std::max(b, a);
#endif
    }

    /// An empty index of at least [-halfSide, halfSide)^3.
    explicit OffLattice3DIndex(double halfSide);

    /// The half side of the cube covered, a multiple of BoxSide.
    double halfSide() const { return halfCells_ * CellSide; }

    /// Takes in `particles[particle]` (numbered from 0 in insertion order), which must lie at
    /// least EdgeMargin inside the cube; sets its nextInCell.
    void insert(std::int32_t particle, SpaceParticle* particles);

    /// A lower bound on the gap from `at` (at least EdgeMargin inside the cube) to the nearest
    /// particle's surface; below NearReach, gatherNear() gives the exact gap.
    double gapBound(SpacePoint at) const
    {
        EmptyBall unused;
        return gapBound(at, unused);
    }
    /// The same, and in `ball` (left as it is where the far tables answer) the empty ball about
    /// one of the distance map's cubes around `at`: where the eight around it are read, the one
    /// that holds it and in which Brownian motion from `at` stays longest on average (radius
    /// left as it is if none holds it), else the one about its own cube, which need not hold it.
    double gapBound(SpacePoint at, EmptyBall& ball) const
    {
        const std::int32_t cx = cellOf(at.x);
        const std::int32_t cy = cellOf(at.y);
        const std::int32_t cz = cellOf(at.z);
        const std::int32_t bx = boxOf(cx), by = boxOf(cy), bz = boxOf(cz);
        // Far out, the small far tables answer and the box table, whose lines are seldom in the
        // cache there, is not read.
        const std::uint8_t farUnits = far_[0].units(bx - halfBoxes(), by - halfBoxes(), bz - halfBoxes());
        double far = -1.0;
        if (farUnits >= FarFrom * FirstFarUnitsPerDiameter) {
            far = farBound(at, cx, cy, cz);
            if (far >= FarEnough)
                return far;
        }
        const std::size_t slot = boxSlot(bx, by, bz);
        const std::uint32_t word = boxes_[slot].word;
        EmptyBall own;
        double mapped = cubeBound(at, cx, cy, cz, slot, own);
        // Close to the cluster, where the bound is short, the cubes around the walker may say
        // more; far out they add little to a long jump, for the memory they take to read.
        if (mapped < CornersBelow)
            mapped = std::max(mapped, cornersBound(at, cx, cy, cz, ball));
        else
            ball = own;
        mapped = larger(mapped, far);
        if (word >= TileFlag) {
            // A cell's byte gives at most FineReach plus half a cell: beyond, the tile is not read.
            if (mapped >= FineReach + CellSide / 2 - 1.0)
                return mapped;
            const std::uint8_t units = tileAt(word - TileFlag).gap[cellSlot(cx, cy, cz)];
            if (units == 0)
                return 0;
            return std::max(units * (1.0 / FineUnitsPerDiameter) + edgeDistance(at, cx, cy, cz, CellSide) - 1.0 - Slack, mapped);
        }
        return std::max(coarseBound(at, cx, cy, cz, word), mapped);
    }

    /// Fills `near` with every one of the inserted `particles` whose centre lies within
    /// GatheredReach of the cell that holds `at` (and some others up to 1 + NearReach).
    void gatherNear(SpacePoint at, const SpaceParticle* particles, Near& near) const;

    /// Bytes held, reserved room included.
    std::uint64_t bytes() const;
    /// Tiles made so far.
    std::int64_t tiles() const { return tileCount_; }
    /// The bytes an index of this half side needs before its tiles.
    static std::uint64_t fixedBytes(double halfSide);

private:
    struct alignas(64) Tile {
        std::int32_t head[TileCells * TileCells * TileCells];
        std::uint8_t gap[TileCells * TileCells * TileCells];
    };
    static_assert(sizeof(Tile) == BytesPerTile);
    static constexpr std::int32_t ChunkBits = 10;
public:
    /// Tiles are made in chunks of this many.
    static constexpr std::uint64_t TilesPerChunk = std::uint64_t{1} << ChunkBits;
private:
    static constexpr std::int32_t AnchorCells = 1 << 22;
    static constexpr double Anchor = AnchorCells;
    /// Room left in every bound: the fixed offset rounds to 2^-29 diameter, so a point that close
    /// to a cell's face may be taken for its neighbour's.
    static constexpr double Slack = 1e-8;
    /// Room left in the distance map's bound, worked out in single precision: a few units in the
    /// last place of distances below MapReach.
    static constexpr double MapSlack = 1e-5;
    /// Steps of squared distance per square diameter in unitsBySquare_.
    static constexpr double SquareSteps = 32.0;
    /// A scaled square beyond every step of unitsBySquare_, for cells out of reach (three of them
    /// still fit in an int).
    static constexpr double Unreached = 1e6;

    /// The cell (counted from the cube's low corner) that holds coordinate `x`.
    std::int32_t cellOf(double x) const
    {
        return static_cast<std::int32_t>(x * (1.0 / CellSide) + Anchor) - (AnchorCells - halfCells_);
    }
    /// The space coordinate of the low face of cell `c`.
    double edgeOf(std::int32_t c) const { return static_cast<double>(c - halfCells_) * CellSide; }
    /// The distance from `at` to the nearest face of the cube of `side` whose low corner is the
    /// low corner of cell (cx, cy, cz).
    double edgeDistance(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz, double side) const
    {
        const double x0 = edgeOf(cx), y0 = edgeOf(cy), z0 = edgeOf(cz);
        // Pairs, not a list: std::min of a list branches, and near a face those branches are a coin toss.
        return std::min(std::min(std::min(at.x - x0, x0 + side - at.x), std::min(at.y - y0, y0 + side - at.y)),
                        std::min(at.z - z0, z0 + side - at.z));
    }
    /// The bound on the gap at `at` from the distance map's byte for its cube (in cell cx, cy, cz
    /// of the box at `slot`): the distance to the nearest centre changes by no more than the
    /// walker moves, so the cube centre's distance less the walker's distance to that centre
    /// bounds it. `ball` takes the cube's empty ball, which need not hold the walker.
    double cubeBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz, std::size_t slot, EmptyBall& ball) const
    {
        const std::uint8_t units = boxes_[slot].map[mapByte(cx, cy, cz)];
        ball.centre = {edgeOf(cx & ~1) + MapSide / 2, edgeOf(cy & ~1) + MapSide / 2, edgeOf(cz & ~1) + MapSide / 2};
        ball.radius = units * (1.0 / MapUnitsPerDiameter) - 1.0 - MapSlack;
        const double dx = at.x - ball.centre.x;
        const double dy = at.y - ball.centre.y;
        const double dz = at.z - ball.centre.z;
        return units * (1.0 / MapUnitsPerDiameter) - std::sqrt(dx * dx + dy * dy + dz * dz) - 1.0 - Slack;
    }
    /// The same bound taken from each of the eight cubes whose centres surround the walker (the
    /// walker's own and its neighbours on the sides of the walker's half of it), the best of
    /// them. Where the distance grows about as fast as the walker moves away from the cluster,
    /// the cube behind the walker gives nearly the whole of it, where the walker's own cube
    /// alone loses up to the cube's half diagonal. The same bytes give `ball`: the ball about the
    /// cube centre c of radius r (its distance less 1) that holds the walker and in which Brownian
    /// motion from it stays longest, r^2 - |at - c|^2 being three times that mean time.
    double cornersBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz, EmptyBall& ball) const
    {
        const std::int32_t cell[3] = {cx, cy, cz};
        const double point[3] = {at.x, at.y, at.z};
        std::size_t slotPart[3][2];
        std::int32_t bytePart[3][2];
        double centre[3][2];
        float square[3][2];
        for (int axis = 0; axis < 3; ++axis) {
            // The walker's cube, then the one next to it on the side of the walker's half of it.
            const std::int32_t own = cell[axis] >> 1;
            const std::int32_t cubes[2] = {own, (cell[axis] & 1) ? own + 1 : own - 1};
            for (int which = 0; which < 2; ++which) {
                const std::int32_t cube = cubes[which];
                slotPart[axis][which] = boxSlotPart(axis, cube >> 1);
                bytePart[axis][which] = (cube & 1) << axis;
                centre[axis][which] = edgeOf(2 * cube) + MapSide / 2;
                const double d = point[axis] - centre[axis][which];
                square[axis][which] = static_cast<float>(d * d);
            }
        }
        constexpr float Scale = static_cast<float>(1.0 / MapUnitsPerDiameter);
        std::uint8_t units[8];
        float distances[8];
        float squares[8];
        for (int corner = 0; corner < 8; ++corner) {
            const int x = corner & 1, y = (corner >> 1) & 1, z = corner >> 2;
            const std::size_t slot = slotPart[0][x] + slotPart[1][y] + slotPart[2][z];
            units[corner] = boxes_[slot].map[bytePart[0][x] | bytePart[1][y] | bytePart[2][z]];
            distances[corner] = units[corner] * Scale;
            squares[corner] = (square[0][x] + square[1][y]) + square[2][z];
        }
        const int longest = longestStay(distances, squares, static_cast<float>(1.0 + MapSlack));
        if (longest >= 0) {
            const int x = longest & 1, y = (longest >> 1) & 1, z = longest >> 2;
            ball.centre = {centre[0][x], centre[1][y], centre[2][z]};
            ball.radius = units[longest] * (1.0 / MapUnitsPerDiameter) - 1.0 - MapSlack;
        }
        return largestLessRoot(distances, squares) - 1.0 - MapSlack;
    }
    /// The first far table's units a diameter.
    static constexpr double FirstFarUnitsPerDiameter = FarDistanceTable::UnitsPerCubeSide / MapSide;
    std::int32_t halfBoxes() const { return halfCells_ / TileCells; }
    /// The far tables of an index of `halfBoxes` boxes each side of the origin: boxes of
    /// BoxSide, 2 BoxSide, 4 BoxSide, ... diameters on multiples of their sides in space, the
    /// first of each numbered `low` in space and `count` of them a side, until they span it.
    struct FarTableShape {
        std::int32_t low;
        std::int32_t count;
    };
    static std::vector<FarTableShape> farTableShapes(std::int32_t halfBoxes);
    /// The bound the far tables give a walker in cell (cx, cy, cz): the first table's, and where
    /// the walker's box's byte in a table is capped, the next one's too.
    [[gnu::noinline]] double farBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz) const;
    /// One axis's share of boxSlot(): the block's place along that axis and the box's within the
    /// block; the slot of box (bx, by, bz) is the sum of the three.
    std::size_t boxSlotPart(int axis, std::int32_t b) const
    {
        const auto box = static_cast<std::uint32_t>(b); // never negative within the cube
        return static_cast<std::size_t>(box >> 2) * blockStride_[axis] + (static_cast<std::size_t>(box & 3) << (2 * axis));
    }
    /// The box that holds cell `c` (at least 0), and the cell's place in it along the axis. Cell
    /// numbers inside the cube are never negative: as unsigned numbers these are a shift and a mask.
    static std::int32_t boxOf(std::int32_t c) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(c) / TileCells); }
    static std::int32_t withinBox(std::int32_t c) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(c) % TileCells); }
    /// Which of its box's eight map bytes the cube holding cell (cx, cy, cz) has.
    static std::int32_t mapByte(std::int32_t cx, std::int32_t cy, std::int32_t cz)
    {
        return (((cz >> 1) & 1) << 2) | (((cy >> 1) & 1) << 1) | ((cx >> 1) & 1);
    }
    /// Boxes are stored in blocks of 4 x 4 x 4: a walker's next jumps mostly land in the block
    /// it is in.
    std::size_t boxSlot(std::int32_t bx, std::int32_t by, std::int32_t bz) const
    {
        return boxSlotPart(0, bx) + boxSlotPart(1, by) + boxSlotPart(2, bz);
    }
    static std::int32_t cellSlot(std::int32_t cx, std::int32_t cy, std::int32_t cz)
    {
        return ((withinBox(cz) * TileCells + withinBox(cy)) * TileCells) + withinBox(cx);
    }
    /// A table of the units of a distance by its square: a squared distance in [k, k + 1) / steps
    /// gets the units of the smallest distance in that step, made slightly smaller still, so
    /// rounding never makes a bound too large; `cap` from `reach` on, in the last entry.
    static std::vector<std::uint8_t> unitsBySquare(double steps, double reach, double unitsPerDiameter, std::uint8_t cap);
    Tile& tileAt(std::uint32_t tile) const { return chunks_[tile >> ChunkBits][tile & ((1u << ChunkBits) - 1)]; }
    /// The tile of box (bx, by, bz), made (and filled from the particles near it) if it has none.
    Tile& tileMade(std::int32_t bx, std::int32_t by, std::int32_t bz, const SpaceParticle* particles);
    /// Lowers the bytes of the cells of `tile` (box bx, by, bz) within FineReach of `at`.
    void reachTile(Tile& tile, std::int32_t bx, std::int32_t by, std::int32_t bz, SpacePoint at);
    /// Three cells along each axis, from cell first[axis] on (a cell past last[axis] repeats
    /// it), and the tiles that hold them: they lie in at most two boxes along each axis.
    struct CellBlock {
        /// The first of the boxes along each axis, and how many there are (1 or 2).
        std::int32_t firstBox[3];
        std::int32_t boxCount[3];
        /// The tiles of those boxes, spareTile_ for a box without one.
        Tile* tiles[2][2][2];
        /// For each of the three cells along an axis, which of the boxes holds it and where in it.
        std::int32_t box[3][3];
        std::int32_t within[3][3];

        Tile& tile(int x, int y, int z) const { return *tiles[box[2][z]][box[1][y]][box[0][x]]; }
        std::int32_t slot(int x, int y, int z) const { return (within[2][z] * TileCells + within[1][y]) * TileCells + within[0][x]; }
    };
    CellBlock cellBlock(const std::int32_t* first, const std::int32_t* last) const;
    void updateFine(SpacePoint at);
    void updateNearBoxes(SpacePoint at);
    void updateMap(SpacePoint at);
    /// Lowers the eight bytes `map` of a box to the distances of its cubes' centres from a
    /// particle, given the squares of their distances along each axis (low cubes first).
    static void lowerMapBytes(std::uint8_t* map, const double* xSquares, const double* ySquares, const double* zSquares);
    void prefetchBoxes(SpacePoint at) const;
    void updateBoxWords(std::int32_t cx, std::int32_t cy, std::int32_t cz);
    /// Takes a new particle in cell (cx, cy, cz) into the far tables, `newCube` if it is the
    /// first in its cube of the distance map.
    void updateFar(std::int32_t cx, std::int32_t cy, std::int32_t cz, bool newCube);
    double coarseBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz, std::uint32_t word) const;

    std::int32_t halfCells_ = 0;
    std::int32_t cellsPerSide_ = 0;
    std::int32_t boxesPerSide_ = 0;
    /// The slots between blocks next to each other along x, y and z.
    std::size_t blockStride_[3] = {};
    /// What the index keeps of every box, side by side so that a walker reads both in one line.
    struct Box {
        /// Its tile's number plus TileFlag, or its distance bound.
        std::uint32_t word = BoxCap;
        /// The distance map's bytes of its cubes.
        std::uint8_t map[8] = {MapCap, MapCap, MapCap, MapCap, MapCap, MapCap, MapCap, MapCap};
    };
    static_assert(sizeof(Box) == 12);
    std::vector<Box> boxes_;
    std::vector<std::unique_ptr<Tile[]>> chunks_;
    std::uint32_t tileCount_ = 0;
    /// Boxes of BoxSide, 2 BoxSide, 4 BoxSide, ... diameters, until one table's boxes span the cube.
    std::vector<FarDistanceTable> far_;
    /// The words of two boxes dx, dy, dz boxes apart, [|dz|][|dy|][|dx|].
    std::uint32_t boxWords_[CoarseReach + 1][CoarseReach + 1][CoarseReach + 1];
    /// A cell's byte for a squared distance from a centre, in steps of 1 / SquareSteps.
    std::vector<std::uint8_t> unitsBySquare_;
    /// What a CellBlock holds for a box without a tile. Its lists stay empty (gatherNear() reads
    /// them); its cells' bytes take what updateFine() writes there, and nothing reads them.
    mutable Tile spareTile_;
};
