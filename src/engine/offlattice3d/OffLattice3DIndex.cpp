#include "offlattice3d/OffLattice3DIndex.h"

#include <cmath>

OffLattice3DIndex::OffLattice3DIndex(double halfSide)
{
    const auto halfBoxes = static_cast<std::int32_t>(std::ceil(halfSide / BoxSide));
    boxesPerSide_ = 2 * halfBoxes;
    halfCells_ = halfBoxes * TileCells;
    cellsPerSide_ = boxesPerSide_ * TileCells;
    const auto blocks = static_cast<std::size_t>((boxesPerSide_ + 3) / 4);
    blockStride_[0] = 64;
    blockStride_[1] = 64 * blocks;
    blockStride_[2] = 64 * blocks * blocks;
    boxes_.assign(blocks * blocks * blocks * 64, Box{});
    for (const FarTableShape& shape : farTableShapes(halfBoxes))
        far_.emplace_back(BoxSide * (1 << far_.size()), shape.low, shape.count);
    // The nearest points of two boxes d boxes apart on an axis are max(0, |d| - 1) sides apart.
    for (std::int32_t dz = 0; dz <= CoarseReach; ++dz)
        for (std::int32_t dy = 0; dy <= CoarseReach; ++dy)
            for (std::int32_t dx = 0; dx <= CoarseReach; ++dx) {
                const double ax = std::max(0, dx - 1), ay = std::max(0, dy - 1), az = std::max(0, dz - 1);
                const double sides = std::sqrt(ax * ax + ay * ay + az * az);
                boxWords_[dz][dy][dx] = static_cast<std::uint32_t>(
                    std::min<double>(BoxCap, std::floor(sides * BoxSide * BoxUnitsPerDiameter)));
            }
    unitsBySquare_ = unitsBySquare(SquareSteps, FineReach, FineUnitsPerDiameter, FineCap);
    // The first chunk is made at once, so that tile 0 can be named before any particle has
    // made it (cellBlock() names it where a box has no tile, and then takes the spare one).
    chunks_.push_back(std::make_unique_for_overwrite<Tile[]>(TilesPerChunk));
    std::fill(std::begin(spareTile_.head), std::end(spareTile_.head), -1);
    std::fill(std::begin(spareTile_.gap), std::end(spareTile_.gap), FineCap);
}

std::vector<OffLattice3DIndex::FarTableShape> OffLattice3DIndex::farTableShapes(std::int32_t halfBoxes)
{
    std::vector<FarTableShape> shapes;
    for (std::int32_t shift = 0;; ++shift) {
        const std::int32_t low = -halfBoxes >> shift;
        const std::int32_t count = ((halfBoxes - 1) >> shift) - low + 1;
        shapes.push_back({low, count});
        if (count <= 2)
            return shapes;
    }
}

std::vector<std::uint8_t> OffLattice3DIndex::unitsBySquare(double steps, double reach, double unitsPerDiameter,
                                                          std::uint8_t cap)
{
    std::vector<std::uint8_t> units;
    for (std::int32_t step = 0;; ++step) {
        const double distance = std::sqrt(step / steps) - Slack;
        if (distance >= reach) {
            units.push_back(cap);
            return units;
        }
        units.push_back(static_cast<std::uint8_t>(distance <= 0 ? 0 : distance * unitsPerDiameter));
    }
}

void OffLattice3DIndex::insert(std::int32_t particle, SpaceParticle* particles)
{
    const SpacePoint at = particles[particle].at;
    const std::int32_t cx = cellOf(at.x);
    const std::int32_t cy = cellOf(at.y);
    const std::int32_t cz = cellOf(at.z);
    const bool newTile = boxes_[boxSlot(cx / TileCells, cy / TileCells, cz / TileCells)].word < TileFlag;
    Tile& home = tileMade(cx / TileCells, cy / TileCells, cz / TileCells, particles);
    // The map's cube, two cells a side, lies in the one tile.
    bool newCube = true;
    for (std::int32_t corner = 0; corner < 8; ++corner)
        newCube &= home.head[cellSlot((cx & ~1) + (corner & 1), (cy & ~1) + ((corner >> 1) & 1), (cz & ~1) + (corner >> 2))] < 0;
    std::int32_t& head = home.head[cellSlot(cx, cy, cz)];
    particles[particle].nextInCell = head;
    head = particle;
    updateFine(at);
    updateNearBoxes(at);
    updateMap(at);
    if (newTile)
        updateBoxWords(cx, cy, cz);
    updateFar(cx, cy, cz, newCube);
}

