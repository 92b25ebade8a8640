// Low-level encoder of the ".moc" object stream.
//
// MocStreamWriter appends values in the exact byte forms the model reader
// decodes: fixed-width numbers in the stream's byte order (big-endian unless
// changed), variable-length counts, strings, number arrays and tagged objects
// identified by their class number (see MocClass.h).
//
// Reference numbers. The reader appends every tagged object it reads (null
// included, back-references excluded) to a table of loaded objects when the
// object is complete, i.e. after everything nested inside it. A back-reference
// (class 33) names an entry of that table by index. Every write of a tagged
// object here returns that index, so a test can write a back-reference to it
// later. For compound objects the index is only known when the object ends,
// and endObject / endObjectArray / endNestedArray return it.
//
// A reference to an object that is still open (for instance an array that
// contains the back-reference itself) cannot be numbered in advance: use
// writeBackRefToEnclosing, which leaves a slot that is filled in with the
// container's index when the container ends. The reader resolves such a
// reference to null, because the container is not loaded yet when it reads it.
//
// Misuse (unbalanced begin/end, element counts that differ from the declared
// count, values outside what the encoding can hold) throws std::logic_error or
// std::out_of_range: this is a build-time tool, and a wrong fixture should fail
// loudly. Deliberately damaged streams are written through the raw methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mocwriter {

class MocStreamWriter {
public:
    enum class ByteOrder { BigEndian, LittleEndian };

    // Largest value of the variable-length count form (four bytes of seven bits).
    static constexpr std::uint32_t MAX_NUM = 0x0FFFFFFF;

    // Slot of a back-reference whose index is filled in later (resolveBackRef).
    struct BackRefSlot {
        std::size_t offset = 0; // position of the four index bytes
    };

    explicit MocStreamWriter(ByteOrder order = ByteOrder::BigEndian);

    ByteOrder byteOrder() const { return order_; }
    // Changes the order of later fixed-width values; a ".moc" model is big-endian.
    void setByteOrder(ByteOrder order) { order_ = order; }

    // --- Result -----------------------------------------------------------
    // The stream written so far. Flushes a pending bit byte. Throws when an
    // object is still open or a back-reference slot is unresolved.
    const std::vector<std::uint8_t>& bytes();
    std::vector<std::uint8_t> takeBytes();
    // Bytes written so far, not counting a pending bit byte.
    std::size_t size() const { return out_.size(); }
    // Number of objects the reader will have loaded after reading this far;
    // the index the next completed object receives.
    int loadedObjectCount() const { return loadedCount_; }

    // --- Plain values (no class number) -------------------------------------
    void writeByte(int value);           // low 8 bits
    void writeBoolean(bool value);       // one byte, 1 or 0
    void writeShort(std::int16_t value);
    void writeInt(std::int32_t value);
    void writeLong(std::int64_t value);
    void writeFloat(float value);
    void writeDouble(double value);
    // Variable-length count in its shortest form (1 to 4 bytes). Throws
    // std::out_of_range above MAX_NUM.
    void writeNum(std::uint32_t value);
    // The same value padded to exactly `width` bytes (leading 0x80 groups),
    // a longer-than-needed form the reader also accepts.
    void writeNumWidth(std::uint32_t value, int width);
    // Bits, most significant first, packed into one byte. Any other write
    // first completes the pending byte with zero bits, as the reader drops
    // the unused rest of a bit byte.
    void writeBit(bool value);
    void flushBits();

    // Untagged payloads: a count followed by the data.
    void writeString(const std::string& text);
    void writeIntArray(const std::vector<std::int32_t>& values);
    void writeFloatArray(const std::vector<float>& values);
    void writeDoubleArray(const std::vector<double>& values);
    // 16-bit values stored as four-byte integers; a reader that reads the
    // array with the 16-bit flag keeps the low 16 bits of each element.
    void writeUShortArray(const std::vector<std::uint16_t>& values);

    // --- Tagged leaf objects; each returns its reference index ---------------
    int writeNull();                                   // class 0
    int writeTaggedString(const std::string& text);    // class 1
    int writeColor(std::int32_t packed);               // class 10
    // Four rectangle values in the rectangle's field order.
    int writeRectF64(double v0, double v1, double v2, double v3);  // class 11
    int writeRectF32(float v0, float v1, float v2, float v3);      // class 12
    int writePointF64(double x, double y);                         // class 13
    int writePointF32(float x, float y);                           // class 14
    int writeAffineTransform(double m00, double m10, double m01,   // class 17
                             double m11, double m02, double m12);
    int writeRectI32(std::int32_t v0, std::int32_t v1, std::int32_t v2, std::int32_t v3); // class 21
    int writePointI32(std::int32_t x, std::int32_t y);             // class 22
    int writeTaggedIntArray(const std::vector<std::int32_t>& values);      // class 25
    int writeTaggedUShortArray(const std::vector<std::uint16_t>& values);  // class 25
    int writeTaggedDoubleArray(const std::vector<double>& values);         // class 26
    int writeTaggedFloatArray(const std::vector<float>& values);           // class 27

