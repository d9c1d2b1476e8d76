#include "lattice/FieldSizeError.h"
#include "lattice/ProgramState.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

namespace {

bool rowsAre(const GrowthField& field, std::int32_t first, std::int32_t last, bool white)
{
    for (std::int32_t y = first; y <= last; ++y)
        for (std::int32_t x = 0; x < field.width(); ++x)
            if (field.isWhite(x, y) != white)
                return false;
    return true;
}

} // namespace

TEST(Reset, StartStateHasBothStartPictures)
{
    ProgramState state(0);
    EXPECT_EQ(state.plantField().width(), 150);
    EXPECT_EQ(state.plantField().height(), 300);
    EXPECT_TRUE(rowsAre(state.plantField(), 0, 294, false));
    EXPECT_TRUE(rowsAre(state.plantField(), 295, 299, true));
    EXPECT_EQ(state.plantTop, 295);
    EXPECT_EQ(state.snowField().width(), 300);
    EXPECT_EQ(whitePixels(state.snowField()), 1);
    EXPECT_TRUE(state.snowField().isWhite(150, 150));
    EXPECT_EQ(state.snowRadius, 1);
    EXPECT_FALSE(state.stopRequested || state.plantUnsaved || state.snowUnsaved);

    // A reset right after start leaves everything as it was.
    state.resetPlant();
    state.resetSnowflake();
    EXPECT_TRUE(rowsAre(state.plantField(), 0, 294, false));
    EXPECT_TRUE(rowsAre(state.plantField(), 295, 299, true));
    EXPECT_EQ(whitePixels(state.snowField()), 1);
    EXPECT_TRUE(state.snowField().isWhite(150, 150));
}

TEST(Reset, PlantResetAtHeightTenLeavesFiveBlackRowsOverTheStrip)
{
    ProgramState state(0);
    state.resizePlant({10, 10});
    EXPECT_TRUE(rowsAre(state.plantField(), 0, 4, false));
    EXPECT_TRUE(rowsAre(state.plantField(), 5, 9, true));
    EXPECT_EQ(state.plantTop, 5);
}

TEST(Reset, PlantResetAfterResizingPaintsTheStripAtTheNewBottom)
{
    ProgramState state(0);
    state.resizePlant({150, 500});
    for (std::int32_t y : {0, 100, 394, 395, 499})
        for (std::int32_t x : {0, 75, 149})
            state.stampPlant({x, y});
    state.resizePlant({150, 400});
    EXPECT_TRUE(rowsAre(state.plantField(), 0, 394, false));
    EXPECT_TRUE(rowsAre(state.plantField(), 395, 399, true));

    state.resizePlant({200, 400});
    EXPECT_EQ(state.plantField().width(), 200);
    EXPECT_TRUE(rowsAre(state.plantField(), 0, 394, false));
    EXPECT_TRUE(rowsAre(state.plantField(), 395, 399, true));
    EXPECT_TRUE(touchLookupAgreesWithReads(state.plantField()));
}

TEST(Reset, SnowflakeSeedSitsAtTheRoundedCentre)
{
    ProgramState state(0);
    state.resizeSnowflake({303, 300});
    EXPECT_TRUE(state.snowField().isWhite(152, 150)); // 151.5 rounds to the even 152
    EXPECT_EQ(whitePixels(state.snowField()), 1);
    state.resizeSnowflake({301, 300});
    EXPECT_TRUE(state.snowField().isWhite(150, 150)); // 150.5 rounds to 150
    EXPECT_EQ(whitePixels(state.snowField()), 1);
}

TEST(Reset, TouchesOnlyItsOwnModeAndClearsItsOwnFlag)
{
    ProgramState state(0);
    state.stampSnowflake({3, 3});
    state.snowRadius = 40;
    state.snowUnsaved = true;
    state.plantUnsaved = true;
    state.plantTop = 17;
    state.stopRequested = true;
    state.resetPlant();
    EXPECT_EQ(state.plantTop, 295);
    EXPECT_FALSE(state.plantUnsaved);
    EXPECT_TRUE(state.snowUnsaved);
    EXPECT_EQ(state.snowRadius, 40);
    EXPECT_TRUE(state.snowField().isWhite(3, 3));
    EXPECT_TRUE(state.stopRequested);
    state.resetSnowflake();
    EXPECT_FALSE(state.snowUnsaved);
    EXPECT_EQ(state.snowRadius, 1);
    EXPECT_FALSE(state.snowField().isWhite(3, 3));
}

TEST(Reset, ASizeThePictureCannotTakeChangesNothing)
{
    ProgramState state(0);
    state.stampPlant({10, 10});
    state.plantTop = 10;
    state.plantUnsaved = true;
    expectFailure<FieldSizeError>([&] { state.resizePlant({1000000, 1000000}); },
                                  "Not enough memory for a picture of 1000000 x 1000000 pixels");
    EXPECT_EQ(state.plantSize(), (FieldSize{150, 300}));
    EXPECT_EQ(state.plantField().width(), 150);
    EXPECT_TRUE(state.plantField().isWhite(10, 10));
    EXPECT_EQ(state.plantTop, 10);
    EXPECT_TRUE(state.plantUnsaved);
    expectFailure<FieldSizeError>(
        [&] { state.resizeSnowflake({40000, 36000}); },
        "A picture of 40000 x 36000 pixels is too large to be saved as a BMP file, which must stay below 4 GiB");
    EXPECT_EQ(state.snowSize(), (FieldSize{300, 300}));
}
