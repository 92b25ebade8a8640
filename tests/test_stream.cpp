// Byte reader and object stream: encodings, tagged objects, back-references,
// ownership of loaded objects, limits, and robustness against damaged bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "id/ParamID.h"
#include "io/BReader.h"
#include "io/ByteBuffer.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "model/avatar/AvatarPartsItem.h"
#include "support/MemoryProbe.h"
#include "support/RuntimeFixture.h"
#include "support/StreamBytes.h"
#include "type/LDAffineTransform.h"
#include "type/LDColor.h"
#include "type/LDPoint.h"
#include "type/LDPointF.h"
#include "type/LDRect.h"
#include "type/LDRectF.h"

using namespace tavrix;
using tavrix_test::StreamBytes;
using tavrix_test::tmpBlocksInUse;

namespace {

using StreamTest = tavrix_test::RuntimeTest;

MemoryParam* tmp() { return UtMemory::getTmpMemoryParam(); }

std::string firstError(const LDVector<LDString>& errors)
{
    return errors.size() ? std::string(errors[0].c_str()) : std::string("<none>");
}

bool anyErrorContains(const BReader& reader, const char* text)
{
    for (const LDString& error : reader.getErrors()) {
        if (std::strstr(error.c_str(), text)) return true;
    }
    return false;
}

template <class T>
std::unique_ptr<T> owned(void* object)
{
    return std::unique_ptr<T>(static_cast<T*>(object));
}

// Copies a number array from UtMemory::malloc_exe and frees the block.
template <class T>
std::vector<T> take(T* block, const int& count)
{
    std::vector<T> values(block, block + (block ? count : 0));
    UtMemory::free_exe(block);
    return values;
}

// An object array whose elements are strings or null, deleted together.
struct DeleteStringList {
    void operator()(LDVector<void*>* list) const
    {
        for (void* element : *list) delete static_cast<LDString*>(element);
        delete list;
    }
};
using StringList = std::unique_ptr<LDVector<void*>, DeleteStringList>;
StringList stringList(void* list) { return StringList(static_cast<LDVector<void*>*>(list)); }

// ---------------------------------------------------------------------------
// Byte buffer

TEST_F(StreamTest, ReadNumForms)
{
    struct Case {
        std::vector<uint8_t> bytes;
        int value;
        const char* error;
        int offset;
    };
    const Case cases[] = {
        {{0x05}, 5, "<none>", 1},
        {{0x81, 0x00}, 128, "<none>", 2},
        {{0xFF, 0x7F}, 16383, "<none>", 2},
        {{0x81, 0x80, 0x80, 0x00}, 2097152, "<none>", 4},
        {{0xFF, 0xFF, 0xFF, 0x7F}, ByteBuffer::MAX_NUM, "<none>", 4},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x07}, 0, "[4] readNum error", 4}, // the four bytes stay consumed
        {{0x81}, 0, "[1] range error", 1},
    };
    for (const Case& c : cases) {
        ByteBuffer buffer(c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(buffer.readNum(), c.value);
        EXPECT_EQ(firstError(buffer.getErrors()), c.error) << c.value;
        EXPECT_EQ(buffer.getOffset(), c.offset) << c.value;
    }
}

