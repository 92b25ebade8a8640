#include <gtest/gtest.h>

TEST(Build, ToolchainWorks) { EXPECT_EQ(1 + 1, 2); }
