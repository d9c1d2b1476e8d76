#include "lattice/FieldSizeError.h"
#include "lattice/GrowthField.h"
#include "lattice/RandomSource.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

GrowthField blackField(std::int32_t w, std::int32_t h, ColumnMap map)
{
    GrowthField field(w, h, map);
    field.reset(w, h, 0);
    return field;
}

} // namespace

TEST(GrowthFieldPixels, ReadsOutsideAreNeverWhiteAndWritesOutsideChangeNothing)
{
    GrowthField field(10, 20, ColumnMap::Identity); // a new field is all white
    for (auto [x, y] : {std::pair{-1, 0}, {10, 0}, {0, 20}, {0, -1}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_EQ(field.read(x, y), GrowthField::Outside);
        field.write(x, y, GrowthField::Black);
        field.stamp(x, y);
    }
    EXPECT_EQ(whitePixels(field), 200);
}

TEST(GrowthFieldPixels, ColoursRoundTripAsRedPlusGreenTimes256PlusBlueTimes65536)
{
    GrowthField field(4, 3, ColumnMap::Identity);
    field.write(1, 2, 0x123456);
    EXPECT_EQ(field.read(1, 2), 0x123456u);
    // Bottom row first, blue-green-red: (1, 2) is in the first row of the block.
    const std::uint8_t* pixel = field.pixelBlock() + 3;
    EXPECT_EQ(pixel[0], 0x12);
    EXPECT_EQ(pixel[1], 0x34);
    EXPECT_EQ(pixel[2], 0x56);
    EXPECT_FALSE(field.isWhite(1, 2));
    field.stamp(1, 2);
    EXPECT_TRUE(field.isWhite(1, 2));
}

TEST(GrowthFieldReset, ClearsToBlackWithWhiteBottomRowsAndCountsThemExactly)
{
    // Tiny rings overlap their wrap cases; the other widths have odd row padding.
    for (ColumnMap map : {ColumnMap::Identity, ColumnMap::Ring}) {
        for (std::int32_t w : {1, 2, 3, 13}) {
            for (std::int32_t whiteRows : {0, 1, 5, 9, 12}) {
                GrowthField field(7, 3, map);
                field.stamp(0, 0);
                field.reset(w, 9, whiteRows);
                const std::int32_t firstWhite = 9 - std::min(whiteRows, 9);
                const int expected = w * (9 - firstWhite);
                ASSERT_EQ(whitePixels(field), expected) << w << " " << whiteRows;
                ASSERT_EQ(whitePixels(field, firstWhite, 8), expected) << w << " " << whiteRows;
                ASSERT_TRUE(touchLookupAgreesWithReads(field)) << w << " " << whiteRows;
                // The same size again reuses the picture: a stamp from before is gone.
                field.stamp(w - 1, 0);
                field.reset(w, 9, whiteRows);
                ASSERT_EQ(whitePixels(field), expected) << w << " " << whiteRows;
                ASSERT_TRUE(touchLookupAgreesWithReads(field)) << w << " " << whiteRows;
            }
        }
    }
    GrowthField field(5, 4, ColumnMap::Identity);
    field.reset(5, 4, 2);
    EXPECT_EQ(field.rowBytes(), 16u);
    for (std::size_t row = 0; row < 4; ++row)
        EXPECT_EQ(field.pixelBlock()[row * 16 + 15], 0) << "row padding is zero";
}

TEST(GrowthFieldReset, AdvancesTheGenerationOnceAndDamagesTheWholePicture)
{
    GrowthField field(50, 40, ColumnMap::Identity);
    field.takeDamage();
    const std::uint64_t before = field.generation();
    field.stamp(3, 3);
    EXPECT_EQ(field.generation(), before) << "a stamp keeps the picture";
    field.reset(50, 40, 0);
    EXPECT_EQ(field.generation(), before + 1);
    EXPECT_EQ(field.takeDamage(), (PixelRect{0, 0, 50, 40}));
    field.reset(60, 40, 3);
    EXPECT_EQ(field.generation(), before + 2);
    EXPECT_EQ(field.takeDamage(), (PixelRect{0, 0, 60, 40}));
}

TEST(GrowthFieldResize, SizesThePictureCannotTakeAreRefusedAndChangeNothing)
{
    GrowthField field = blackField(10, 10, ColumnMap::Ring);
    field.stamp(3, 3);
    expectFailure<FieldSizeError>([&] { field.reset(1000000, 1000000, 0); },
                                  "Not enough memory for a picture of 1000000 x 1000000 pixels");
    // 40000 x 36000 fits in memory here but its BMP file would pass 4 GiB.
    expectFailure<FieldSizeError>(
        [] { GrowthField::checkSize(40000, 36000); },
        "A picture of 40000 x 36000 pixels is too large to be saved as a BMP file, which must stay below 4 GiB");
    EXPECT_NO_THROW(GrowthField::checkSize(1000, 1000));
    expectFailure<FieldSizeError>([&] { field.reset(0, 10, 0); }, "A picture cannot have 0 x 10 pixels");
    expectFailure<FieldSizeError>([&] { field.reset(10, -3, 0); }, "A picture cannot have 10 x -3 pixels");
    EXPECT_EQ(field.width(), 10);
    EXPECT_EQ(field.height(), 10);
    EXPECT_EQ(whitePixels(field), 1);
    EXPECT_TRUE(field.isWhite(3, 3));
}

TEST(GrowthFieldTouch, AnyOfTheEightNeighboursTouchesButNotTheOwnPixel)
{
    GrowthField field = blackField(20, 20, ColumnMap::Identity);
    field.stamp(10, 10);
    EXPECT_FALSE(field.touchView().touches(10, 10)) << "a white pixel under the wanderer alone is no touch";
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx != 0 || dy != 0) {
                EXPECT_TRUE(field.touchView().touches(10 + dx, 10 + dy)) << dx << "," << dy;
                EXPECT_EQ(field.firstTouchedPixel(10 + dx, 10 + dy), (FieldPoint{10, 10}));
            }
    EXPECT_FALSE(field.touchView().touches(12, 10));
    EXPECT_FALSE(field.touchView().touches(10, 8));
}

