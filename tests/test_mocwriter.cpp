// Encoding tests of the model writer: the byte forms a reader depends on.
// The field layouts of the model classes are checked where the runtime suites
// read them back; here are counts, arrays, reference numbering and framing.
#include "mocwriter/MocWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

using namespace mocwriter;
using ::testing::HasSubstr;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes be32(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

// A short string: one count byte, then the characters.
Bytes str(const std::string& s) {
    Bytes out{std::uint8_t(s.size())};
    for (char c : s) out.push_back(std::uint8_t(c));
    return out;
}

Bytes head(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + long(n)); }
Bytes tail(const Bytes& b, std::size_t n) { return Bytes(b.end() - long(n), b.end()); }

} // namespace

// --- Counts and arrays ----------------------------------------------------------

TEST(MocWriterNum, ShortestFormAtEveryLengthBoundary) {
    const struct {
        std::uint32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},           {127, {0x7F}},
        {128, {0x81, 0x00}},   {136, {0x81, 0x08}}, // the model root's class number
        {16383, {0xFF, 0x7F}}, {16384, {0x81, 0x80, 0x00}},
        {2097151, {0xFF, 0xFF, 0x7F}}, {2097152, {0x81, 0x80, 0x80, 0x00}},
        {268435455, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& c : cases) {
        MocStreamWriter w;
        w.writeNum(c.value);
        EXPECT_EQ(w.bytes(), c.bytes) << c.value;
    }
    MocStreamWriter w;
    EXPECT_THROW(w.writeNum(268435456), std::out_of_range);
}

TEST(MocWriterValues, StringsAndArraysCarryTheirCountBeforeBigEndianElements) {
    MocStreamWriter w;
    EXPECT_EQ(w.writeTaggedString("abc"), 0);
    w.writeIntArray({-1});
    w.writeFloatArray({});
    w.writeTaggedDoubleArray({1.0});
    EXPECT_EQ(w.bytes(), cat({{0x01}, str("abc"), {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x1A, 0x01},
                              {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}}));

    MocStreamWriter longText;
    longText.writeString(std::string(200, 'x'));
    EXPECT_EQ(head(longText.bytes(), 3), (Bytes{0x81, 0x48, 'x'}));
}

TEST(MocWriterValues, SixteenBitArrayIsStoredAsFullIntegers) {
    // Read with the 16-bit flag, the reader keeps the third and fourth byte
    // of each big-endian element: 00 00 23 45 must come back as 0x2345.
    MocStreamWriter w;
    w.writeTaggedUShortArray({0x2345, 0xFFFF, 0});
    EXPECT_EQ(w.bytes(), cat({{MocClass::INT_ARRAY, 0x03}, be32(0x2345), be32(0xFFFF), be32(0)}));
}

// --- Reference numbering ------------------------------------------------------

TEST(MocWriterRefs, ArrayCompletesAfterItsElementsAndOnlyObjectsCount) {
    // Two strings in an object array take 0 and 1, the array 2; a
    // back-reference to 2 therefore names the array. Back-references take no
    // number, nulls and objects read as null do.
    MocStreamWriter w;
    w.beginObjectArray(2);
    EXPECT_EQ(w.writeTaggedString("a"), 0);
    EXPECT_EQ(w.writeTaggedString("b"), 1);
    EXPECT_EQ(w.endObjectArray(), 2);
    w.writeBackRef(2);
    EXPECT_EQ(w.bytes(), cat({{0x0F, 0x02, 0x01}, str("a"), {0x01}, str("b"), {0x21}, be32(2)}));
    EXPECT_EQ(w.writeNull(), 3);
    EXPECT_EQ(w.writeEmptyObject(99), 4); // unknown class
    EXPECT_EQ(w.writeParamId("P"), 5);
    EXPECT_EQ(w.loadedObjectCount(), 6);
}

TEST(MocWriterRefs, FieldsOfAnObjectComeBeforeTheObject) {
    MocStreamWriter w;
    MocModelSerializer s(w);
    EXPECT_EQ(s.writeParam(ModelBuilders::param("P", 0, 1, 0)), 1); // its ParamID is 0
    // ParamID 2, float array 3, ParamPivots 4, object array 5, manager 6.
    EXPECT_EQ(s.writePivotManager(ModelBuilders::singlePivot("Q", 0.5f)), 6);
}

TEST(MocWriterRefs, ReferencesToEnclosingObjectsAreFilledInAtTheirEnd) {
    MocStreamWriter w;
    w.writeNull();                 // 0
    w.beginObjectArray(2);
    w.writeTaggedString("s");      // 1
    w.writeBackRefToEnclosing();   // the array, which is not loaded yet
    EXPECT_THROW(w.bytes(), std::logic_error); // still open
    EXPECT_EQ(w.endObjectArray(), 2);
    EXPECT_EQ(tail(w.bytes(), 5), cat({{0x21}, be32(2)}));

    // Levels of a nested array are no objects: one level up is the manager.
    MocStreamWriter nested;
    nested.beginObject(MocClass::PIVOT_MANAGER);
    nested.beginNestedArray(2, MocClass::STRING, 1);
    nested.beginNestedLevel(2);
    nested.writeTaggedString("x"); // 0
    nested.writeBackRefToEnclosing(1);
    nested.endNestedLevel();
    EXPECT_EQ(nested.endNestedArray(), 1);
    EXPECT_EQ(nested.endObject(), 2);
    EXPECT_EQ(nested.bytes(), cat({{0x42, 0x17, 0x02, 0x01, 0x01, 0x02, 0x01}, str("x"), {0x21}, be32(2)}));
}