TEST_F(StreamTest, ScalarsInEitherByteOrder)
{
    StreamBytes s;
    s.i16(-2).i32(0x12345678).i64(-5).f32(1.5f).f64(-2.25).u8(0xFE).u8(2).u8(0);
    ByteBuffer buffer(s.data(), s.size());
    EXPECT_EQ(buffer.readShort(), -2);
    EXPECT_EQ(buffer.readInt(), 0x12345678);
    EXPECT_EQ(buffer.readLong(), -5);
    EXPECT_EQ(buffer.readFloat(), 1.5f);
    EXPECT_EQ(buffer.readDouble(), -2.25);
    EXPECT_EQ(buffer.readByte(), -2);
    EXPECT_TRUE(buffer.readBoolean());
    EXPECT_FALSE(buffer.readBoolean());
    EXPECT_EQ(buffer.getRemaining(), 0);
    EXPECT_FALSE(buffer.hasErrors());

    const uint8_t little[] = {0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0xC0, 0x3F, 1, 0x45, 0x23, 0x01, 0x00};
    ByteBuffer littleBuffer(little, sizeof(little));
    littleBuffer.setEndian(false);
    EXPECT_EQ(littleBuffer.readInt(), 0x12345678);
    EXPECT_EQ(littleBuffer.readFloat(), 1.5f);
    int count = -1; // a 16-bit array keeps the low half of each int
    EXPECT_EQ(take(littleBuffer.readArrayIntAsUShort(tmp(), &count), count), (std::vector<unsigned short>{0x2345}));

    // Change endian converts the block itself to host order.
    if (!ByteBuffer::isBigEndianSys) {
        uint8_t block[] = {0x12, 0x34, 0x56, 0x78};
        ByteBuffer converting(block, sizeof(block));
        converting.setChangeEndian(true);
        EXPECT_EQ(converting.readInt(), 0x12345678);
        const uint8_t hostOrder[] = {0x78, 0x56, 0x34, 0x12};
        EXPECT_EQ(std::memcmp(block, hostOrder, 4), 0);
    }
}

TEST_F(StreamTest, ShortReadsRecordRangeErrorsAndStay)
{
    uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ByteBuffer buffer(block, 8);
    buffer.skip(5);
    EXPECT_EQ(buffer.readInt(), 0);
    EXPECT_EQ(firstError(buffer.getErrors()), "[5] range error");
    EXPECT_EQ(buffer.getOffset(), 5);
    EXPECT_EQ(buffer.readDouble(), 0.0);
    EXPECT_EQ(buffer.readByte(), 6);
    buffer.skip(10); // outside the block: refused
    EXPECT_EQ(buffer.getOffset(), 6);
    buffer.rollback(6);
    EXPECT_EQ(buffer.getOffset(), 0);
    EXPECT_EQ(buffer.getErrorCount(), 3);

    // Only the first hundred messages are kept; all are counted.
    ByteBuffer empty(nullptr, 0);
    for (int i = 0; i < 150; ++i) empty.readInt();
    EXPECT_EQ(empty.getErrors().size(), ByteBuffer::MAX_KEPT_ERRORS);
    EXPECT_EQ(empty.getErrorCount(), 150);
}

TEST_F(StreamTest, Strings)
{
    StreamBytes s;
    s.str("abc").str("").str("xy").num(10).raw({'a', 'b', 'c'});
    ByteBuffer buffer(s.data(), s.size());
    std::unique_ptr<LDString> text(buffer.readString(tmp()));
    std::unique_ptr<LDString> empty(buffer.readString(tmp()));
    ASSERT_TRUE(text && empty);
    EXPECT_STREQ(text->c_str(), "abc");
    EXPECT_EQ(empty->length(), 0);
    const RefString& ref = buffer.readStringAsRef();
    EXPECT_EQ(ref.ptr, reinterpret_cast<const char*>(s.data()) + 6); // no copy
    EXPECT_EQ(ref.length, 2);

    // A length that runs past the block reads nothing beyond it.
    EXPECT_EQ(buffer.readString(tmp()), nullptr);
    EXPECT_EQ(firstError(buffer.getErrors()), "[9] range error");
    buffer.rollback(1);
    EXPECT_EQ(buffer.readStringAsRef().ptr, nullptr);
    EXPECT_EQ(buffer.getOffset(), 9);
}

// Every array reader, raw and vector, on one damaged count. Each reports the
// number of elements it returned.
void expectEveryArrayReaderRefuses(const StreamBytes& s, const char* message)
{
    using Reader = int (*)(ByteBuffer&);
    const Reader readers[] = {
        [](ByteBuffer& b) { int n = -1; return b.readArrayInt(tmp(), &n) ? -1 : n; },
        [](ByteBuffer& b) { int n = -1; return b.readArrayIntAsUShort(tmp(), &n) ? -1 : n; },
        [](ByteBuffer& b) { int n = -1; return b.readArrayFloat(tmp(), &n) ? -1 : n; },
        [](ByteBuffer& b) { int n = -1; return b.readArrayDouble(tmp(), &n) ? -1 : n; },
        [](ByteBuffer& b) { return std::unique_ptr<LDVector<int>>(b.readArrayIntAsVector(tmp()))->size(); },
        [](ByteBuffer& b) { return std::unique_ptr<LDVector<float>>(b.readArrayFloatAsVector(tmp()))->size(); },
        [](ByteBuffer& b) { return std::unique_ptr<LDVector<double>>(b.readArrayDoubleAsVector(tmp()))->size(); },
    };
    for (Reader read : readers) {
        ByteBuffer buffer(s.data(), s.size());
        EXPECT_EQ(read(buffer), 0);
        EXPECT_EQ(firstError(buffer.getErrors()), message);
        EXPECT_EQ(buffer.getOffset(), 1); // only the count was consumed
    }
}

