// Interned identifiers: identity, separate lists per kind, the drawing-space
// root, and release followed by a new start.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

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

TEST_F(IdentifiersTest, NamesAreComparedByEveryByte)
{
    // Pairs of names that share a prefix, a length or all but one byte; a
    // zero byte inside a name is a byte like any other.
    const std::string longName(10000, 'x');
    const std::pair<std::string, std::string> pairs[] = {
        {"A", "AB"},
        {std::string("a\0b", 3), std::string("a\0c", 3)},
        {std::string("ab", 2), std::string("ab\0", 3)},
        {longName, longName.substr(0, 9999) + "y"},
        {"", std::string(1, '\0')},
    };
    for (const auto& pair : pairs) {
        const RefString first(pair.first.data(), static_cast<int>(pair.first.size()));
        const RefString second(pair.second.data(), static_cast<int>(pair.second.size()));
        DrawDataID* a = DrawDataID::getID(first);
        DrawDataID* b = DrawDataID::getID(second);
        ASSERT_NE(a, nullptr);
        EXPECT_NE(a, b) << pair.first.size() << " and " << pair.second.size() << " bytes";
        EXPECT_EQ(DrawDataID::getID(first), a);
        EXPECT_EQ(DrawDataID::getID(second), b);
        EXPECT_EQ(a->getName().length(), static_cast<int>(pair.first.size()));
    }
}

// Far past the lists' first capacity, of two kinds that share the machinery.
TEST_F(IdentifiersTest, TensOfThousandsOfNamesKeepTheirObjects)
{
    const auto check = [](auto getID, const char* prefix) {
        const int n = 40000;
        using Id = std::remove_pointer_t<decltype(getID(""))>;
        std::vector<Id*> ids(n);
        for (int i = 0; i < n; ++i) ids[i] = getID(UtString::toString("%s%d", prefix, i).c_str());
        for (int i = n - 1; i >= 0; --i) {
            ASSERT_EQ(getID(UtString::toString("%s%d", prefix, i).c_str()), ids[i]) << prefix << i;
            ASSERT_STREQ(ids[i]->toChar(), UtString::toString("%s%d", prefix, i).c_str());
        }
        EXPECT_NE(getID((prefix + std::to_string(n)).c_str()), ids[n - 1]);
    };
    check([](const char* name) { return BaseDataID::getID(name); }, "D_");
    check([](const char* name) { return ParamID::getID(name); }, "P");
}

} // namespace