void OffLattice3DIndex::prefetchBoxes(SpacePoint at) const
{
    // The boxes whose map a particle may lower all lie within MapReach of it. Asking memory for
    // them all before the first is read lets their reads overlap.
    std::int32_t first[3];
    std::int32_t last[3];
    const double centre[3] = {at.x, at.y, at.z};
    for (int axis = 0; axis < 3; ++axis) {
        first[axis] = std::max(0, cellOf(centre[axis] - MapReach) / TileCells);
        last[axis] = std::min(boxesPerSide_ - 1, cellOf(centre[axis] + MapReach) / TileCells);
    }
    for (std::int32_t bz = first[2]; bz <= last[2]; ++bz)
        for (std::int32_t by = first[1]; by <= last[1]; ++by)
            for (std::int32_t bx = first[0]; bx <= last[0]; ++bx)
                __builtin_prefetch(&boxes_[boxSlot(bx, by, bz)], 1);
}

OffLattice3DIndex::Tile& OffLattice3DIndex::tileMade(std::int32_t bx, std::int32_t by, std::int32_t bz,
                                                     const SpaceParticle* particles)
{
    std::uint32_t& word = boxes_[boxSlot(bx, by, bz)].word;
    if (word >= TileFlag)
        return tileAt(word - TileFlag);
    if ((tileCount_ >> ChunkBits) == chunks_.size())
        chunks_.push_back(std::make_unique_for_overwrite<Tile[]>(std::size_t{1} << ChunkBits)); // filled as made
    const std::uint32_t number = tileCount_++;
    word = TileFlag + number;
    Tile& made = tileAt(number);
    std::fill(std::begin(made.head), std::end(made.head), -1);
    std::fill(std::begin(made.gap), std::end(made.gap), FineCap);
    // The particles already near it all lie in the boxes around (FineReach is below a box side),
    // in their cells no farther than FineReach from it.
    constexpr std::int32_t Layers = std::min(TileCells, static_cast<std::int32_t>(FineReach / CellSide) + 1);
    const auto cellsFacing = [](std::int32_t offset, std::int32_t& low, std::int32_t& high) {
        low = offset < 0 ? TileCells - Layers : 0;
        high = offset > 0 ? Layers - 1 : TileCells - 1;
    };
    for (std::int32_t z = std::max(0, bz - 1); z <= std::min(boxesPerSide_ - 1, bz + 1); ++z)
        for (std::int32_t y = std::max(0, by - 1); y <= std::min(boxesPerSide_ - 1, by + 1); ++y)
            for (std::int32_t x = std::max(0, bx - 1); x <= std::min(boxesPerSide_ - 1, bx + 1); ++x) {
                const std::uint32_t other = boxes_[boxSlot(x, y, z)].word;
                if (other < TileFlag || (x == bx && y == by && z == bz))
                    continue;
                const Tile& tile = tileAt(other - TileFlag);
                std::int32_t x0, x1, y0, y1, z0, z1;
                cellsFacing(x - bx, x0, x1);
                cellsFacing(y - by, y0, y1);
                cellsFacing(z - bz, z0, z1);
                for (std::int32_t cz = z0; cz <= z1; ++cz)
                    for (std::int32_t cy = y0; cy <= y1; ++cy)
                        for (std::int32_t cx = x0; cx <= x1; ++cx)
                            for (std::int32_t p = tile.head[cellSlot(cx, cy, cz)]; p >= 0; p = particles[p].nextInCell)
                                reachTile(made, bx, by, bz, particles[p].at);
            }
    return made;
}