    // Identifiers: the class number and the name as a string.
    int writeIdentifier(int classNo, const std::string& name);
    int writeDrawDataId(const std::string& name);   // class 50
    int writeBaseDataId(const std::string& name);   // class 51
    int writeParamId(const std::string& name);      // class 60
    int writePartsDataId(const std::string& name);  // class 134

    // A class number whose payload is empty and that the reader turns into
    // null (2 to 9, 16, 18 to 20, 24, 28 to 32, 34 to 47, and every number of
    // 48 or more that names no readable class). Counts as a loaded object.
    int writeEmptyObject(int classNo);
    static bool readsAsEmpty(int classNo);

    // --- Back-references (class 33); not loaded objects themselves ---------
    // Any int32 index, also out-of-range ones for damaged streams.
    void writeBackRef(std::int32_t index);
    // A back-reference whose index is supplied later.
    BackRefSlot writeBackRefPlaceholder();
    void resolveBackRef(const BackRefSlot& slot, std::int32_t index);
    // A back-reference to an object that is still open: levelsUp 0 is the
    // innermost open object, object array or nested array (nested-array
    // levels are not objects of their own and are skipped), 1 the one
    // around it, and so on. The index is filled in when that object ends.
    void writeBackRefToEnclosing(int levelsUp = 0);

    // --- Compound objects --------------------------------------------------
    // An object of a readable class (65 to 70, 131, 133, 136, 137, 142):
    // the class number now, then its fields through the other writes.
    void beginObject(int classNo);
    int endObject();

    // Object array (class 15): `count` tagged objects must follow.
    void beginObjectArray(int count);
    int endObjectArray();

    // Nested array (class 23) of `dimensions` levels. The outermost level
    // holds `count` entries. Inside a level of more than one dimension each
    // entry is a sub-level (beginNestedLevel / endNestedLevel); inside a
    // one-dimensional level each entry is a tagged object. A two-dimensional
    // level whose element class is primitive (2 to 9) ends after its count:
    // the reader returns null for it and reads nothing more.
    void beginNestedArray(int dimensions, int elementClass, int count);
    void beginNestedLevel(int count);
    void endNestedLevel();
    int endNestedArray();

    // --- Raw escape hatch (no checks, for damaged or hand-made streams) -----
    void writeRawBytes(const std::vector<std::uint8_t>& data);
    void writeRawBytes(const std::uint8_t* data, std::size_t length);
    // A class number alone, with no bookkeeping.
    void writeClassNumber(int classNo);
    // Bookkeeping for hand-made objects: count one more loaded object (the
    // result is its index), or one more element of the open array.
    int noteLoadedObject();
    void noteArrayElement();
    // Overwrites four bytes at `offset` with an int32 in the current order.
    void patchInt(std::size_t offset, std::int32_t value);

private:
    enum class FrameKind { Object, ObjectArray, NestedArray, NestedLevel };

    struct Frame {
        FrameKind kind;
        int classNo;
        int dimensions;      // nested arrays: dimensions of this level
        int elementClass;    // nested arrays
        int expected;        // declared entries (arrays and levels)
        int written;         // entries written so far
        std::vector<std::size_t> enclosingSlots; // filled in when the frame ends
    };

    void put(std::uint8_t byte);
    void putFixed(std::uint64_t bits, int size);
    void beginTagged(int classNo); // bookkeeping + class number
    int completeObject();           // assigns the next loaded index
    void countElement();
    void startFrame(Frame frame);
    // Closes the innermost frame; returns its loaded index (-1 for a nested level).
    int finishFrame(FrameKind kind, const char* what);
    static bool levelTakesSubLevels(const Frame& frame);
    static bool levelIsTerminal(const Frame& frame);
    static int checkedCount(std::size_t count);

    ByteOrder order_;
    std::vector<std::uint8_t> out_;
    int bitCount_ = 0;       // bits used in the pending bit byte
    std::uint8_t bitByte_ = 0;
    int loadedCount_ = 0;
    std::vector<Frame> frames_;
    std::vector<std::size_t> openSlots_; // placeholders not resolved yet
};

} // namespace mocwriter
