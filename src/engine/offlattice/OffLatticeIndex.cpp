#include "offlattice/OffLatticeIndex.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

/// The distance from `value` to the interval [low, low + length] (0 inside it).
double outside(double value, double low, double length)
{
    return std::max({0.0, low - value, value - (low + length)});
}

} // namespace

OffLatticeIndex::OffLatticeIndex(double halfSide)
{
    const auto halfTiles = static_cast<std::int32_t>(std::ceil(halfSide / TileCells));
    tilesPerSide_ = 2 * halfTiles;
    cellsPerSide_ = tilesPerSide_ * TileCells;
    halfCells_ = halfTiles * TileCells;
    tileBlocksPerRow_ = (tilesPerSide_ + 3) / 4;
    table_.assign(static_cast<std::size_t>(tileBlocksPerRow_) * static_cast<std::size_t>(tileBlocksPerRow_) * 16, 0);
    for (std::int32_t shift = CoarseShift;; ++shift) {
        const std::int32_t low = -halfCells_ >> shift;
        const std::int32_t boxes = ((halfCells_ - 1) >> shift) - low + 1;
        lowBox_.push_back(low);
        boxesPerSide_.push_back(boxes);
        const std::int32_t blocks = (boxes + 7) / 8;
        blocksPerRow_.push_back(blocks);
        occupied_.emplace_back((static_cast<std::size_t>(boxes) * static_cast<std::size_t>(boxes) + 63) / 64, 0);
        levels_.emplace_back(static_cast<std::size_t>(blocks) * static_cast<std::size_t>(blocks) * 64, CoarseCap);
        if (boxes <= 2)
            break;
    }
    boxes0_ = levels_[0].data();
    blocksPerRow0_ = blocksPerRow_[0];
    // The nearest points of two boxes dx, dy boxes apart are |dx| - 1, |dy| - 1 sides apart on
    // each axis; their distance in sixteenths of a side, rounded down.
    for (std::int32_t dy = 0; dy <= CoarseReach; ++dy)
        for (std::int32_t dx = 0; dx <= CoarseReach; ++dx) {
            const double ax = std::max(0, dx - 1);
            const double ay = std::max(0, dy - 1);
            boxUnits_[dy][dx] = static_cast<std::uint8_t>(
                std::min<double>(CoarseCap, std::floor(CoarseUnitsPerSide * std::sqrt(ax * ax + ay * ay))));
        }
}

const std::vector<std::uint8_t>& OffLatticeIndex::unitsBySquare()
{
    // A squared distance in [k, k + 1) / SquareSteps gets the units of the smallest distance in
    // that step, made slightly smaller still, so rounding never makes a bound too large. The
    // same for every index, made once.
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> units;
        for (std::int32_t step = 0;; ++step) {
            const double gap = std::sqrt(step / SquareSteps) - 1.0 - Slack;
            if (gap >= FineReach) {
                units.push_back(FineCap);
                return units;
            }
            units.push_back(static_cast<std::uint8_t>(gap <= 0 ? 0 : gap * UnitsPerDiameter));
        }
    }();
    return table;
}

std::uint32_t OffLatticeIndex::tileMade(std::int32_t tx, std::int32_t ty)
{
    std::uint32_t& entry = table_[tileSlot(tx, ty)];
    if (entry != NoTile)
        return tileIn(entry);
    if (tileCount_ >= MaxTiles) // 550 GB of tiles: no cluster that fits in memory gets here
        throw std::length_error("the off-lattice index cannot number more than 4294967294 tiles");
    if (static_cast<std::size_t>(tileCount_ >> ChunkBits) == chunks_.size())
        chunks_.push_back(std::make_unique_for_overwrite<Tile[]>(std::size_t{1} << ChunkBits)); // filled as made
    const auto tile = static_cast<std::uint32_t>(tileCount_++);
    entry = tile + 1;
    Tile& made = tileAt(tile);
    std::fill(std::begin(made.gap), std::end(made.gap), FineCap);
    std::fill(std::begin(made.head), std::end(made.head), -1);
    return tile;
}

void OffLatticeIndex::insert(std::int32_t particle, OffLatticeParticle* particles)
{
    const PlanePoint at = particles[particle].at;
    const std::int32_t cx = cellOf(at.x);
    const std::int32_t cy = cellOf(at.y);
    updateFine(at);
    Tile& home = tileAt(tileMade(cx / TileCells, cy / TileCells));
    std::int32_t& head = home.head[((cy & 7) / BinCells) * (TileCells / BinCells) + (cx & 7) / BinCells];
    particles[particle].nextInBin = head;
    head = particle;
    updateNearBoxes(at, cx, cy);
    updateCoarse(cx, cy);
}

