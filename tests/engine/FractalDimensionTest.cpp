#include "statistics/FractalDimension.h"
#include "lattice/GrowthField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

GrowthField blackField(std::int32_t width, std::int32_t height)
{
    GrowthField field(width, height, ColumnMap::Identity);
    field.reset(width, height, 0);
    return field;
}

void paintSquare(GrowthField& field, std::int32_t left, std::int32_t top, std::int32_t side)
{
    for (std::int32_t y = top; y < top + side; ++y)
        for (std::int32_t x = left; x < left + side; ++x)
            field.stamp(x, y);
}

} // namespace

TEST(FractalDimension, NoClusterOrTooSmallAClusterHasNoEstimate)
{
    GrowthField field = blackField(200, 200);
    EXPECT_FALSE(FractalDimension::estimate(field));
    EXPECT_TRUE(FractalDimension::boxCounts(field).empty());

    paintSquare(field, 10, 10, FractalDimension::MinimumExtent - 1);
    EXPECT_FALSE(FractalDimension::estimate(field));
    paintSquare(field, 10, 10, FractalDimension::MinimumExtent);
    EXPECT_TRUE(FractalDimension::estimate(field));

    // A few wanderers stuck far apart on the plant's strip: wide, but no cluster to measure.
    GrowthField plant(150, 300, ColumnMap::Ring);
    plant.reset(150, 300, 5);
    for (const std::int32_t x : {3, 60, 101, 148})
        plant.stamp(x, 294);
    EXPECT_FALSE(FractalDimension::ofPlant(plant));
}

TEST(FractalDimension, FilledSquareAnywhereInTheFieldIsTwoDimensional)
{
    // Boxes are aligned to the cluster, not to the field: an odd offset changes nothing.
    for (const auto& [left, top] : {std::pair{0, 0}, std::pair{37, 51}}) {
        GrowthField field = blackField(200, 200);
        paintSquare(field, left, top, 128);
        EXPECT_EQ(FractalDimension::boxCounts(field),
                  (std::vector<std::int64_t>{16384, 4096, 1024, 256, 64, 16}));
        EXPECT_NEAR(*FractalDimension::estimate(field), 2.0, 1e-12);
    }
    // An odd side: the last boxes of each row and column hold only part of the square and count,
    // ceil(33 / s) squared.
    GrowthField odd = blackField(200, 200);
    paintSquare(odd, 5, 7, 33);
    EXPECT_EQ(FractalDimension::boxCounts(odd), (std::vector<std::int64_t>{1089, 289, 81, 25}));
}

TEST(FractalDimension, TheFitStartsAtBoxesOfFourPixels)
{
    // Dots 4 pixels apart over 253 x 253: one in every box up to side 4, so those counts are flat,
    // and a quarter as many boxes at each doubling after. From side 4 on the slope is exactly 2.
    GrowthField field = blackField(300, 300);
    for (std::int32_t y = 0; y < 256; y += 4)
        for (std::int32_t x = 0; x < 256; x += 4)
            field.stamp(20 + x, 30 + y);
    EXPECT_EQ(FractalDimension::boxCounts(field), (std::vector<std::int64_t>{4096, 4096, 4096, 1024, 256, 64}));
    EXPECT_NEAR(*FractalDimension::estimate(field), 2.0, 1e-12);
}

TEST(FractalDimension, ADiagonalLineIsOneDimensionalAFlatOneHasNoEstimate)
{
    GrowthField across = blackField(200, 20);
    GrowthField diagonal = blackField(200, 200);
    for (std::int32_t i = 0; i < 128; ++i) {
        across.stamp(40 + i, 7);
        diagonal.stamp(30 + i, 50 + i);
    }
    EXPECT_NEAR(*FractalDimension::estimate(diagonal), 1.0, 1e-12);
    EXPECT_FALSE(FractalDimension::estimate(across)) << "one pixel high spans no box sizes upward";
}

TEST(FractalDimension, SierpinskiTriangleHasDimensionLog2Of3)
{
    // Pascal's triangle mod 2: every box of side 2^k holds 3^(8-k) occupied boxes' worth.
    GrowthField field = blackField(256, 256);
    for (std::int32_t y = 0; y < 256; ++y)
        for (std::int32_t x = 0; x < 256; ++x)
            if ((x & y) == 0)
                field.stamp(x, y);
    const std::vector<std::int64_t> counts = FractalDimension::boxCounts(field);
    EXPECT_EQ(counts, (std::vector<std::int64_t>{6561, 2187, 729, 243, 81, 27, 9}));
    EXPECT_NEAR(*FractalDimension::estimate(field), std::log2(3.0), 1e-12);
}

TEST(FractalDimension, PlantEstimateLeavesTheBaseStripOut)
{
    GrowthField plant(150, 300, ColumnMap::Ring);
    plant.reset(150, 300, 5);
    EXPECT_FALSE(FractalDimension::ofPlant(plant)) << "the base strip alone is no cluster";

    for (std::int32_t i = 0; i < 128; ++i) // a slanting stem of 128 pixels standing on the strip
        plant.stamp(10 + i, 294 - i);
    EXPECT_NEAR(*FractalDimension::ofPlant(plant), 1.0, 1e-12);
    EXPECT_GT(*FractalDimension::estimate(plant), 1.1) << "with the strip the picture is no line";
}

TEST(FractalDimension, LeavingOutEveryRowLeavesNothing)
{
    GrowthField field = blackField(64, 64);
    paintSquare(field, 0, 0, 64);
    EXPECT_FALSE(FractalDimension::estimate(field, 64));
    EXPECT_TRUE(FractalDimension::boxCounts(field, 100).empty());
}
