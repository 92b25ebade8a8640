#pragma once

#include <cstdint>

#include "type/LDString.h"
#include "type/LDVector.h"
#include "type/RefString.h"

namespace tavrix {

class MemoryParam;

// Checked reader over a caller-owned byte block. It never copies or frees the
// block; it writes into it only while change endian is set (multi-byte values
// are then reversed in place so that later direct access sees host order).
//
// Every read is bounds-checked: a read that does not fit records
// "[offset] range error" and yields 0 (scalars), null (raw arrays, strings)
// or an empty vector, without reading outside the block.
class ByteBuffer {
public:
    // Only the first MAX_KEPT_ERRORS messages are kept; the rest are counted.
    static constexpr int MAX_KEPT_ERRORS = 100;
    // Largest value readNum can express (four bytes of seven bits).
    static constexpr int MAX_NUM = 268435455;

    ByteBuffer(const void* bytes, int length);
    virtual ~ByteBuffer();

    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    static void staticInit_notForClientCall();
    static bool isBigEndianSys;

    int8_t readByte();
    bool readBoolean();
    int16_t readShort();
    int32_t readInt();
    int64_t readLong();
    float readFloat();
    double readDouble();
    // Big-endian base-128 count of at most four bytes; "readNum error" and 0
    // when the fourth byte still has its continuation bit.
    int readNum();

    // A new string (null after an error); its characters come from memParam.
    LDString* readString(MemoryParam* memParam);
    // The buffer's one reference into the block, overwritten by the next
    // call. After an error its ptr is null and its length 0.
    const RefString& readStringAsRef();

    // Raw readers: a block from UtMemory::malloc_exe(memParam) and the element
    // count through count (0 and null after an error; count may be null).
    int* readArrayInt(MemoryParam* memParam, int* count);
    unsigned short* readArrayIntAsUShort(MemoryParam* memParam, int* count);
    float* readArrayFloat(MemoryParam* memParam, int* count);
    double* readArrayDouble(MemoryParam* memParam, int* count);
    // New vectors whose buffers come from memParam; empty after an error
    // (null only when no vector could be allocated).
    LDVector<int>* readArrayIntAsVector(MemoryParam* memParam);
    LDVector<float>* readArrayFloatAsVector(MemoryParam* memParam);
    LDVector<double>* readArrayDoubleAsVector(MemoryParam* memParam);

    // Moves the read position by n bytes; refused (range error, no move) when
    // the new position would leave the block.
    void skip(int n);
    void rollback(int n);
    const char* getCurPtr() const { return reinterpret_cast<const char*>(current); }
    int getOffset() const { return static_cast<int>(current - start); }
    int getLength() const { return length; }
    int getRemaining() const { return static_cast<int>(end - current); }

    void setEndian(bool bigEndian) { endian = bigEndian; }
    void setChangeEndian(bool change) { changeEndian = change; }
    bool isEndian() const { return endian; }

    // Appends "[offset] message" (offset of the current position).
    void recordError(const char* message);
    const LDVector<LDString>& getErrors() const { return errors; }
    // All errors recorded, the dropped ones included.
    int getErrorCount() const { return errorCount; }
    bool hasErrors() const { return errorCount > 0; }
    // Float arrays read so far that hold a value that is not finite. The
    // check rides on the copy into host order, so a model whose arrays are
    // all finite needs no second pass over them.
    int getNonFiniteFloatArrayCount() const { return nonFiniteFloatArrays; }

private:
    bool fits(int64_t bytes);
    // Pointer to size bytes holding the value in host order (swapped into
    // the scratch or in place as the flags ask), or null after a range error.
    const unsigned char* prepareValue(int size);
    // One checked fixed-width value in the stream's byte order; 0 past the end.
    template <class T>
    T readValue();
    // Reads the count of a number array and checks it against the bound of
    // twice the block length and against the bytes left; -1 on failure.
    int readArrayCount(int elementSize);
    // Copies n four-byte elements as one block into host order and moves on;
    // false when one of them, read as a float, is not finite.
    bool copyElements4(void* dst, int n);
    // A vector of the next array's elements, filled by fill(data, n); empty
    // for a refused count.
    template <class T, class Fill>
    LDVector<T>* readVector(MemoryParam* memParam, Fill fill);

    unsigned char* start;
    unsigned char* current;
    unsigned char* end;
    int length;
    LDVector<LDString> errors;
    int errorCount;
    unsigned char swapScratch[8];
    RefString stringRef;
    bool endian;
    bool changeEndian;
    int nonFiniteFloatArrays;
};

} // namespace tavrix