TEST(GrowthFieldTouch, TheFirstWhiteReadInTheTouchTestsOrderIsThePixelTouched)
{
    // The order of the reads decides a particle's parent when it touches several white pixels:
    // right, left, below, above, then below right, below left, above right, above left.
    const FieldPoint order[8] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (int first = 0; first < 8; ++first)
        for (int later = first + 1; later < 8; ++later) {
            GrowthField field = blackField(20, 20, ColumnMap::Identity);
            field.stamp(10 + order[later].x, 10 + order[later].y);
            field.stamp(10 + order[first].x, 10 + order[first].y);
            EXPECT_EQ(field.firstTouchedPixel(10, 10), (FieldPoint{10 + order[first].x, 10 + order[first].y}))
                << "read " << first << " and read " << later << " both white";
        }
}

TEST(GrowthFieldTouch, WanderersOutsideTouchOnlyThroughReadsThatLandInside)
{
    GrowthField field = blackField(10, 10, ColumnMap::Identity);
    field.stamp(0, 0);
    EXPECT_TRUE(field.touchView().touches(-1, -1));
    EXPECT_TRUE(field.touchView().touches(-1, 1));
    EXPECT_FALSE(field.touchView().touches(-2, 0));
    field.stamp(9, 9);
    EXPECT_TRUE(field.touchView().touches(10, 10));
    EXPECT_FALSE(field.touchView().touches(11, 9));
}

TEST(GrowthFieldRing, ColumnMapJoinsTheLeftAndRightEdges)
{
    GrowthField field = blackField(150, 30, ColumnMap::Ring);
    EXPECT_EQ(field.mapColumn(0), 149);
    EXPECT_EQ(field.mapColumn(150), 1);
    EXPECT_EQ(field.mapColumn(-1), -1);
    EXPECT_EQ(field.mapColumn(151), 151);
    EXPECT_EQ(field.mapColumn(75), 75);

    field.stamp(1, 10);
    EXPECT_TRUE(field.touchView().touches(149, 10)) << "column 149's right side is column 1";
    EXPECT_TRUE(field.touchView().touches(149, 11));
    EXPECT_TRUE(field.touchView().touches(151, 9)) << "column 151's left side is column 150, which is 1";
    field.stamp(149, 20);
    EXPECT_TRUE(field.touchView().touches(1, 20)) << "column 1's left side is column 0, which is 149";
    EXPECT_TRUE(field.touchView().touches(-1, 21)) << "column -1's right side is column 0, which is 149";
    EXPECT_FALSE(field.touchView().touches(0, 20)) << "column 0 reads its sides in columns 1 and -1";

    // Column 0 itself is read only from its own column, never through the map.
    field.stamp(0, 5);
    EXPECT_TRUE(field.touchView().touches(0, 4));
    EXPECT_TRUE(field.touchView().touches(0, 6));
    EXPECT_FALSE(field.touchView().touches(1, 5));
    EXPECT_FALSE(field.touchView().touches(149, 5)) << "column 149's left side is 148, its right side 1";
}

TEST(GrowthFieldTouch, LookupAgreesWithTheEightReadsOnRandomPictures)
{
    for (ColumnMap map : {ColumnMap::Identity, ColumnMap::Ring}) {
        RandomSource random(42);
        GrowthField field = blackField(23, 17, map);
        for (int i = 0; i < 400; ++i) {
            const auto x = static_cast<std::int32_t>(random.below(23));
            const auto y = static_cast<std::int32_t>(random.below(17));
            // Whites come and go, and other colours count as empty.
            const std::uint32_t colours[] = {GrowthField::White, GrowthField::Black, 0x00FF00};
            field.write(x, y, colours[random.below(3)]);
            if (i % 50 == 0) {
                ASSERT_TRUE(touchLookupAgreesWithReads(field)) << "after " << i << " writes";
            }
        }
        ASSERT_TRUE(touchLookupAgreesWithReads(field));
        field.reset(30, 12, 4);
        field.stamp(0, 2);
        field.stamp(29, 2);
        ASSERT_TRUE(touchLookupAgreesWithReads(field));
    }
}

TEST(GrowthFieldDamage, CollectsTheChangedAreaUntilTaken)
{
    GrowthField field = blackField(50, 40, ColumnMap::Identity);
    field.takeDamage();
    EXPECT_TRUE(field.takeDamage().isEmpty());
    field.stamp(5, 7);
    field.stamp(9, 3);
    field.stamp(60, 3); // outside: no damage
    EXPECT_EQ(field.takeDamage(), (PixelRect{5, 3, 5, 5}));
    EXPECT_TRUE(field.takeDamage().isEmpty());
}
