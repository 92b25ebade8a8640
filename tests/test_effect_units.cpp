// The effect's pieces that need neither host nor OpenGL: rounding, stream
// names, the flat block, the render projection, alpha masking and load
// results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FlatSequenceData.h"
#include "GLator.h"
#include "LoadInfo.h"
#include "RenderProjection.h"
#include "StreamName.h"
#include "Util/Param_Utils.h"

using ::testing::FloatEq;
using ::testing::Pointwise;

namespace {

std::vector<A_UTF16Char> units(std::initializer_list<A_UTF16Char> list)
{
    std::vector<A_UTF16Char> v(list);
    v.push_back(0);
    return v;
}

TEST(RoundF, HalvesGoUp)
{
    const struct {
        float value;
        int32_t rounded;
    } cases[] = {{50.0f, 50}, {-2.5f, -2}, {2.5f, 3}, {2.49f, 2}, {-2.51f, -3}, {0.5f * 100.0f, 50}};
    for (const auto& c : cases) EXPECT_EQ(fxparam_utility::RoundF(c.value), c.rounded) << c.value;
}

TEST(StreamName, DecodesUtf8AndCutsWholeCharacters)
{
    const std::string fortyAscii(40, 'A');
    const struct {
        const char* label;
        std::string utf8;
        size_t maxUnits;
        std::vector<A_UTF16Char> expected;
    } cases[] = {
        {"ascii unchanged", "ANGLE_X", 31, units({'A', 'N', 'G', 'L', 'E', '_', 'X'})},
        {"two-byte character is one unit", "\xC3\xA9t\xC3\xA9", 31, units({0xE9, 't', 0xE9})},
        {"three-byte character", "\xE2\x82\xAC", 31, units({0x20AC})},
        {"four-byte character is a surrogate pair", "\xF0\x9F\x98\x80", 31, units({0xD83D, 0xDE00})},
        {"lone continuation byte", "a\x80z", 31, units({'a', 0xFFFD, 'z'})},
        {"truncated sequence at the end", "a\xE2\x82", 31, units({'a', 0xFFFD})},
        {"overlong form", "\xC0\xAF", 31, units({0xFFFD, 0xFFFD})},
        {"encoded surrogate", "\xED\xA0\x80", 31, units({0xFFFD, 0xFFFD, 0xFFFD})},
        {"pair that does not fit is left out", "abc\xF0\x9F\x98\x80", 4, units({'a', 'b', 'c'})},
        {"cut never splits", "ab\xC3\xA9", 3, units({'a', 'b', 0xE9})},
    };
    for (const auto& c : cases) EXPECT_EQ(toStreamName(c.utf8, c.maxUnits), c.expected) << c.label;

    std::vector<A_UTF16Char> cut = toStreamName(fortyAscii, kStreamNameMaxUnits);
    EXPECT_EQ(cut.size(), 32u) << "31 units and the terminator";
}

TEST(FlatSequenceData, EmptyTextIsSixteenZeroedBytesButTheSizes)
{
    std::vector<uint8_t> block(FlatSequenceData::blockSize(0), 0xEE);
    ASSERT_EQ(block.size(), 16u);
    FlatSequenceData::write(block.data(), "");
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(block, expected);
    EXPECT_EQ(FlatSequenceData::readText(block.data(), block.size()), "");
}

TEST(FlatSequenceData, TextComesBackAndReadingStaysInsideTheBlock)
{
    const std::string text = "{\"modelPath\":\"/m/a.moc\",\"texturePaths\":[\"/m/t.png\"]}";
    std::vector<uint8_t> block(FlatSequenceData::blockSize(text.size()), 0xEE);
    FlatSequenceData::write(block.data(), text);
    uint32_t total = 0;
    uint32_t length = 0;
    std::memcpy(&total, block.data() + 4, 4);
    std::memcpy(&length, block.data() + 8, 4);
    EXPECT_EQ(total, text.size() + 16);
    EXPECT_EQ(length, text.size());
    EXPECT_EQ(block.back(), 0) << "spare byte";
    EXPECT_EQ(FlatSequenceData::readText(block.data(), block.size()), text);

    // No terminator in the block: the text ends where the block does.
    std::vector<uint8_t> unterminated = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 'a', 'b', 'c'};
    EXPECT_EQ(FlatSequenceData::readText(unterminated.data(), unterminated.size()), "abc");
    EXPECT_EQ(FlatSequenceData::readText(unterminated.data(), 10), "") << "shorter than the header";
}

