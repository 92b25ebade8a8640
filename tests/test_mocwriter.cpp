// Encoding tests of the model writer: the byte forms a reader depends on.
#include "mocwriter/MocWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

using namespace mocwriter;

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

Bytes f32(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return be32(bits);
}

// A short string: one count byte, then the characters.
Bytes str(const std::string& s) {
    Bytes out{std::uint8_t(s.size())};
    for (char c : s) out.push_back(std::uint8_t(c));
    return out;
}

Bytes tail(const Bytes& b, std::size_t n) { return Bytes(b.end() - long(n), b.end()); }

// Count decoding as the model reader performs it (base 128, at most four
// bytes, first byte most significant); the writer's output must survive it.
std::uint32_t decodeNum(const Bytes& b, std::size_t& pos) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t byte = b.at(pos++);
        value = value * 128 + (byte & 0x7F);
        if (byte < 0x80) return value;
    }
    ADD_FAILURE() << "count longer than four bytes";
    return 0;
}

Bytes numBytes(std::uint32_t v) {
    MocStreamWriter w;
    w.writeNum(v);
    return w.takeBytes();
}

} // namespace

// --- Variable-length counts ---------------------------------------------------

TEST(MocWriterNum, ShortestFormAtEveryLengthBoundary) {
    EXPECT_EQ(numBytes(0), (Bytes{0x00}));
    EXPECT_EQ(numBytes(127), (Bytes{0x7F}));
    EXPECT_EQ(numBytes(128), (Bytes{0x81, 0x00}));
    EXPECT_EQ(numBytes(136), (Bytes{0x81, 0x08})); // the model root's class number
    EXPECT_EQ(numBytes(16383), (Bytes{0xFF, 0x7F}));
    EXPECT_EQ(numBytes(16384), (Bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(numBytes(2097151), (Bytes{0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(numBytes(2097152), (Bytes{0x81, 0x80, 0x80, 0x00}));
    EXPECT_EQ(numBytes(268435455), (Bytes{0xFF, 0xFF, 0xFF, 0x7F}));
    MocStreamWriter w;
    EXPECT_THROW(w.writeNum(268435456), std::out_of_range);
}

TEST(MocWriterNum, DecodesBackToTheSameValue) {
    for (std::uint32_t v : {1u, 63u, 64u, 129u, 255u, 256u, 8191u, 16385u, 65535u, 1000000u,
                            2097153u, 123456789u, 268435454u}) {
        const Bytes b = numBytes(v);
        std::size_t pos = 0;
        EXPECT_EQ(decodeNum(b, pos), v);
        EXPECT_EQ(pos, b.size()) << v;
    }
}

TEST(MocWriterNum, PaddedFormsAndLimits) {
    MocStreamWriter w;
    w.writeNumWidth(5, 4);
    w.writeNumWidth(0, 2);
    EXPECT_EQ(w.bytes(), (Bytes{0x80, 0x80, 0x80, 0x05, 0x80, 0x00}));
    EXPECT_THROW(w.writeNumWidth(128, 1), std::out_of_range);
    EXPECT_THROW(w.writeNumWidth(1, 5), std::out_of_range);
}

// --- Fixed-width values, strings, arrays, bits ---------------------------------

TEST(MocWriterValues, BigEndianByDefaultLittleOnRequest) {
    MocStreamWriter w;
    w.writeInt(0x01020304);
    w.writeShort(-2);
    w.writeFloat(1.0f);
    w.writeDouble(-2.0);
    w.writeLong(0x0102030405060708LL);
    w.writeByte(0x1FF); // low 8 bits
    w.writeBoolean(true);
    EXPECT_EQ(w.bytes(), (Bytes{0x01, 0x02, 0x03, 0x04, 0xFF, 0xFE, 0x3F, 0x80, 0x00, 0x00,
                                0xC0, 0x00, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0xFF, 0x01}));

    MocStreamWriter le(MocStreamWriter::ByteOrder::LittleEndian);
    le.writeInt(0x01020304);
    le.writeFloat(1.0f);
    EXPECT_EQ(le.bytes(), (Bytes{0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x80, 0x3F}));
}

TEST(MocWriterValues, StringsAndArraysCarryTheirCount) {
    MocStreamWriter w;
    EXPECT_EQ(w.writeTaggedString("abc"), 0);
    w.writeIntArray({-1});
    w.writeFloatArray({});
    w.writeTaggedDoubleArray({1.0});
    EXPECT_EQ(w.bytes(), (Bytes{0x01, 0x03, 'a', 'b', 'c', 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
                                0x1A, 0x01, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0}));

    MocStreamWriter longText;
    longText.writeString(std::string(200, 'x'));
    EXPECT_EQ(Bytes(longText.bytes().begin(), longText.bytes().begin() + 3),
              (Bytes{0x81, 0x48, 'x'}));
}

TEST(MocWriterValues, SixteenBitArrayIsStoredAsFullIntegers) {
    // Read with the 16-bit flag, the reader keeps the third and fourth byte
    // of each big-endian element: 00 00 23 45 must come back as 0x2345.
    MocStreamWriter w;
    w.writeTaggedUShortArray({0x2345, 0xFFFF, 0});
    EXPECT_EQ(w.bytes(), cat({{MocClass::INT_ARRAY, 0x03}, be32(0x2345), be32(0xFFFF), be32(0)}));
}

TEST(MocWriterValues, ValueTypesUseTheirWidths) {
    MocStreamWriter w;
    w.writeRectF64(1, 2, 3, 4);
    w.writeRectF32(1, 2, 3, 4);
    w.writePointF64(1, 2);
    w.writePointF32(1, 2);
    w.writeAffineTransform(1, 0, 0, 1, 5, 6);
    w.writeRectI32(1, 2, 3, 4);
    w.writePointI32(1, 2);
    w.writeColor(0x11223344);
    // class byte + payload: 11: 32, 12: 16, 13: 16, 14: 8, 17: 48, 21: 16, 22: 8, 10: 4
    EXPECT_EQ(w.bytes().size(), 8u + 32 + 16 + 16 + 8 + 48 + 16 + 8 + 4);
    EXPECT_EQ(w.bytes()[0], MocClass::RECT_F64);
    EXPECT_EQ(w.bytes()[33], MocClass::RECT_F32);
    EXPECT_EQ(tail(w.bytes(), 5), (Bytes{MocClass::COLOR, 0x11, 0x22, 0x33, 0x44}));
    EXPECT_EQ(w.loadedObjectCount(), 8);
}

TEST(MocWriterValues, BitsPackMostSignificantFirstAndEndBeforeOtherData) {
    MocStreamWriter w;
    w.writeBit(false);
    w.writeBit(true);
    w.writeNull(); // completes the bit byte first
    for (int i = 0; i < 9; ++i) w.writeBit(i % 2 == 0);
    EXPECT_EQ(w.bytes(), (Bytes{0x40, 0x00, 0xAA, 0x80}));
}

// --- Reference numbering ------------------------------------------------------

TEST(MocWriterRefs, ArrayCompletesAfterItsElements) {
    // Two strings in an object array take 0 and 1, the array 2; a
    // back-reference to 2 therefore names the array.
    MocStreamWriter w;
    w.beginObjectArray(2);
    EXPECT_EQ(w.writeTaggedString("a"), 0);
    EXPECT_EQ(w.writeTaggedString("b"), 1);
    const int array = w.endObjectArray();
    EXPECT_EQ(array, 2);
    w.writeBackRef(array);
    EXPECT_EQ(w.bytes(), cat({{0x0F, 0x02, 0x01}, str("a"), {0x01}, str("b"), {0x21}, be32(2)}));
    EXPECT_EQ(w.loadedObjectCount(), 3);
}

TEST(MocWriterRefs, NullsCountBackReferencesDoNot) {
    MocStreamWriter w;
    EXPECT_EQ(w.writeNull(), 0);
    w.writeBackRef(0);
    EXPECT_EQ(w.writeEmptyObject(99), 1); // unknown class, read as null
    EXPECT_EQ(w.writeParamId("P"), 2);
    EXPECT_THROW(w.writeEmptyObject(MocClass::MODEL), std::logic_error);
    EXPECT_THROW(w.writeEmptyObject(MocClass::BACK_REFERENCE), std::logic_error);
}

TEST(MocWriterRefs, FieldsOfAnObjectComeBeforeTheObject) {
    MocStreamWriter w;
    MocModelSerializer s(w);
    MocModel::Param p = ModelBuilders::param("P", 0, 1, 0);
    EXPECT_EQ(s.writeParam(p), 1); // its ParamID is 0
    EXPECT_EQ(s.writePivotManager(ModelBuilders::singlePivot("Q", 0.5f)), 6);
    // ParamID 2, float array 3, ParamPivots 4, object array 5, manager 6.
    EXPECT_EQ(w.bytes(), cat({{0x81, 0x03}, f32(0), f32(1), f32(0), {0x3C}, str("P"),
                              {0x42, 0x0F, 0x01, 0x43, 0x3C}, str("Q"), be32(1),
                              {0x1B, 0x01}, f32(0.5f)}));
}

TEST(MocWriterRefs, ReferenceToTheEnclosingArrayIsFilledInAtItsEnd) {
    MocStreamWriter w;
    w.writeNull();                       // 0
    w.beginObjectArray(2);
    w.writeTaggedString("s");            // 1
    w.writeBackRefToEnclosing();         // the array, which is not loaded yet
    EXPECT_THROW(w.bytes(), std::logic_error); // still open
    EXPECT_EQ(w.endObjectArray(), 2);
    EXPECT_EQ(tail(w.bytes(), 5), cat({{0x21}, be32(2)}));
}

TEST(MocWriterRefs, EnclosingReferenceSkipsNestedLevelsAndCanReachOuterObjects) {
    MocStreamWriter w;
    w.beginObject(MocClass::PIVOT_MANAGER);
    w.beginNestedArray(2, MocClass::STRING, 1);
    w.beginNestedLevel(2);
    w.writeTaggedString("x");            // 0
    w.writeBackRefToEnclosing(1);        // the pivot manager, not the nested array
    w.endNestedLevel();
    EXPECT_EQ(w.endNestedArray(), 1);
    EXPECT_EQ(w.endObject(), 2);
    EXPECT_EQ(w.bytes(), cat({{0x42, 0x17, 0x02, 0x01, 0x01, 0x02, 0x01}, str("x"), {0x21},
                              be32(2)}));
    MocStreamWriter none;
    EXPECT_THROW(none.writeBackRefToEnclosing(), std::logic_error);
}

TEST(MocWriterRefs, PlaceholderReferenceResolvedLater) {
    MocStreamWriter w;
    const auto slot = w.writeBackRefPlaceholder();
    EXPECT_THROW(w.bytes(), std::logic_error);
    const int later = w.writeTaggedString("later");
    w.resolveBackRef(slot, later);
    EXPECT_EQ(Bytes(w.bytes().begin(), w.bytes().begin() + 5), cat({{0x21}, be32(0)}));
    EXPECT_THROW(w.resolveBackRef(slot, 0), std::logic_error);
}

TEST(MocWriterRefs, NestedArrayNumbersLeavesThenOnlyTheOutermostArray) {
    MocStreamWriter w;
    w.beginNestedArray(2, MocClass::FLOAT_ARRAY, 2);
    w.beginNestedLevel(1);
    EXPECT_EQ(w.writeTaggedFloatArray({1}), 0);
    w.endNestedLevel();
    w.beginNestedLevel(0);
    w.endNestedLevel();
    EXPECT_EQ(w.endNestedArray(), 1);
    EXPECT_EQ(w.bytes(), cat({{0x17, 0x02, 0x1B, 0x02, 0x01, 0x1B, 0x01}, f32(1), {0x00}}));

    // A two-dimensional array of a primitive class ends after its count.
    MocStreamWriter primitive;
    primitive.beginNestedArray(2, 5, 3);
    EXPECT_THROW(primitive.beginNestedLevel(1), std::logic_error);
    EXPECT_EQ(primitive.endNestedArray(), 0);
    EXPECT_EQ(primitive.bytes(), (Bytes{0x17, 0x02, 0x05, 0x03}));
}

TEST(MocWriterRefs, MisuseIsReportedNotWritten) {
    MocStreamWriter w;
    w.beginObjectArray(2);
    w.writeNull();
    EXPECT_THROW(w.endObjectArray(), std::logic_error); // one element short
    MocStreamWriter unbalanced;
    unbalanced.beginObject(MocClass::MODEL);
    EXPECT_THROW(unbalanced.endObjectArray(), std::logic_error);
    EXPECT_THROW(unbalanced.beginObject(MocClass::STRING), std::logic_error);
    MocStreamWriter nested;
    nested.beginNestedArray(2, MocClass::STRING, 1);
    EXPECT_THROW(nested.writeTaggedString("leaf at the wrong level"), std::logic_error);
}

TEST(MocWriterRefs, RawBytesWithManualBookkeeping) {
    MocStreamWriter w;
    w.beginObjectArray(1);
    w.writeClassNumber(MocClass::POINT_I32);
    w.writeRawBytes({0, 0, 0, 1}); // truncated point: one coordinate only
    w.noteArrayElement();
    EXPECT_EQ(w.noteLoadedObject(), 0);
    EXPECT_EQ(w.endObjectArray(), 1);
    EXPECT_EQ(w.bytes(), (Bytes{0x0F, 0x01, 0x16, 0, 0, 0, 1}));
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

// --- Class layouts and format versions ----------------------------------------

TEST(MocWriterLayout, MirrorFlagsAndDeformerOpacityFromVersion10) {
    MocModel::AffineKey key = ModelBuilders::affine(1, 2, 3, 4);
    key.reflectY = true;
    const Bytes floats = cat({f32(1), f32(2), f32(4), f32(4), f32(3)});
    for (int version : {9, 10}) {
        MocStreamWriter w;
        MocModelSerializer::Options options;
        options.formatVersion = version;
        MocModelSerializer(w, options).writeAffineEnt(key);
        const Bytes expected = version == 10 ? cat({{0x45}, floats, {0x00, 0x01}}) : cat({{0x45}, floats});
        EXPECT_EQ(w.bytes(), expected) << version;
    }
    const MocModel::RotationDeformer rot = ModelBuilders::rotationDeformer(
        "R", std::nullopt, ModelBuilders::singlePivot("P"), {key});
    MocStreamWriter w9, w10;
    MocModelSerializer(w9, {9, false}).writeRotationDeformer(rot);
    MocModelSerializer(w10, {10, false}).writeRotationDeformer(rot);
    EXPECT_EQ(tail(w10.bytes(), 5), cat({{0x01}, f32(1.0f)}));
    // Besides the opacity array, version 10 adds the two mirror flags.
    EXPECT_EQ(w10.bytes().size(), w9.bytes().size() + 5 + 2);
    EXPECT_EQ(w9.bytes()[0], MocClass::AFFINE_DEFORMER);
    EXPECT_EQ(Bytes(w9.bytes().begin() + 1, w9.bytes().begin() + 5),
              cat({{0x33}, str("R"), {0x00}})); // own id, then a null target
}

TEST(MocWriterLayout, GridStoresRowBeforeColumn) {
    const MocModel::GridDeformer grid =
        ModelBuilders::gridDeformer("G", std::string("DST_BASE"), 2, 3, 0, 0, 30, 20, {});
    EXPECT_EQ(grid.lattices.at(0).size(), 24u); // 12 grid points
    MocStreamWriter w;
    MocModelSerializer(w, {9, false}).writeGridDeformer(grid);
    const Bytes& b = w.bytes();
    const Bytes head = cat({{0x41, 0x33}, str("G"), {0x33}, str("DST_BASE"), be32(2), be32(3),
                            {0x42, 0x0F, 0x00, 0x0F, 0x01, 0x1B, 24}});
    ASSERT_GE(b.size(), head.size());
    EXPECT_EQ(Bytes(b.begin(), b.begin() + long(head.size())), head);
    EXPECT_EQ(b.size(), head.size() + 24 * 4);
}

TEST(MocWriterLayout, MeshFieldsInReaderOrder) {
    MocModel::Mesh m;
    m.id = "M";
    m.targetId = std::nullopt;
    m.reservedOrder = 7;
    m.drawOrders = {510};
    m.opacities = {0.5f};
    m.textureNo = -1;
    m.indices = {0, 1, 2};
    m.keyedPoints = {{0, 0, 1, 0, 0, 1}};
    m.uvs = {0, 0, 1, 0, 0, 1};
    m.compositionMode = 1;
    m.optionValue = 9;
    MocStreamWriter w;
    MocModelSerializer(w, {8, false}).writeMesh(m);
    const Bytes expected = cat({
        {0x46, 0x32}, str("M"), {0x00},             // class 70, DrawDataID, null target
        {0x42, 0x0F, 0x00},                          // empty pivot manager
        be32(7), {0x01}, be32(510), {0x01}, f32(0.5f), // reserved order, draw orders, opacities
        be32(0xFFFFFFFF), be32(3), be32(1),          // texture, points, triangles
        {0x19, 0x03}, be32(0), be32(1), be32(2),     // indices as int32
        {0x0F, 0x01, 0x1B, 0x06}, f32(0), f32(0), f32(1), f32(0), f32(0), f32(1),
        {0x1B, 0x06}, f32(0), f32(0), f32(1), f32(0), f32(0), f32(1),
        be32(0x03), be32(9)});                       // option flag, option value
    EXPECT_EQ(w.bytes(), expected);

    MocStreamWriter w7;
    MocModelSerializer(w7, {7, false}).writeMesh(m);
    EXPECT_EQ(w7.bytes().size(), expected.size() - 8); // no option flag before version 8
}

TEST(MocWriterLayout, OptionFlagBits) {
    MocModel::Mesh m;
    EXPECT_EQ(m.optionFlag(), 0);
    m.culling = false;
    EXPECT_EQ(m.optionFlag(), 0x20);
    m.culling = true;
    m.compositionMode = 15;
    EXPECT_EQ(m.optionFlag(), 0x1E);
    m.compositionMode = 2;
    m.optionValue = 0;
    EXPECT_EQ(m.optionFlag(), 0x05);
    m.optionFlagOverride = 0x41;
    m.optionValue.reset();
    MocStreamWriter w;
    MocModelSerializer(w).writeMesh(m);
    EXPECT_EQ(tail(w.bytes(), 8), cat({be32(0x41), be32(0)})); // flag bit 0 forces a value
}

TEST(MocWriterLayout, PartBitsThenIdentifierAndLists) {
    MocModel::Part part;
    part.id = "PA";
    part.reservedFlag = true;
    part.visible = false;
    MocStreamWriter w;
    MocModelSerializer(w).writePart(part);
    EXPECT_EQ(w.bytes(), cat({{0x81, 0x05, 0x80, 0x81, 0x06}, str("PA"), {0x0F, 0x00, 0x0F, 0x00}}));
}

TEST(MocWriterLayout, AvatarItemStoresDrawablesBeforeDeformers) {
    MocModel::AvatarPartsItem item;
    item.partsId = "PA";
    item.deformers.push_back(ModelBuilders::rotationDeformer("R", std::string("DST_BASE"), {}, {{}}));
    MocStreamWriter w;
    MocModelSerializer(w).writeAvatarPartsItem(item);
    const Bytes head = cat({{0x81, 0x0E, 0x81, 0x06}, str("PA"), {0x0F, 0x00, 0x0F, 0x01, 0x44}});
    EXPECT_EQ(Bytes(w.bytes().begin(), w.bytes().begin() + long(head.size())), head);
}

// --- Files ------------------------------------------------------------------------

TEST(MocWriterFile, HeaderRootAndEndMarkerPerVersion) {
    const MocModel model = ModelBuilders::oneParamModel();
    for (int version : {10, 9, 8}) {
        const Bytes b = MocFile::build(model, version);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + 6),
                  (Bytes{0x6D, 0x6F, 0x63, std::uint8_t(version), 0x81, 0x08}));
        EXPECT_EQ(tail(b, 4), (Bytes{0x88, 0x88, 0x88, 0x88})) << version;
        EXPECT_EQ(Bytes(b.begin() + 4, b.end() - 4), MocFile::buildStream(model, version));
    }
    const Bytes v7 = MocFile::build(model, 7);
    EXPECT_EQ(v7.size(), 4 + MocFile::buildStream(model, 7).size()); // no marker before 8
}

TEST(MocWriterFile, DamagedHeadersAndMarkers) {
    const MocModel model = ModelBuilders::oneParamModel();
    const Bytes root = MocFile::buildStream(model, 10);

    MocFile::Options refused;
    refused.versionByte = 11;
    const Bytes v11 = MocFile::build(model, refused);
    EXPECT_EQ(v11[3], 11);
    EXPECT_EQ(v11.size(), 4 + root.size() + 4);

    MocFile::Options noMarker;
    noMarker.endMarker = MocFile::EndMarker::Never;
    EXPECT_EQ(MocFile::build(model, noMarker).size(), 4 + root.size());

    MocFile::Options wrongMarker;
    wrongMarker.endMarkerValue = 0x88888889u;
    wrongMarker.trailingBytes = {0xEE};
    EXPECT_EQ(tail(MocFile::build(model, wrongMarker), 5), (Bytes{0x88, 0x88, 0x88, 0x89, 0xEE}));

    // Without a "moc" header the loader reads version 0 and expects no marker.
    MocFile::Options wrongMagic;
    wrongMagic.magic = "mod";
    const Bytes bad = MocFile::build(model, wrongMagic);
    EXPECT_EQ(Bytes(bad.begin(), bad.begin() + 4), (Bytes{'m', 'o', 'd', 10}));
    EXPECT_EQ(bad.size(), 4 + root.size());
    EXPECT_EQ(MocFile::loaderVersion(wrongMagic), 0);

    const Bytes headerless = MocFile::buildStream(model);
    EXPECT_EQ(Bytes(headerless.begin(), headerless.begin() + 2), (Bytes{0x81, 0x08}));
    EXPECT_EQ(headerless, MocFile::buildStream(model, 0));
    EXPECT_LT(headerless.size(), root.size()); // version-0 layout stores fewer fields
}

TEST(MocWriterFile, WrapsHandWrittenRoots) {
    MocStreamWriter w;
    w.writeNull();
    MocFile::Options options;
    options.formatVersion = 8;
    EXPECT_EQ(MocFile::wrap(w.bytes(), options),
              (Bytes{0x6D, 0x6F, 0x63, 0x08, 0x00, 0x88, 0x88, 0x88, 0x88}));
}

// --- Model description ---------------------------------------------------------

TEST(MocWriterModel, BuiltModelsAreConsistentAndBrokenOnesAreReported) {
    MocModel model = ModelBuilders::oneParamModel();
    EXPECT_TRUE(model.problems(10).empty());
    EXPECT_TRUE(model.problems(7).empty());

    MocModel::Mesh& mesh = model.parts[0].meshes[0];
    mesh.indices.push_back(4);     // beyond the four points, and not a full triangle
    mesh.opacities.pop_back();     // one combination short
    mesh.targetId = std::string("NOWHERE");
    const auto problems = model.problems();
    EXPECT_EQ(problems.size(), 5u);
    for (const std::string& p : problems) EXPECT_NE(p.find("mesh D_QUAD"), std::string::npos) << p;
}