void OffLattice3DIndex::reachTile(Tile& tile, std::int32_t bx, std::int32_t by, std::int32_t bz, SpacePoint at)
{
    // A cell's byte comes from its squared distance to the centre through unitsBySquare_, no root.
    const std::int32_t low[3] = {bx * TileCells, by * TileCells, bz * TileCells};
    const double centre[3] = {at.x, at.y, at.z};
    std::int32_t first[3];
    std::int32_t last[3];
    double squares[3][TileCells];
    for (int axis = 0; axis < 3; ++axis) {
        first[axis] = std::max(low[axis], cellOf(centre[axis] - FineReach));
        last[axis] = std::min(low[axis] + TileCells - 1, cellOf(centre[axis] + FineReach));
        if (first[axis] > last[axis])
            return;
        for (std::int32_t c = first[axis]; c <= last[axis]; ++c) {
            const double d = outside(centre[axis], edgeOf(c), CellSide);
            squares[axis][c - low[axis]] = d * d * SquareSteps;
        }
    }
    const auto lastStep = static_cast<std::int32_t>(unitsBySquare_.size()) - 1;
    for (std::int32_t cz = first[2]; cz <= last[2]; ++cz)
        for (std::int32_t cy = first[1]; cy <= last[1]; ++cy) {
            const double squareYZ = squares[2][cz - low[2]] + squares[1][cy - low[1]];
            for (std::int32_t cx = first[0]; cx <= last[0]; ++cx) {
                const auto step = std::min(lastStep, static_cast<std::int32_t>(squares[0][cx - low[0]] + squareYZ));
                std::uint8_t& cell = tile.gap[cellSlot(cx, cy, cz)];
                cell = std::min(cell, unitsBySquare_[static_cast<std::size_t>(step)]);
            }
        }
}

OffLattice3DIndex::CellBlock OffLattice3DIndex::cellBlock(const std::int32_t* first, const std::int32_t* last) const
{
    CellBlock block;
    for (int axis = 0; axis < 3; ++axis) {
        block.firstBox[axis] = boxOf(first[axis]);
        block.boxCount[axis] = boxOf(last[axis]) - block.firstBox[axis] + 1;
        for (std::int32_t d = 0; d < 3; ++d) {
            const std::int32_t c = std::min(first[axis] + d, last[axis]);
            block.box[axis][d] = boxOf(c) - block.firstBox[axis];
            block.within[axis][d] = withinBox(c);
        }
    }
    // Always 2 x 2 x 2, the one box along an axis that has only one taken twice, and a box's tile
    // or the spare one chosen by a select: how many boxes there are and which have tiles are
    // coin tosses to the processor. Tile 0 can always be named (its chunk is made first).
    for (std::int32_t z = 0; z < 2; ++z)
        for (std::int32_t y = 0; y < 2; ++y)
            for (std::int32_t x = 0; x < 2; ++x) {
                const std::uint32_t word = boxes_[boxSlot(block.firstBox[0] + std::min(x, block.boxCount[0] - 1),
                                                          block.firstBox[1] + std::min(y, block.boxCount[1] - 1),
                                                          block.firstBox[2] + std::min(z, block.boxCount[2] - 1))].word;
                Tile* const tile = &tileAt(word >= TileFlag ? word - TileFlag : 0);
                block.tiles[z][y][x] = word >= TileFlag ? tile : &spareTile_;
            }
    return block;
}

