// Containers and strings: growth, map lookup, string hashcodes and
// equality, text parsing, and behaviour when memory runs out.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "memory/MemoryParam.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "support/RuntimeFixture.h"
#include "type/LDMap.h"
#include "type/LDString.h"
#include "type/LDVector.h"
#include "type/RefString.h"
#include "util/UtArray.h"
#include "util/UtString.h"

using namespace tavrix;
using tavrix_test::captureStdout;

namespace {

class ContainersTest : public tavrix_test::RuntimeTest {};

TEST_F(ContainersTest, VectorKeepsItsElementsAsItGrows)
{
    LDVector<int> v;
    for (int i = 0; i < 25; ++i) v.push_back(i);
    ASSERT_EQ(v.size(), 25);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(v[i], i);

    // Pushing an element of the vector itself survives the reallocation.
    LDVector<LDString> names;
    names.push_back(LDString("first"));
    for (int i = 0; i < 30; ++i) names.push_back(names[0]);
    EXPECT_STREQ(names[30].c_str(), "first");
}

TEST_F(ContainersTest, VectorSizedConstructorAndNullMemoryParam)
{
    LDVector<float> zeroed(UtMemory::getTmpMemoryParam(), 5, 5, true);
    ASSERT_EQ(zeroed.size(), 5);
    for (float f : zeroed) EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(LDVector<float>(UtMemory::getTmpMemoryParam(), 0, 3, false).size(), 0) << "no room: no elements";

    std::string out = captureStdout([] {
        LDVector<int> v(nullptr, 4, 2, true);
        EXPECT_EQ(v.size(), 2);
        v.push_back(7);
        EXPECT_EQ(v[2], 7);
    });
    EXPECT_EQ(out, "BREAK POINT@LDVector\n");
}

TEST_F(ContainersTest, VectorUpdateSizeFillsAndShrinks)
{
    LDVector<LDString> v;
    v.updateSize(3, LDString("x"));
    ASSERT_EQ(v.size(), 3);
    EXPECT_TRUE(v[2] == "x");
    v.updateSize(1, LDString("y"));
    EXPECT_EQ(v.size(), 1);
    v.updateSize(2, LDString("y"));
    EXPECT_TRUE(v[1] == "y");
}

TEST_F(ContainersTest, MapAppendsMissingKeyWithZeroAndFindsItAgain)
{
    LDMap<LDString, int> map;
    EXPECT_EQ(map["a"], 0);
    EXPECT_EQ(map.size(), 1);
    map["a"] = 5;
    map["b"] = 6;
    EXPECT_EQ(map["a"], 5);
    EXPECT_EQ(map.size(), 2);
    for (int i = 0; i < 20; ++i) map[UtString::toString("k%d", i)] = i;
    EXPECT_EQ(map.size(), 22);
    EXPECT_EQ(map["k13"], 13);
    const char* order[] = {"a", "b", "k0"};
    int i = 0;
    for (const auto& pair : map) {
        if (i < 3) {
            EXPECT_TRUE(pair.key == order[i]);
        }
        ++i;
    }
}

TEST_F(ContainersTest, StringHashcodeAndEqualityRules)
{
    LDString abc("abc");
    EXPECT_EQ(abc.length(), 3);
    EXPECT_EQ(abc.getHashcode(), 98274);
    EXPECT_EQ(LDString::calcHashcode("", 0), 0);
    // Bytes count as signed characters, and -1 is never a computed hashcode.
    EXPECT_EQ(LDString::calcHashcode("\xff\xff", 2), -32);
    EXPECT_EQ(LDString::calcHashcode("\xff", 1), -2);

    LDString unset;
    LDString emptyText("");
    EXPECT_EQ(unset.getHashcode(), -1);
    EXPECT_EQ(emptyText.getHashcode(), 0);
    EXPECT_FALSE(unset == emptyText);
    EXPECT_TRUE(unset == LDString());
    EXPECT_TRUE(unset == "");

    LDString copy(abc);
    EXPECT_TRUE(copy == abc);
    EXPECT_TRUE(abc.equals(RefString("abcdef", 3)));
    EXPECT_FALSE(abc.equals(RefString("abd", 3)));
    EXPECT_TRUE(LDString("abd") > abc);
    EXPECT_TRUE(abc < "abd");

    LDString joined = abc + "de";
    EXPECT_STREQ(joined.c_str(), "abcde");
    EXPECT_EQ(joined.getHashcode(), LDString("abcde").getHashcode());
    joined += joined;
    EXPECT_STREQ(joined.c_str(), "abcdeabcde");
    joined.append(2, '!');
    EXPECT_TRUE(joined == "abcdeabcde!!");
    joined = "z";
    EXPECT_TRUE(joined == LDString("z"));
}

TEST_F(ContainersTest, StringAdoptsMallocBlock)
{
    char* block = static_cast<char*>(UtMemory::malloc_exe(nullptr, 4));
    block[0] = 'a';
    block[1] = 'b';
    block[2] = 'c';
    LDString adopted(block, 3, true);
    EXPECT_STREQ(adopted.c_str(), "abc");
    EXPECT_EQ(adopted.getHashcode(), 98274);
}

TEST_F(ContainersTest, StrToFloatParsesSignDigitsAndFraction)
{
    int end = 0;
    EXPECT_EQ(UtString::strToFloat("-12.5x", 6, 0, &end), -12.5f);
    EXPECT_EQ(end, 5);
    EXPECT_EQ(UtString::strToFloat("x", 1, 0, &end), 0.0f);
    EXPECT_EQ(end, -1);
    float minusZero = UtString::strToFloat("-", 1, 0, &end);
    EXPECT_EQ(end, 1);
    EXPECT_TRUE(std::signbit(minusZero));
    EXPECT_EQ(UtString::strToFloat("a3.25", 5, 1, &end), 3.25f);
    EXPECT_EQ(end, 5);
    EXPECT_EQ(UtString::strToFloat("123456", 3, 0, &end), 123.0f) << "stops at length";
    EXPECT_EQ(end, 3);
    EXPECT_EQ(UtString::strToFloat("1e5", 3, 0, &end), 1.0f) << "no exponent";
    EXPECT_EQ(end, 1);
    // Fraction digits are weighted by a single-precision factor.
    float expected = 0.0f + 1 * 0.1f;
    expected += 2 * (0.1f * 0.1f);
    EXPECT_EQ(UtString::strToFloat("0.12", 4, 0, &end), expected);
}

TEST_F(ContainersTest, StartsWithAndToString)
{
    EXPECT_TRUE(UtString::startsWith("abc", ""));
    EXPECT_TRUE(UtString::startsWith("abc", "ab"));
    EXPECT_FALSE(UtString::startsWith("ab", "abc"));

    std::string longText(700, 'q');
    LDString formatted = UtString::toString("%s-%d", longText.c_str(), 42);
    EXPECT_EQ(formatted.length(), 703);
    EXPECT_EQ(std::string(formatted.c_str()), longText + "-42");
}

TEST_F(ContainersTest, FloatArrayAndDumpPoints)
{
    float* values = UtArray::floatArray(nullptr, 3, 1.5, 2.0, -3.25);
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(values[2], -3.25f);
    std::string out = captureStdout([&] { UtArray::dumpPoints(values, 1, 1); });
    EXPECT_EQ(out, "(  1.500 ,   2.000) , \n\n");
    UtMemory::free_exe(values);
}

TEST(ContainersOutOfMemory, GrowthFailureKeepsPreviousContents)
{
    tavrix_test::CountingAllocator pages;
    Tavrix::init(&pages);
    {
        MemoryHolderFixed arena(LDAllocator::MAIN, "small", 256);
        MemoryParam param(&arena, nullptr);
        LDVector<int> v(&param);
        for (int i = 0; i < 10; ++i) v.push_back(i);
        LDString text("keep", &param);

        pages.refuse = true;
        while (arena.malloc_exe(8, 4)) {
        } // use up what the current pages hold
        v.push_back(99); // needs a larger block than the page has left
        EXPECT_EQ(v.size(), 10);
        EXPECT_EQ(v.capacity(), 10);
        EXPECT_EQ(v[9], 9);
        EXPECT_FALSE(v.prepare_capacity(1000));
        text += std::string(500, 'x').c_str();
        EXPECT_STREQ(text.c_str(), "keep");
        LDString sum = text + std::string(9000, 'y').c_str();
        EXPECT_EQ(sum.length(), 0);
        pages.refuse = false;
    }
    Tavrix::dispose();
    EXPECT_EQ(pages.livePages, 0);
}

} // namespace