TEST_F(StreamTest, ArrayCountsOutsideTheBlockAreRefused)
{
    StreamBytes illegal; // 100 elements against a bound of twice 10 bytes
    illegal.num(100).raw({0, 0, 0, 0, 0, 0, 0, 0, 0});
    expectEveryArrayReaderRefuses(illegal, "[1] illegal size of array");

    StreamBytes pastEnd; // within the bound, but needs more bytes than are left
    pastEnd.num(5).raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    expectEveryArrayReaderRefuses(pastEnd, "[1] range error");
}

TEST_F(StreamTest, BitsComeMostSignificantFirstAndAlignAfterwards)
{
    StreamBytes s;
    s.raw({0xB0, 0x7F, 0x80, 0x40});
    BReader reader(s.data(), s.size());
    for (bool bit : {true, false, true, true}) EXPECT_EQ(reader.readBit(), bit);
    EXPECT_EQ(reader.readByte(), 0x7F); // the rest of 0xB0 is dropped
    for (int i = 0; i < 8; ++i) EXPECT_EQ(reader.readBit(), i == 0);
    EXPECT_FALSE(reader.readBit()); // ninth bit starts the next byte
    EXPECT_TRUE(reader.readBit());
}

// ---------------------------------------------------------------------------
// Tagged objects

TEST_F(StreamTest, EveryValueClassDecodes)
{
    StreamBytes s;
    s.stringObject("ab").cls(10).i32(0x11223344);
    s.cls(11).f64(1).f64(2).f64(3).f64(4).cls(12).f32(5).f32(6).f32(7).f32(8);
    s.cls(13).f64(0.5).f64(-0.5).cls(14).f32(9).f32(10);
    s.cls(17).f64(1).f64(2).f64(3).f64(4).f64(5).f64(6);
    s.cls(21).i32(1).i32(2).i32(3).i32(4).cls(22).i32(-7).i32(8).cls(60).str("PARAM_ANGLE_X");
    s.cls(0).cls(5).cls(16).cls(24).cls(200).cls(48);
    BReader reader(s.data(), s.size());
    EXPECT_STREQ(owned<LDString>(reader.readObject(tmp()))->c_str(), "ab");
    EXPECT_EQ(owned<LDColor>(reader.readObject(tmp()))->color, 0x11223344);
    auto rectD = owned<LDRectF>(reader.readObject(tmp()));
    EXPECT_EQ(rectD->x, 1.0f);
    EXPECT_EQ(rectD->height, 4.0f);
    auto rectF = owned<LDRectF>(reader.readObject(tmp()));
    EXPECT_EQ(rectF->y, 6.0f);
    EXPECT_EQ(rectF->width, 7.0f);
    EXPECT_EQ(owned<LDPointF>(reader.readObject(tmp()))->y, -0.5f);
    EXPECT_EQ(owned<LDPointF>(reader.readObject(tmp()))->x, 9.0f);
    auto affine = owned<LDAffineTransform>(reader.readObject(tmp())); // stored column by column
    EXPECT_EQ(affine->m10, 2.0f);
    EXPECT_EQ(affine->m01, 3.0f);
    EXPECT_EQ(affine->m12, 6.0f);
    EXPECT_EQ(owned<LDRect>(reader.readObject(tmp()))->width, 3);
    EXPECT_EQ(owned<LDPoint>(reader.readObject(tmp()))->x, -7);
    EXPECT_EQ(reader.readObject(tmp()), ParamID::getID("PARAM_ANGLE_X"));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(reader.readObject(tmp()), nullptr) << i;
    EXPECT_EQ(reader.getLoadedObjectCount(), 16); // null results are numbered too
    EXPECT_EQ(reader.getErrorCount(), 0);
}