TEST(MocWriterRefs, SharedIdentifiersBecomeBackReferences) {
    MocStreamWriter w;
    MocModelSerializer::Options options;
    options.shareIdentifiers = true;
    MocModelSerializer s(w, options);
    EXPECT_EQ(s.writeIdentifier(MocClass::PARAM_ID, std::string("P")), 0);
    EXPECT_EQ(s.writeIdentifier(MocClass::PARTS_DATA_ID, std::string("P")), 1); // other class
    EXPECT_EQ(s.writeIdentifier(MocClass::PARAM_ID, std::string("P")), 0);
    EXPECT_EQ(s.writeIdentifier(MocClass::BASE_DATA_ID, std::nullopt), 2);
    EXPECT_EQ(w.bytes(), cat({{0x3C}, str("P"), {0x81, 0x06}, str("P"), {0x21}, be32(0), {0x00}}));
}

TEST(MocWriterRefs, MisuseIsReportedNotWritten) {
    using W = MocStreamWriter;
    const std::vector<std::pair<const char*, std::function<void(W&)>>> cases = {
        {"model as an empty object", [](W& w) { w.writeEmptyObject(MocClass::MODEL); }},
        {"reference as an empty object", [](W& w) { w.writeEmptyObject(MocClass::BACK_REFERENCE); }},
        {"no enclosing object", [](W& w) { w.writeBackRefToEnclosing(); }},
        {"array one element short", [](W& w) { w.beginObjectArray(2); w.writeNull(); w.endObjectArray(); }},
        {"unbalanced end", [](W& w) { w.beginObject(MocClass::MODEL); w.endObjectArray(); }},
        {"a class without fields as an object", [](W& w) { w.beginObject(MocClass::STRING); }},
        {"leaf at the wrong level", [](W& w) { w.beginNestedArray(2, MocClass::STRING, 1); w.writeTaggedString("x"); }},
        {"level of a primitive array", [](W& w) { w.beginNestedArray(2, 5, 3); w.beginNestedLevel(1); }},
    };
    for (const auto& c : cases) {
        MocStreamWriter w;
        EXPECT_THROW(c.second(w), std::logic_error) << c.first;
    }
}

// --- Files ------------------------------------------------------------------------

TEST(MocWriterFile, HeaderRootAndEndMarkerPerVersion) {
    const MocModel model = ModelBuilders::oneParamModel();
    for (int version : {10, 9, 8, 7}) {
        const Bytes b = MocFile::build(model, version);
        const Bytes root = MocFile::buildStream(model, version);
        ASSERT_GE(b.size(), 4 + root.size());
        EXPECT_EQ(head(b, 6), (Bytes{'m', 'o', 'c', std::uint8_t(version), 0x81, 0x08})) << version;
        EXPECT_EQ(Bytes(b.begin() + 4, b.begin() + 4 + long(root.size())), root) << version;
        // No end marker before version 8.
        const Bytes marker = version >= 8 ? Bytes{0x88, 0x88, 0x88, 0x88} : Bytes{};
        EXPECT_EQ(tail(b, b.size() - 4 - root.size()), marker) << version;
    }
    MocStreamWriter w;
    w.writeNull();
    MocFile::Options options;
    options.formatVersion = 8;
    EXPECT_EQ(MocFile::wrap(w.bytes(), options), (Bytes{'m', 'o', 'c', 0x08, 0x00, 0x88, 0x88, 0x88, 0x88}));
    EXPECT_EQ(MocFile::buildStream(model), MocFile::buildStream(model, 0)); // headerless: version 0 layout
}

TEST(MocWriterFile, DamagedHeadersAndMarkers) {
    const MocModel model = ModelBuilders::oneParamModel();
    const std::size_t rootSize = MocFile::buildStream(model, 10).size();
    MocFile::Options options;
    options.versionByte = 11; // the version-10 layout and marker under another version byte
    options.trailingBytes = {0xEE};
    const Bytes v11 = MocFile::build(model, options);
    EXPECT_EQ(v11[3], 11);
    EXPECT_EQ(tail(v11, 5), (Bytes{0x88, 0x88, 0x88, 0x88, 0xEE}));
    EXPECT_EQ(v11.size(), 4 + rootSize + 5);

    options = MocFile::Options();
    options.endMarker = MocFile::EndMarker::Never;
    EXPECT_EQ(MocFile::build(model, options).size(), 4 + rootSize);

    // Without a "moc" header the loader reads version 0 and expects no marker.
    options = MocFile::Options();
    options.magic = "mod";
    const Bytes bad = MocFile::build(model, options);
    EXPECT_EQ(head(bad, 4), (Bytes{'m', 'o', 'd', 10}));
    EXPECT_EQ(bad.size(), 4 + rootSize);
    EXPECT_EQ(MocFile::loaderVersion(options), 0);
}

TEST(MocWriterModel, BuiltModelsAreConsistentAndBrokenOnesAreReported) {
    MocModel model = ModelBuilders::oneParamModel();
    EXPECT_TRUE(model.problems(10).empty());
    EXPECT_TRUE(model.problems(7).empty());

    MocModel::Mesh& mesh = model.parts[0].meshes[0];
    mesh.indices.push_back(4); // beyond the four points, and not a full triangle
    mesh.opacities.pop_back(); // one combination short
    mesh.targetId = std::string("NOWHERE");
    const auto problems = model.problems();
    EXPECT_EQ(problems.size(), 5u);
    for (const std::string& p : problems) EXPECT_THAT(p, HasSubstr("mesh D_QUAD"));
}