void OffLatticeIndex::updateFine(PlanePoint at)
{
    // Every cell whose box comes within FineReach of the new particle's surface, tile by tile;
    // a cell's byte comes from its squared distance through unitsBySquare(), without a root.
    constexpr double Reach = 1.0 + FineReach;
    const double fx = at.x;
    const double fy = at.y;
    const std::int32_t x0 = cellOf(fx - Reach);
    const std::int32_t x1 = cellOf(fx + Reach);
    const std::int32_t y0 = cellOf(fy - Reach);
    const std::int32_t y1 = cellOf(fy + Reach);
    double squaresX[2 * static_cast<std::int32_t>(Reach) + 3];
    for (std::int32_t cx = x0; cx <= x1; ++cx) {
        const double dx = outside(fx, edgeOf(cx), 1.0);
        squaresX[cx - x0] = dx * dx * SquareSteps;
    }
    const std::vector<std::uint8_t>& unitsBySquare = OffLatticeIndex::unitsBySquare();
    const auto last = static_cast<std::int32_t>(unitsBySquare.size()) - 1;
    // The tiles within reach first, each asked of memory at once, so their reads overlap.
    struct Reached {
        Tile* tile;
        std::int32_t tx;
        std::int32_t ty;
    };
    Reached reached[16];
    std::int32_t count = 0;
    for (std::int32_t ty = y0 / TileCells; ty <= y1 / TileCells; ++ty) {
        const std::int32_t cyLow = std::max(y0, ty * TileCells);
        const double tileDy = outside(fy, edgeOf(cyLow), std::min(y1, ty * TileCells + TileCells - 1) + 1 - cyLow);
        for (std::int32_t tx = x0 / TileCells; tx <= x1 / TileCells; ++tx) {
            const std::int32_t cxLow = std::max(x0, tx * TileCells);
            const double tileDx = outside(fx, edgeOf(cxLow), std::min(x1, tx * TileCells + TileCells - 1) + 1 - cxLow);
            if (tileDx * tileDx + tileDy * tileDy >= Reach * Reach)
                continue; // no cell of this tile comes within reach: it is not made for nothing
            Tile* tile = &tileAt(tileMade(tx, ty));
            __builtin_prefetch(tile->gap, 1);
            reached[count++] = {tile, tx, ty};
        }
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const auto [tile, tx, ty] = reached[i];
        const std::int32_t cxLow = std::max(x0, tx * TileCells);
        const std::int32_t cxHigh = std::min(x1, tx * TileCells + TileCells - 1);
        for (std::int32_t cy = std::max(y0, ty * TileCells); cy <= std::min(y1, ty * TileCells + TileCells - 1); ++cy) {
            const double dy = outside(fy, edgeOf(cy), 1.0);
            const double squareY = dy * dy * SquareSteps;
            std::uint8_t* row = tile->gap + (cy & 7) * TileCells;
            for (std::int32_t cx = cxLow; cx <= cxHigh; ++cx) {
                const auto step = std::min(last, static_cast<std::int32_t>(squaresX[cx - x0] + squareY));
                std::uint8_t& cell = row[cx & 7];
                cell = std::min(cell, unitsBySquare[static_cast<std::size_t>(step)]);
            }
        }
    }
}

void OffLatticeIndex::updateNearBoxes(PlanePoint at, std::int32_t cx, std::int32_t cy)
{
    // The smallest boxes up to NearBoxes boxes from the particle's own take its true distance to
    // them, far tighter than the distance between boxes, which the boxes farther out take.
    constexpr double UnitsPerDiameter = CoarseUnitsPerSide / TileCells;
    const std::int32_t bx = cx >> CoarseShift;
    const std::int32_t by = cy >> CoarseShift;
    for (std::int32_t y = std::max(0, by - NearBoxes); y <= std::min(tilesPerSide_ - 1, by + NearBoxes); ++y) {
        const double dy = outside(at.y, edgeOf(y * TileCells), TileCells);
        for (std::int32_t x = std::max(0, bx - NearBoxes); x <= std::min(tilesPerSide_ - 1, bx + NearBoxes); ++x) {
            const double dx = outside(at.x, edgeOf(x * TileCells), TileCells);
            const double units = std::min<double>(CoarseCap, std::sqrt(dx * dx + dy * dy) * UnitsPerDiameter - Slack);
            std::uint8_t& box = levels_[0][boxSlot(x, y, blocksPerRow_[0])];
            box = std::min(box, static_cast<std::uint8_t>(std::max(0.0, units)));
        }
    }
}

void OffLatticeIndex::updateCoarse(std::int32_t cx, std::int32_t cy)
{
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::int32_t shift = CoarseShift + static_cast<std::int32_t>(level);
        const std::int32_t bx = ((cx - halfCells_) >> shift) - lowBox_[level];
        const std::int32_t by = ((cy - halfCells_) >> shift) - lowBox_[level];
        const std::int32_t side = boxesPerSide_[level];
        const std::size_t box = static_cast<std::size_t>(by) * static_cast<std::size_t>(side) + static_cast<std::size_t>(bx);
        std::vector<std::uint64_t>& occupied = occupied_[level];
        if (occupied[box >> 6] & (std::uint64_t{1} << (box & 63)))
            return; // this box held a particle already, and so do the larger ones around it
        occupied[box >> 6] |= std::uint64_t{1} << (box & 63);
        // Each box within reach takes the distance between it and the new box.
        for (std::int32_t y = std::max(0, by - CoarseReach); y <= std::min(side - 1, by + CoarseReach); ++y) {
            const std::uint8_t* units = boxUnits_[std::abs(y - by)];
            for (std::int32_t x = std::max(0, bx - CoarseReach); x <= std::min(side - 1, bx + CoarseReach); ++x) {
                const std::uint8_t distance = units[std::abs(x - bx)];
                if (level == 0 && std::max(std::abs(x - bx), std::abs(y - by)) <= NearBoxes)
                    continue; // these took the particles' own distances
                std::uint8_t& units = levels_[level][boxSlot(x, y, blocksPerRow_[level])];
                units = std::min(units, distance);
            }
        }
    }
}

