#include "RandomSource.h"

#include <gtest/gtest.h>

TEST(RandomSource, placeholder) { EXPECT_EQ(RandomSource(0).step(), 1u); }