void OffLattice3DIndex::updateFine(SpacePoint at)
{
    // The cells within FineReach of the particle are the three about its own along each axis
    // (a cell is FineReach wide). All 27 are lowered in loops of fixed length, so that the
    // processor does not guess at where a run of cells ends.
    const double centre[3] = {at.x, at.y, at.z};
    std::int32_t first[3];
    std::int32_t last[3];
    double squares[3][3];
    for (int axis = 0; axis < 3; ++axis) {
        first[axis] = cellOf(centre[axis] - FineReach);
        last[axis] = cellOf(centre[axis] + FineReach);
        for (std::int32_t d = 0; d < 3; ++d) {
            const double off = outside(centre[axis], edgeOf(std::min(first[axis] + d, last[axis])), CellSide);
            // Should rounding ever make the run two cells, the third repeats the second, out of reach.
            squares[axis][d] = first[axis] + d <= last[axis] ? off * off * SquareSteps : Unreached;
        }
    }
    const CellBlock block = cellBlock(first, last);
    const auto lastStep = static_cast<std::int32_t>(unitsBySquare_.size()) - 1;
    for (std::int32_t z = 0; z < 3; ++z)
        for (std::int32_t y = 0; y < 3; ++y) {
            const double squareYZ = squares[2][z] + squares[1][y];
            for (std::int32_t x = 0; x < 3; ++x) {
                const auto step = std::min(lastStep, static_cast<std::int32_t>(squares[0][x] + squareYZ)); // 3 Unreached fit
                std::uint8_t& cell = block.tile(x, y, z).gap[block.slot(x, y, z)];
                cell = std::min(cell, unitsBySquare_[static_cast<std::size_t>(step)]);
            }
        }
}

void OffLattice3DIndex::updateNearBoxes(SpacePoint at)
{
    // The boxes next to the particle's own take its true distance to them, far tighter than the
    // distance between boxes, which the boxes farther out take. The particle lies EdgeMargin
    // inside the cube, so all 27 are there: they are lowered in loops of fixed length, a box
    // with a tile keeping its word by a select, not a branch the processor would guess at.
    static_assert(NearBoxes == 1 && EdgeMargin >= BoxSide);
    const double centre[3] = {at.x, at.y, at.z};
    const std::int32_t own[3] = {boxOf(cellOf(at.x)), boxOf(cellOf(at.y)), boxOf(cellOf(at.z))};
    double squares[3][3];
    for (int axis = 0; axis < 3; ++axis)
        for (std::int32_t d = 0; d < 3; ++d) {
            const double off = outside(centre[axis], edgeOf((own[axis] + d - 1) * TileCells), BoxSide);
            squares[axis][d] = off * off;
        }
    for (std::int32_t z = 0; z < 3; ++z)
        for (std::int32_t y = 0; y < 3; ++y)
            for (std::int32_t x = 0; x < 3; ++x) {
                std::uint32_t& word = boxes_[boxSlot(own[0] + x - 1, own[1] + y - 1, own[2] + z - 1)].word;
                const double units = std::sqrt(squares[0][x] + squares[1][y] + squares[2][z]) * BoxUnitsPerDiameter - Slack;
                const std::uint32_t lowered = std::min(word, static_cast<std::uint32_t>(std::max(0.0, units)));
                word = word >= TileFlag ? word : lowered;
            }
}

void OffLattice3DIndex::updateMap(SpacePoint at)
{
    // The cubes whose centres lie within MapReach of the particle, a box's eight at a time. A
    // box's low cubes start at its first cell, its high ones two cells on.
    const double centre[3] = {at.x, at.y, at.z};
    std::int32_t first[3];
    std::int32_t last[3];
    constexpr std::int32_t MaxSpan = static_cast<std::int32_t>(2 * MapReach / BoxSide) + 2;
    // The squared distances along each axis from the particle to the centres of the low and the
    // high cube of each box, in double precision to tell exactly which boxes have a cube within
    // reach.
    double squares[3][MaxSpan][2];
    for (int axis = 0; axis < 3; ++axis) {
        first[axis] = std::max(0, cellOf(centre[axis] - MapReach) / TileCells);
        last[axis] = std::min(boxesPerSide_ - 1, cellOf(centre[axis] + MapReach) / TileCells);
        for (std::int32_t b = first[axis]; b <= last[axis]; ++b)
            for (std::int32_t half = 0; half < 2; ++half) {
                const double d = edgeOf(b * TileCells + 2 * half) + MapSide / 2 - centre[axis];
                squares[axis][b - first[axis]][half] = d * d;
            }
    }
    prefetchBoxes(at);
    constexpr double Reach = MapReach * MapReach;
    // Along a row of boxes the nearest of a box's cubes draws nearer up to the particle's own box
    // and farther after it, so the boxes of a row within reach are a run about that box: its ends
    // are counted, not found by a branch per box, which the processor would guess wrong at both.
    const std::int32_t span = last[0] - first[0] + 1;
    const std::int32_t own = boxOf(cellOf(at.x)) - first[0];
    double nearestX[MaxSpan];
    for (std::int32_t b = 0; b < span; ++b)
        nearestX[b] = std::min(squares[0][b][0], squares[0][b][1]);
    for (std::int32_t bz = first[2]; bz <= last[2]; ++bz)
        for (std::int32_t by = first[1]; by <= last[1]; ++by) {
            const double* zs = squares[2][bz - first[2]];
            const double* ys = squares[1][by - first[1]];
            const double rowNearest = std::min(zs[0], zs[1]) + std::min(ys[0], ys[1]);
            if (nearestX[own] + rowNearest >= Reach)
                continue; // no cube of this row of boxes is within reach
            std::int32_t low = 0;
            std::int32_t high = span - 1;
            for (std::int32_t b = 0; b < own; ++b)
                low += nearestX[b] + rowNearest >= Reach;
            for (std::int32_t b = own + 1; b < span; ++b)
                high -= nearestX[b] + rowNearest >= Reach;
            for (std::int32_t b = low; b <= high; ++b)
                lowerMapBytes(boxes_[boxSlot(first[0] + b, by, bz)].map, squares[0][b], ys, zs);
        }
}

