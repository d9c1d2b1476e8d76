// The far distance table on its own: its bytes against exact distances from the boxes' centres
// to the cubes taken in, and its bound against exact distances from points to those cubes.

#include "offlattice/Xoshiro256PlusPlus.h"
#include "offlattice3d/FarDistanceTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using Cube = std::array<std::int32_t, 3>;

/// The distance from `at` to the cube `cube` of side `side` (cube q spans [q, q + 1) sides).
double distanceToCube(SpacePoint at, const Cube& cube, double side)
{
    const double point[3] = {at.x, at.y, at.z};
    double squares = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double low = cube[axis] * side;
        const double off = std::max({0.0, low - point[axis], point[axis] - low - side});
        squares += off * off;
    }
    return std::sqrt(squares);
}

double nearestCube(SpacePoint at, const std::vector<Cube>& cubes, double side)
{
    double nearest = 1e300;
    for (const Cube& cube : cubes)
        nearest = std::min(nearest, distanceToCube(at, cube, side));
    return nearest;
}

/// Tables of boxes of 8 and of 32 diameters, boxes -10 to 9 along each axis, and cubes taken in
/// at random, some at the table's ends, so that their rows start at every place in a brick.
class FarDistanceTableTest : public testing::TestWithParam<double> {
protected:
    static constexpr std::int32_t Low = -10;
    static constexpr std::int32_t Boxes = 20;

    double boxSide() const { return GetParam(); }
    double unit() const { return boxSide() / 2 / FarDistanceTable::UnitsPerCubeSide; }
    SpacePoint centreOf(std::int32_t tx, std::int32_t ty, std::int32_t tz) const
    {
        return {(tx + 0.5) * boxSide(), (ty + 0.5) * boxSide(), (tz + 0.5) * boxSide()};
    }

    std::vector<Cube> takeIn(FarDistanceTable& table, int count) const
    {
        Xoshiro256PlusPlus random(7);
        std::vector<Cube> cubes;
        for (int i = 0; i < count; ++i) {
            Cube cube;
            for (std::int32_t& q : cube)
                q = 2 * Low + static_cast<std::int32_t>(random.uniform() * 2 * Boxes);
            cubes.push_back(cube);
            table.lower(cube[0], cube[1], cube[2]);
        }
        return cubes;
    }
};

TEST_P(FarDistanceTableTest, EveryByteIsTheDistanceToTheNearestCubeRoundedDownAndZeroOnlyWhereABoxHoldsOne)
{
    FarDistanceTable table(boxSide(), Low, Boxes);
    const std::vector<Cube> cubes = takeIn(table, 12);
    const double cubeSide = boxSide() / 2;
    for (std::int32_t tz = Low; tz < Low + Boxes; ++tz)
        for (std::int32_t ty = Low; ty < Low + Boxes; ++ty)
            for (std::int32_t tx = Low; tx < Low + Boxes; ++tx) {
                const double exact = nearestCube(centreOf(tx, ty, tz), cubes, cubeSide);
                const std::uint8_t units = table.units(tx, ty, tz);
                ASSERT_LE(units * unit(), exact) << "box " << tx << ", " << ty << ", " << tz;
                if (exact < FarDistanceTable::Cap * unit())
                    ASSERT_GE((units + 1) * unit(), exact) << "box " << tx << ", " << ty << ", " << tz << " kept too little";
                else
                    ASSERT_EQ(units, FarDistanceTable::Cap);
                const bool holdsOne = std::any_of(cubes.begin(), cubes.end(), [&](const Cube& cube) {
                    return cube[0] >> 1 == tx && cube[1] >> 1 == ty && cube[2] >> 1 == tz;
                });
                ASSERT_EQ(units == 0, holdsOne) << "box " << tx << ", " << ty << ", " << tz;
            }
}

TEST_P(FarDistanceTableTest, TheBoundAtAnyPointIsAtMostItsGapToTheCubesAndFarOutMostOfIt)
{
    // Any centre taken in lies in its cube, so the bound, a gap to a centre's surface, must be
    // at most the distance to the nearest cube less 1.
    FarDistanceTable table(boxSide(), Low, Boxes);
    const std::vector<Cube> cubes = takeIn(table, 6);
    Xoshiro256PlusPlus random(3);
    double boundSum = 0, gapSum = 0;
    for (int i = 0; i < 20000; ++i) {
        const double span = (Boxes - 2) * boxSide();
        const SpacePoint at{(Low + 1) * boxSide() + span * random.uniform(), (Low + 1) * boxSide() + span * random.uniform(),
                            (Low + 1) * boxSide() + span * random.uniform()};
        std::int32_t box[3];
        bool upper[3];
        const double point[3] = {at.x, at.y, at.z};
        for (int axis = 0; axis < 3; ++axis) {
            box[axis] = static_cast<std::int32_t>(std::floor(point[axis] / boxSide()));
            upper[axis] = point[axis] - box[axis] * boxSide() >= boxSide() / 2;
        }
        const double gap = nearestCube(at, cubes, boxSide() / 2) - 1;
        const double bound = table.bound(at, box, upper);
        ASSERT_LE(bound, gap + 1e-9) << "at " << at.x << ", " << at.y << ", " << at.z;
        if (gap > 2 * boxSide() && gap < FarDistanceTable::Cap * unit() / 2) {
            boundSum += bound;
            gapSum += gap;
        }
    }
    EXPECT_GT(boundSum / gapSum, 0.75) << "the bounds are too loose to be of use";
}

INSTANTIATE_TEST_SUITE_P(BoxSides, FarDistanceTableTest, testing::Values(8.0, 32.0));

} // namespace
