// Interned identifiers: identity, separate lists per kind, the drawing-space
// root, and release followed by a new start.
#include <gtest/gtest.h>

#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "support/RuntimeFixture.h"
#include "util/UtString.h"

using namespace tavrix;

namespace {

class IdentifiersTest : public tavrix_test::RuntimeTest {};

TEST_F(IdentifiersTest, SameNameSameObjectAndCaseMatters)
{
    ParamID* a = ParamID::getID("PARAM_ANGLE_X");
    EXPECT_EQ(ParamID::getID(LDString("PARAM_ANGLE_X")), a);
    EXPECT_EQ(ParamID::getID(RefString("PARAM_ANGLE_X_TAIL", 13)), a);
    EXPECT_NE(ParamID::getID("param_angle_x"), a);
    EXPECT_STREQ(a->toChar(), "PARAM_ANGLE_X");

    ParamID* empty = ParamID::getID("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(ParamID::getID(LDString()), empty);
    EXPECT_STREQ(empty->toChar(), "");
}

TEST_F(IdentifiersTest, KindsHaveSeparateLists)
{
    ParamID* param = ParamID::getID("SAME");
    PartsDataID* parts = PartsDataID::getID("SAME");
    DrawDataID* draw = DrawDataID::getID("SAME");
    BaseDataID* base = BaseDataID::getID("SAME");
    EXPECT_NE(static_cast<void*>(param), static_cast<void*>(parts));
    EXPECT_NE(static_cast<void*>(draw), static_cast<void*>(base));
    EXPECT_EQ(PartsDataID::getID(LDString("SAME")), parts);
}

TEST_F(IdentifiersTest, ListsGrowPastTheirInitialCapacity)
{
    ParamID* ids[300];
    for (int i = 0; i < 300; ++i) ids[i] = ParamID::getID(UtString::toString("P%d", i));
    for (int i = 0; i < 300; ++i) EXPECT_EQ(ParamID::getID(UtString::toString("P%d", i)), ids[i]);
}

TEST_F(IdentifiersTest, DstBaseIsTheInternedName)
{
    BaseDataID* first = BaseDataID::getID(RefString("DST_BASE", 8));
    EXPECT_EQ(BaseDataID::DST_BASE_ID(), first);
    EXPECT_EQ(BaseDataID::DST_BASE_ID(), BaseDataID::getID("DST_BASE"));
}

TEST(IdentifiersLifecycle, ReleaseAndRestartCreateNewObjects)
{
    tavrix_test::CountingAllocator pages;
    Tavrix::init(&pages);
    ParamID::getID("A");
    BaseDataID::DST_BASE_ID();
    Tavrix::dispose();
    EXPECT_EQ(pages.livePages, 0) << "identifiers and their lists are released";
    EXPECT_EQ(ParamID::getID("A"), nullptr) << "no lookups while the runtime is stopped";

    Tavrix::init();
    // Keep an unrelated identifier alive at a fresh address first, then look up again.
    ParamID* again = ParamID::getID("A");
    ASSERT_NE(again, nullptr);
    EXPECT_STREQ(again->toChar(), "A");
    BaseDataID* root = BaseDataID::DST_BASE_ID();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->toChar(), "DST_BASE");
    Tavrix::dispose();
}

} // namespace