void OffLattice3DIndex::lowerMapBytes(std::uint8_t* map, const double* xSquares, const double* ySquares, const double* zSquares)
{
    // Each byte is the distance in units less a hundredth, rounded down: single precision is
    // good to a thousandth of a unit at MapReach, so no byte is ever above the true distance.
    // Both ways below do the same operations in the same order, so give the same bytes.
    const float xs[2] = {static_cast<float>(xSquares[0]), static_cast<float>(xSquares[1])};
    const float ys[2] = {static_cast<float>(ySquares[0]), static_cast<float>(ySquares[1])};
    const float zs[2] = {static_cast<float>(zSquares[0]), static_cast<float>(zSquares[1])};
    constexpr float Units = static_cast<float>(MapUnitsPerDiameter);
    constexpr float Margin = 0.01f;
    constexpr float Cap = MapCap;
#ifdef __SSE2__
    const __m128 xy = _mm_set_ps(xs[1] + ys[1], xs[0] + ys[1], xs[1] + ys[0], xs[0] + ys[0]);
    const auto unitsOf = [&](__m128 square) {
        const __m128 units = _mm_sub_ps(_mm_mul_ps(_mm_sqrt_ps(square), _mm_set1_ps(Units)), _mm_set1_ps(Margin));
        return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(units, _mm_setzero_ps()), _mm_set1_ps(Cap)));
    };
    const __m128i low = unitsOf(_mm_add_ps(xy, _mm_set1_ps(zs[0])));
    const __m128i high = unitsOf(_mm_add_ps(xy, _mm_set1_ps(zs[1])));
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(low, high), _mm_setzero_si128());
    const __m128i old = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(map));
    const __m128i lowered = _mm_min_epu8(old, packed);
    // Written back whether or not a byte fell: whether one does is a coin toss, and a branch the
    // processor guesses wrong costs more than the store.
    _mm_storel_epi64(reinterpret_cast<__m128i*>(map), lowered);
#else
    for (std::int32_t byte = 0; byte < 8; ++byte) {
        const float square = (xs[byte & 1] + ys[(byte >> 1) & 1]) + zs[byte >> 2];
        const float units = std::min(std::max(std::sqrt(square) * Units - Margin, 0.0f), Cap);
        map[byte] = std::min(map[byte], static_cast<std::uint8_t>(units));
    }
#endif
}