TEST_F(StreamTest, BackReferencesCountCompletedObjects)
{
    // Identifiers may be referred to any number of times.
    StreamBytes ids;
    ids.cls(60).str("A").cls(60).str("B").backRef(0).backRef(2).backRef(-1).backRef(1);
    BReader idReader(ids.data(), ids.size());
    ParamID* a = idReader.readParamID();
    ParamID* b = idReader.readParamID();
    EXPECT_EQ(idReader.readParamID(), a);       // index 0: the first completed object
    EXPECT_EQ(idReader.readParamID(), nullptr); // index equal to the count
    EXPECT_EQ(idReader.readParamID(), nullptr);
    EXPECT_EQ(idReader.readParamID(), b);
    EXPECT_EQ(idReader.getLoadedObjectCount(), 2); // references add nothing
    EXPECT_FALSE(idReader.isInvalid());

    // An array completes after its elements: two strings, then the array as index 2.
    StreamBytes array;
    array.cls(15).num(2).stringObject("s0").stringObject("s1").backRef(2);
    BReader reader(array.data(), array.size());
    EXPECT_EQ(reader.readStringObject(tmp()), nullptr); // refused: left with the reader
    StringList list = stringList(reader.readObject(tmp()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list.get(), reader.getLoadedObject(2));
    ASSERT_EQ(list->size(), 2);
    EXPECT_STREQ(static_cast<LDString*>((*list)[0])->c_str(), "s0");
    EXPECT_EQ((*list)[1], reader.getLoadedObject(1));
}

TEST_F(StreamTest, AnOwnedObjectIsClaimedOnce)
{
    StreamBytes s;
    s.stringObject("x").backRef(0).backRef(0);
    BReader reader(s.data(), s.size());
    std::unique_ptr<LDString> x(reader.readStringObject(tmp()));
    ASSERT_NE(x, nullptr);
    EXPECT_FALSE(reader.isInvalid());
    EXPECT_EQ(reader.readStringObject(tmp()), nullptr);
    EXPECT_TRUE(reader.isInvalid());
    EXPECT_TRUE(anyErrorContains(reader, "claimed twice"));
    EXPECT_EQ(reader.readObject(tmp()), nullptr);

    // An array owns its elements: a later reference to one is a second claim,
    // and so is the same element twice in one list.
    StreamBytes arrays;
    arrays.cls(15).num(1).stringObject("a").backRef(0);
    arrays.stringObject("b").cls(15).num(2).backRef(2).backRef(2);
    BReader arrayReader(arrays.data(), arrays.size());
    StringList first = stringList(arrayReader.readObject(tmp()));
    EXPECT_EQ(arrayReader.readStringObject(tmp()), nullptr);
    EXPECT_TRUE(arrayReader.isInvalid());
    EXPECT_EQ(arrayReader.readIntArrayObject(tmp(), nullptr), nullptr); // "b" stays with the reader
    StringList second(arrayReader.readObjectList(tmp(), ClassSet(FileFormat2::LDSTRING_NO)));
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->size(), 2);
    EXPECT_NE((*second)[0], nullptr);
    EXPECT_EQ((*second)[1], nullptr);
}

TEST_F(StreamTest, FieldsRefuseObjectsOfAnotherClass)
{
    ParamID::getID("P"); // interned for good, before counting
    int baseline = tmpBlocksInUse();
    {
        StreamBytes s;
        s.stringObject("not an id").backRef(0);
        s.cls(15).num(3).stringObject("a").cls(60).str("P").cls(0);
        BReader reader(s.data(), s.size());
        EXPECT_EQ(reader.readParamID(), nullptr);
        EXPECT_TRUE(reader.isInvalid());
        EXPECT_TRUE(anyErrorContains(reader, "unexpected class"));
        EXPECT_EQ(reader.readSerializable(tmp(), ClassSet(FileFormat2::LDSTRING_NO)), nullptr); // not a model class

        LDVector<int> counts(tmp());
        StringList list(reader.readObjectList(tmp(), ClassSet(FileFormat2::LDSTRING_NO), &counts));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->size(), 3);
        EXPECT_STREQ(static_cast<LDString*>((*list)[0])->c_str(), "a");
        EXPECT_EQ((*list)[1], nullptr); // an identifier where strings belong
        EXPECT_EQ((*list)[2], nullptr);
        ASSERT_EQ(counts.size(), 3);
        EXPECT_EQ(counts[0], 1);
        EXPECT_EQ(counts[1], 0);
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline); // the refused objects went with the reader
}