double OffLatticeIndex::coarseBound(PlanePoint at, std::int32_t cx, std::int32_t cy, std::uint8_t box) const
{
    // No particle is within FineReach of this cell. Each level knows the distance D from the
    // walker's box to the nearest box that holds a particle; when D > 0 every particle lies
    // outside the walker's box, so a straight line to it first crosses that box's edge: the
    // distance is at least D plus the walker's distance to the edge. A capped box says only that
    // D is at least CoarseReach sides, so the next level may say more.
    double bound = FineReach;
    for (std::size_t level = 0; level < levels_.size(); ++level) {
        const std::int32_t shift = CoarseShift + static_cast<std::int32_t>(level);
        const std::int32_t planeX = (cx - halfCells_) >> shift;
        const std::int32_t planeY = (cy - halfCells_) >> shift;
        const std::uint8_t units =
            level == 0 ? box
                       : levels_[level][boxSlot(planeX - lowBox_[level], planeY - lowBox_[level], blocksPerRow_[level])];
        if (units > 0) {
            const double side = static_cast<double>(1 << shift);
            const double x0 = planeX * side;
            const double y0 = planeY * side;
            const double edge = std::min(std::min(at.x - x0, x0 + side - at.x), std::min(at.y - y0, y0 + side - at.y));
            bound = std::max(bound, units * (side / CoarseUnitsPerSide) + edge - 1.0 - Slack);
        }
        if (units < CoarseCap)
            break;
    }
    return bound;
}

void OffLatticeIndex::gatherNear(PlanePoint at, const OffLatticeParticle* particles, Near& near) const
{
    constexpr double Reach = 1.0 + NearReach;
    constexpr std::int32_t BinsPerTile = TileCells / BinCells;
    const std::int32_t cx = cellOf(at.x);
    const std::int32_t cy = cellOf(at.y);
    near.corner = {edgeOf(cx), edgeOf(cy)};
    near.count = 0;
    // The 3 x 3 bins around the cell. Their lists are walked side by side, a particle of each in
    // turn, so the reads of particles that are not in the cache overlap.
    std::int32_t next[9];
    std::int32_t lists = 0;
    for (std::int32_t by = (cy - 2) / BinCells; by <= (cy + 2) / BinCells; ++by) {
        for (std::int32_t bx = (cx - 2) / BinCells; bx <= (cx + 2) / BinCells; ++bx) {
            const std::uint32_t entry = table_[tileSlot(bx / BinsPerTile, by / BinsPerTile)];
            if (entry != NoTile)
                if (const std::int32_t head = tileAt(tileIn(entry)).head[(by % BinsPerTile) * BinsPerTile + bx % BinsPerTile]; head >= 0)
                    next[lists++] = head;
        }
    }
    while (lists > 0) {
        for (std::int32_t list = 0; list < lists;) {
            const std::int32_t p = next[list];
            const PlanePoint centre = particles[p].at;
            const double dx = outside(centre.x, near.corner.x, 1.0);
            const double dy = outside(centre.y, near.corner.y, 1.0);
            if (dx * dx + dy * dy <= Reach * Reach) {
                near.x[near.count] = centre.x;
                near.y[near.count] = centre.y;
                near.particle[near.count] = p;
                ++near.count;
            }
            next[list] = particles[p].nextInBin;
            if (next[list] < 0)
                next[list] = next[--lists]; // this list is done: the last takes its place
            else
                ++list;
        }
    }
}

std::uint64_t OffLatticeIndex::fixedBytes(double halfSide)
{
    // The tile table (an int32 a tile, in blocks of 4 x 4), the coarse levels (a byte a box of 8
    // cells, in blocks of 8 x 8, a quarter of that for each next level: under 4 / 3 in all) and
    // their bits; a margin of a block on each side for the rounding up.
    const auto tiles = static_cast<std::uint64_t>(2 * std::ceil(halfSide / TileCells)) + 8;
    return tiles * tiles * (sizeof(std::int32_t) + 2) + (1 << 16);
}

std::uint64_t OffLatticeIndex::bytes() const
{
    std::uint64_t total = table_.capacity() * sizeof(std::uint32_t) + chunks_.size() * (BytesPerTile << ChunkBits);
    for (const auto& level : levels_)
        total += level.capacity();
    for (const auto& level : occupied_)
        total += level.capacity() * sizeof(std::uint64_t);
    return total;
}