void OffLattice3DIndex::updateBoxWords(std::int32_t cx, std::int32_t cy, std::int32_t cz)
{
    // The boxes beyond the next ones take the distance between boxes.
    const std::int32_t box[3] = {boxOf(cx), boxOf(cy), boxOf(cz)};
    for (std::int32_t z = std::max(0, box[2] - CoarseReach); z <= std::min(boxesPerSide_ - 1, box[2] + CoarseReach); ++z)
        for (std::int32_t y = std::max(0, box[1] - CoarseReach); y <= std::min(boxesPerSide_ - 1, box[1] + CoarseReach); ++y)
            for (std::int32_t x = std::max(0, box[0] - CoarseReach); x <= std::min(boxesPerSide_ - 1, box[0] + CoarseReach); ++x) {
                const std::int32_t ax = std::abs(x - box[0]), ay = std::abs(y - box[1]), az = std::abs(z - box[2]);
                // Not the boxes next to it, which took the particles' own distances, nor
                // those with tiles: kept by a select, as which they are is hard to guess.
                const bool nearBox = std::max(std::max(ax, ay), az) <= NearBoxes;
                std::uint32_t& word = boxes_[boxSlot(x, y, z)].word;
                const std::uint32_t lowered = std::min(word, boxWords_[az][ay][ax]);
                word = nearBox || word >= TileFlag ? word : lowered;
            }
}

void OffLattice3DIndex::updateFar(std::int32_t cx, std::int32_t cy, std::int32_t cz, bool newCube)
{
    // Table k's source cubes are table k - 1's boxes (the first's are the distance map's cubes),
    // and a box of table k - 1 that held no centre until now has a byte above 0 there.
    const std::int32_t cell[3] = {cx - halfCells_, cy - halfCells_, cz - halfCells_};
    bool newSource = newCube;
    for (std::size_t table = 0; table < far_.size() && newSource; ++table) {
        const auto shift = static_cast<std::int32_t>(table) + 2;
        newSource = far_[table].units(cell[0] >> shift, cell[1] >> shift, cell[2] >> shift) != 0;
        far_[table].lower(cell[0] >> (shift - 1), cell[1] >> (shift - 1), cell[2] >> (shift - 1));
    }
}

double OffLattice3DIndex::farBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz) const
{
    const std::int32_t cell[3] = {cx - halfCells_, cy - halfCells_, cz - halfCells_};
    double bound = -1.0;
    for (std::size_t table = 0;; ++table) {
        const auto shift = static_cast<std::int32_t>(table) + 2;
        const std::int32_t box[3] = {cell[0] >> shift, cell[1] >> shift, cell[2] >> shift};
        const bool upper[3] = {((cell[0] >> (shift - 1)) & 1) != 0, ((cell[1] >> (shift - 1)) & 1) != 0,
                               ((cell[2] >> (shift - 1)) & 1) != 0};
        bound = std::max(bound, far_[table].bound(at, box, upper));
        if (table + 1 == far_.size() || far_[table].units(box[0], box[1], box[2]) < FarDistanceTable::Cap)
            return bound;
    }
}

double OffLattice3DIndex::coarseBound(SpacePoint at, std::int32_t cx, std::int32_t cy, std::int32_t cz,
                                      std::uint32_t word) const
{
    // No centre lies in this box. Its word is the distance D from the box to the nearest centre
    // (or box that holds one), so a centre is at least D plus the walker's distance to its box's
    // faces away.
    const std::int32_t box[3] = {cx / TileCells, cy / TileCells, cz / TileCells};
    double bound = -1.0;
    if (word > 0)
        bound = word * (1.0 / BoxUnitsPerDiameter) +
                edgeDistance(at, box[0] * TileCells, box[1] * TileCells, box[2] * TileCells, BoxSide) - 1.0 - Slack;
    return bound;
}