TEST_F(StreamTest, NumberArrays)
{
    StreamBytes s;
    s.intArray({1, -2, 0x01020304}).floatArray({0.5f, -1.0f});
    s.cls(25).num(2).raw({0x00, 0x01, 0x23, 0x45, 0xFF, 0xFF, 0xFF, 0xFE}); // 16-bit: the low half of each int
    s.cls(26).num(2).f64(3.0).f64(-0.125);
    s.cls(15).num(3).floatArray({1, 2}).cls(0).floatArray({3});
    s.intArray({9}).backRef(8); // an int array, then a reference to it from a 16-bit field
    BReader reader(s.data(), s.size());
    int count = -1;
    EXPECT_EQ(take(reader.readIntArrayObject(tmp(), &count), count), (std::vector<int>{1, -2, 0x01020304}));
    EXPECT_EQ(take(reader.readFloatArrayObject(tmp(), &count), count), (std::vector<float>{0.5f, -1.0f}));
    EXPECT_EQ(take(reader.readUShortArrayObject(tmp(), &count), count),
              (std::vector<unsigned short>{0x2345, 0xFFFE}));
    EXPECT_EQ(take(reader.readDoubleArrayObject(tmp(), &count), count), (std::vector<double>{3.0, -0.125}));

    LDVector<int> counts(tmp());
    std::unique_ptr<LDVector<float*>> lattices(reader.readFloatArrayList(tmp(), &counts));
    ASSERT_NE(lattices, nullptr);
    ASSERT_EQ(lattices->size(), 3);
    ASSERT_EQ(counts.size(), 3);
    EXPECT_EQ(take((*lattices)[0], counts[0]), (std::vector<float>{1, 2}));
    EXPECT_EQ((*lattices)[1], nullptr);
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(take((*lattices)[2], counts[2]), (std::vector<float>{3}));
    EXPECT_FALSE(reader.isInvalid());

    EXPECT_EQ(reader.readFloatArrayObject(tmp(), &count), nullptr); // left unclaimed
    EXPECT_EQ(reader.readUShortArrayObject(tmp(), &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(reader.isInvalid());
    EXPECT_EQ(reader.getErrorCount(), 2);
}

TEST_F(StreamTest, NestedArrays)
{
    StreamBytes s;
    s.stringObject("x");
    s.cls(23).num(2).num(1).num(2).num(2).stringObject("a").stringObject("b").num(1).backRef(0);
    s.cls(23).num(2).num(5).num(3); // two dimensions of a primitive: null
    BReader reader(s.data(), s.size());
    std::unique_ptr<LDString> x(reader.readStringObject(tmp()));
    StreamObject nested = reader.readObjectOf(tmp(), ClassSet(FileFormat2::NESTED_ARRAY_NO));
    ASSERT_NE(nested.ptr, nullptr);
    EXPECT_EQ(nested.count, 2);
    auto outer = owned<LDVector<void*>>(nested.ptr);
    StringList row0 = stringList((*outer)[0]);
    StringList row1 = stringList((*outer)[1]);
    ASSERT_EQ(row0->size(), 2);
    EXPECT_STREQ(static_cast<LDString*>((*row0)[1])->c_str(), "b");
    ASSERT_EQ(row1->size(), 1);
    EXPECT_EQ((*row1)[0], nullptr); // "x" was taken by its own field
    EXPECT_TRUE(reader.isInvalid());
    EXPECT_EQ(reader.readObject(tmp()), nullptr);
    EXPECT_EQ(reader.getLoadedObjectCount(), 5); // x, a, b, the first array, the null
}

TEST_F(StreamTest, LimitsOnCountsDimensionsAndNesting)
{
    int baseline = tmpBlocksInUse();
    {
        StreamBytes s;
        s.cls(23).num(0).num(1);
        s.cls(23).num(BReader::MAX_ARRAY_DIMENSIONS + 1).num(1);
        s.cls(15).num(1000).raw({0, 0, 0});
        BReader reader(s.data(), s.size());
        EXPECT_EQ(reader.readObject(tmp()), nullptr);
        EXPECT_TRUE(reader.isInvalid());
        EXPECT_TRUE(anyErrorContains(reader, "illegal dimensions of array"));
        EXPECT_EQ(reader.readObject(tmp()), nullptr);
        EXPECT_EQ(reader.readObject(tmp()), nullptr);
        EXPECT_TRUE(anyErrorContains(reader, "illegal size of array"));
    }
    {
        // Far deeper than the cap; the reader must neither recurse that deep
        // nor lose what it created.
        StreamBytes deep;
        for (int i = 0; i < 100000; ++i) deep.cls(15).num(1);
        deep.cls(0);
        BReader reader(deep.data(), deep.size());
        EXPECT_EQ(reader.readObjectOf(tmp(), ClassSet(FileFormat2::LDSTRING_NO)).ptr, nullptr);
        EXPECT_TRUE(anyErrorContains(reader, "nested too deep"));
        EXPECT_EQ(reader.getLoadedObjectCount(), BReader::MAX_NESTING_DEPTH);
        EXPECT_EQ(reader.getBuffer().getRemaining(), 0); // reading stopped there
    }
    {
        // Only the root may be a model: a nested one stops the reading.
        StreamBytes nested;
        nested.cls(15).num(2).cls(136).cls(0).cls(0).i32(1).i32(1).stringObject("after");
        BReader reader(nested.data(), nested.size());
        auto array = owned<LDVector<void*>>(reader.readObject(tmp()));
        ASSERT_NE(array, nullptr);
        EXPECT_EQ((*array)[0], nullptr);
        EXPECT_EQ((*array)[1], nullptr);
        EXPECT_TRUE(anyErrorContains(reader, "model nested"));
        EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 0);
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);
}

TEST_F(StreamTest, WideArraysAtTheDepthCapCostLinearTime)
{
    // Just below the cap, an array of 50000 arrays that each announce 100000
    // elements lying past the cap: read element by element, that would be
    // billions of steps.
    StreamBytes s;
    for (int i = 0; i < BReader::MAX_NESTING_DEPTH - 2; ++i) s.cls(15).num(1);
    s.cls(15).num(50000);
    for (int i = 0; i < 50000; ++i) s.cls(15).num(100000);
    BReader reader(s.data(), s.size());
    EXPECT_EQ(reader.readObjectOf(tmp(), ClassSet(FileFormat2::LDSTRING_NO)).ptr, nullptr);
    EXPECT_TRUE(reader.isInvalid());
}

TEST_F(StreamTest, LongChainsOfArraysAreClaimedWithoutDeepRecursion)
{
    const int chain = 50000;
    StreamBytes s;
    s.cls(15).num(0);
    for (int i = 1; i < chain; ++i) s.cls(15).num(1).backRef(i - 1);
    s.backRef(chain - 1);
    BReader reader(s.data(), s.size());
    for (int i = 0; i < chain; ++i) reader.readObjectOf(tmp(), ClassSet(FileFormat2::LDSTRING_NO)); // left unclaimed
    auto* last = static_cast<LDVector<void*>*>(reader.readObject(tmp()));
    ASSERT_NE(last, nullptr);
    for (int i = 0; i < chain; ++i) EXPECT_TRUE(reader.isLoadedObjectClaimed(i));
    while (last) {
        auto* next = last->size() ? static_cast<LDVector<void*>*>((*last)[0]) : nullptr;
        delete last;
        last = next;
    }
}

// ---------------------------------------------------------------------------
// Robustness

// A stream with every kind of object, model classes included, and
// references between them.
StreamBytes sampleStream()
{
    StreamBytes s;
    s.stringObject("hello").cls(10).i32(7).cls(12).f32(1).f32(2).f32(3).f32(4);
    s.cls(17).f64(1).f64(0).f64(0).f64(1).f64(3).f64(4);
    s.cls(15).num(3).stringObject("e0").cls(60).str("PARAM_A").floatArray({1, 2, 3});
    s.cls(23).num(2).num(1).num(2).num(1).stringObject("n").num(2).backRef(2).cls(0);
    s.intArray({1, 2, 3}).cls(25).num(1).i32(0x10002).cls(26).num(1).f64(0.5);
    s.cls(136); // a model
    s.cls(137).cls(15).num(2);
    s.cls(131).f32(-30).f32(30).f32(0).cls(60).str("PARAM_ANGLE_X");
    s.cls(131).f32(0).f32(1).f32(1).backRef(14); // the identifier read just before
    s.cls(15).num(2);
    s.cls(133).u8(0x40).cls(134).str("PARTS_01").cls(15).num(1).cls(0).cls(15).num(0);
    s.cls(133).u8(0x80).cls(134).str("PARTS_02").cls(15).num(0).cls(15).num(1).cls(0);
    s.i32(1280).i32(720);
    s.cls(142).cls(134).str("PARTS_01").cls(15).num(0).cls(15).num(0);
    s.backRef(3).backRef(1).cls(51).str("DST_BASE").cls(50).str("D1").cls(22).i32(1).i32(2);
    return s;
}

// Reads top-level objects until the bytes run out and returns how many models
// came out. Model objects, strings, colours and number arrays are taken (and
// deleted here); everything else is left to the reader.
int readAll(const uint8_t* bytes, int length)
{
    BReader reader(bytes, length);
    const ClassSet taken({FileFormat2::MODEL_IMPL_NO, FileFormat2::AVATAR_PARTS_ITEM_NO, FileFormat2::LDSTRING_NO,
                          FileFormat2::LDCOLOR_NO, FileFormat2::INT_ARRAY_NO, FileFormat2::FLOAT_ARRAY_NO,
                          FileFormat2::DOUBLE_ARRAY_NO, FileFormat2::PARAM_ID_NO});
    int models = 0;
    for (int reads = 0; reader.getBuffer().getRemaining() > 0 && reads < 10000; ++reads) {
        StreamObject object = reader.readObjectOf(tmp(), taken);
        switch (object.classNo) {
        case FileFormat2::MODEL_IMPL_NO: ++models; [[fallthrough]];
        case FileFormat2::AVATAR_PARTS_ITEM_NO: delete static_cast<ISerializableV2*>(object.ptr); break;
        case FileFormat2::LDSTRING_NO: delete static_cast<LDString*>(object.ptr); break;
        case FileFormat2::LDCOLOR_NO: delete static_cast<LDColor*>(object.ptr); break;
        case FileFormat2::INT_ARRAY_NO:
        case FileFormat2::FLOAT_ARRAY_NO:
        case FileFormat2::DOUBLE_ARRAY_NO: UtMemory::free_exe(object.ptr); break;
        default: break;
        }
    }
    return models;
}

TEST_F(StreamTest, EveryTruncationReadsWithoutHarm)
{
    StreamBytes s = sampleStream();
    ASSERT_EQ(readAll(s.data(), s.size()), 1); // whole, the model reads; this also interns its identifiers
    int baseline = tmpBlocksInUse();
    for (int cut = 0; cut < s.size(); ++cut) {
        std::vector<uint8_t> copy(s.bytes.begin(), s.bytes.begin() + cut);
        readAll(copy.data(), cut);
        ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << cut;
        ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << cut;
        ASSERT_EQ(AvatarPartsItem::INSTANCE_COUNT, 0) << cut;
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);
}

TEST_F(StreamTest, RandomByteFlipsReadWithoutHarm)
{
    StreamBytes s = sampleStream();
    std::mt19937 random(20240611u);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> copy = s.bytes;
        int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f) copy[random() % copy.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        readAll(copy.data(), static_cast<int>(copy.size()));
        ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << round;
        ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << round;
    }
}

} // namespace