TEST(RenderProjection, CentredFullScaleOnAWideLayer)
{
    float m[16];
    renderProjection(1920, 1080, 1000, 960, 540, 1.0f, m);
    const float expected[16] = {0.002f, 0, 0, 0, 0, -0.0035555556f, 0, 0, 0, 0, 1, 0, -1, 1.7777778f, 0, 1};
    EXPECT_THAT(m, Pointwise(FloatEq(), expected));

    // The model point (Wc/2, Wc/2) lands on the Position point, whatever the scale.
    const struct {
        double px, py;
        float scale;
    } placements[] = {{960, 540, 1.0f}, {100, 900, 0.5f}, {1500, 200, 2.0f}};
    for (const auto& p : placements) {
        renderProjection(1920, 1080, 1000, p.px, p.py, p.scale, m);
        const float clipX = m[0] * 500 + m[12];
        const float clipY = m[5] * 500 + m[13];
        EXPECT_NEAR((clipX + 1) / 2 * 1920, p.px, 1e-3);
        EXPECT_NEAR((1 - clipY) / 2 * 1080, p.py, 1e-3);
    }
    renderProjection(1920, 1080, 1000, 960, 540, 0.0f, m);
    EXPECT_EQ(m[0], 0.0f);
    EXPECT_EQ(m[5], 0.0f) << "scale 0 collapses the model";
}

TEST(MultAlpha, ScalesOnlyTheAlpha)
{
    const struct {
        uint8_t in, out, expected;
    } cases[] = {{128, 255, 128}, {128, 127, 63}, {0, 255, 0}, {255, 200, 200}};
    for (const auto& c : cases) {
        PF_Pixel in = {c.in, 1, 2, 3};
        PF_Pixel out = {c.out, 40, 50, 60};
        EXPECT_EQ(MultAlpha(nullptr, 0, 0, &in, &out), PF_Err_NONE);
        EXPECT_EQ(out.alpha, c.expected);
        EXPECT_EQ(out.red, 40);
        EXPECT_EQ(out.blue, 60);
    }
}

TEST(LoadInfo, PathsOnlyFromWellTypedResults)
{
    const std::string DEEP = "{\"modelPath\":" + std::string(5000, '[');
    const struct {
        const char* text;
        bool accepted;
        std::vector<std::string> paths;
    } cases[] = {
        {"{\"modelPath\":\"/a.moc\",\"texturePaths\":[\"/t0.png\",\"/t1.png\"],\"dontResetParams\":false}", true,
         {"/a.moc", "/t0.png", "/t1.png"}},
        {"{\"modelPath\":\"/a.moc\"}", true, {"/a.moc"}},
        {"{\"modelPath\":\"\",\"texturePaths\":[]}", true, {""}},
        {"not json", false, {}},
        {"[\"/a.moc\"]", false, {}},
        {"{\"modelPath\":7}", false, {}},
        {"{\"modelPath\":\"/a.moc\",\"texturePaths\":\"/t.png\"}", false, {}},
        {"{\"modelPath\":\"/a.moc\",\"texturePaths\":[\"/t.png\",3]}", false, {}},
        // Deeper than the JSON reader's limit: it gives up by throwing.
        {DEEP.c_str(), false, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> paths = {"stale"};
        EXPECT_EQ(modelPathsFromLoadInfo(c.text, paths), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(paths, c.paths) << c.text;
        }
    }
}

} // namespace