void OffLattice3DIndex::gatherNear(SpacePoint at, const SpaceParticle* particles, Near& near) const
{
    constexpr double Reach = 1.0 + NearReach;
    const std::int32_t cell[3] = {cellOf(at.x), cellOf(at.y), cellOf(at.z)};
    near.corner = {edgeOf(cell[0]), edgeOf(cell[1]), edgeOf(cell[2])};
    near.count = 0;
    // The 3 x 3 x 3 cells around (a cell is CellSide >= Reach wide). The heads of their tiles
    // are asked of memory before the first is read, so that their reads overlap.
    const std::int32_t first[3] = {cell[0] - 1, cell[1] - 1, cell[2] - 1};
    const std::int32_t last[3] = {cell[0] + 1, cell[1] + 1, cell[2] + 1};
    const CellBlock block = cellBlock(first, last);
    for (std::int32_t z = 0; z < 2; ++z)
        for (std::int32_t y = 0; y < 2; ++y)
            for (std::int32_t x = 0; x < 2; ++x) {
                // A layer of the tile's heads fills one line: the three layers about the walker's
                // are asked, those beyond the tile's ends as its end layers (asked twice, read
                // once). All eight tiles of the block are asked, repeats and the spare one too,
                // which costs less than a branch on which they are.
                const std::int32_t bz = block.firstBox[2] + std::min(z, block.boxCount[2] - 1);
                for (std::int32_t d = -1; d <= 1; ++d) {
                    const std::int32_t layer = std::clamp(cell[2] + d, bz * TileCells, bz * TileCells + TileCells - 1);
                    __builtin_prefetch(&block.tiles[z][y][x]->head[withinBox(layer) * TileCells * TileCells]);
                }
            }
    // All 27 cells in a loop of fixed length, the empty lists dropped by counting, not by a
    // branch: which cells hold particles is a coin toss the processor cannot predict.
    std::int32_t next[27];
    std::int32_t lists = 0;
    for (std::int32_t z = 0; z < 3; ++z)
        for (std::int32_t y = 0; y < 3; ++y)
            for (std::int32_t x = 0; x < 3; ++x) {
                const std::int32_t head = block.tile(x, y, z).head[block.slot(x, y, z)];
                __builtin_prefetch(&particles[std::max(head, 0)]); // an empty cell asks for particle 0, which costs less than a branch
                next[lists] = head;
                lists += head >= 0;
            }
    // The lists are walked side by side, a particle of each in turn, so the reads of particles
    // that are not in the cache overlap.
    while (lists > 0) {
        for (std::int32_t list = 0; list < lists;) {
            const std::int32_t p = next[list];
            const SpacePoint centre = particles[p].at;
            const double dx = outside(centre.x, near.corner.x, CellSide);
            const double dy = outside(centre.y, near.corner.y, CellSide);
            const double dz = outside(centre.z, near.corner.z, CellSide);
            // Written in any case and kept by counting it: whether a centre is within reach is
            // a coin toss the processor cannot predict. Fewer than NearCapacity are ever kept, so
            // the slot after them is always there.
            near.x[near.count] = centre.x;
            near.y[near.count] = centre.y;
            near.z[near.count] = centre.z;
            near.particle[near.count] = p;
            near.count += dx * dx + dy * dy + dz * dz <= Reach * Reach;
            next[list] = particles[p].nextInCell;
            if (next[list] < 0) {
                next[list] = next[--lists]; // this list is done: the last takes its place
            } else {
                __builtin_prefetch(&particles[next[list]]);
                ++list;
            }
        }
    }
}

std::uint64_t OffLattice3DIndex::fixedBytes(double halfSide)
{
    // A Box (word and map) a box, the far tables, and a margin for the rounding up.
    const auto halfBoxes = static_cast<std::int32_t>(std::ceil(halfSide / BoxSide));
    const auto blocks = static_cast<std::uint64_t>((2 * halfBoxes + 3) / 4);
    const std::uint64_t boxes = blocks * blocks * blocks * 64;
    std::uint64_t far = 0;
    for (const FarTableShape& shape : farTableShapes(halfBoxes))
        far += FarDistanceTable::bytesFor(shape.count);
    return boxes * sizeof(Box) + far + (1 << 16);
}

std::uint64_t OffLattice3DIndex::bytes() const
{
    std::uint64_t total = boxes_.capacity() * sizeof(Box) + chunks_.size() * (BytesPerTile << ChunkBits) +
                          chunks_.capacity() * sizeof(chunks_[0]);
    for (const FarDistanceTable& table : far_)
        total += table.bytes();
    return total;
}
