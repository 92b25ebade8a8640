#include "io/ByteBuffer.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "memory/UtMemory.h"
#include "util/UtSystem.h"

namespace tavrix {

bool ByteBuffer::isBigEndianSys = false;

void ByteBuffer::staticInit_notForClientCall()
{
    isBigEndianSys = UtSystem::isBigEndian();
}

namespace {

// Large arrays are copied by a loop built twice, for processors with AVX2
// and for any other, the better one picked when the program starts.
#if defined(__x86_64__) && defined(__linux__) && defined(__GNUC__)
#define TAVRIX_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TAVRIX_WIDE_CLONES
#endif

// Copies n four-byte words, turned round when swap is set, in one pass
// that also sees whether every word, read as a float, is finite (its
// exponent bits not all set).
TAVRIX_WIDE_CLONES bool copyWords(unsigned char* __restrict out, const unsigned char* __restrict in, size_t n,
                                  bool swap)
{
    const uint32_t EXPONENT = 0x7F800000u;
    uint32_t nonFinite = 0;
    if (swap) {
        for (size_t i = 0; i < n; ++i) {
            uint32_t word;
            std::memcpy(&word, in + 4 * i, 4);
            word = __builtin_bswap32(word);
            nonFinite |= (word & EXPONENT) == EXPONENT;
            std::memcpy(out + 4 * i, &word, 4);
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            uint32_t word;
            std::memcpy(&word, in + 4 * i, 4);
            nonFinite |= (word & EXPONENT) == EXPONENT;
            std::memcpy(out + 4 * i, &word, 4);
        }
    }
    return nonFinite == 0;
}

MemoryParam* orTmp(MemoryParam* memParam)
{
    return memParam ? memParam : UtMemory::getTmpMemoryParam();
}

void reverseBytes(unsigned char* bytes, int size)
{
    for (int i = 0, j = size - 1; i < j; ++i, --j) {
        unsigned char b = bytes[i];
        bytes[i] = bytes[j];
        bytes[j] = b;
    }
}

// malloc_exe of n elements; a zero count still yields a block, so that null
// always means failure.
void* allocateElements(MemoryParam* memParam, int count, int elementSize)
{
    size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(elementSize);
    return UtMemory::malloc_exe(memParam, bytes > 0 ? bytes : 1);
}

} // namespace

ByteBuffer::ByteBuffer(const void* bytes, int length)
    : start(nullptr), current(nullptr), end(nullptr), length(0), errors(), errorCount(0), stringRef(),
      endian(true), changeEndian(false), nonFiniteFloatArrays(0)
{
    // The block is written only under change endian, which the caller asks for.
    start = const_cast<unsigned char*>(static_cast<const unsigned char*>(bytes));
    this->length = (bytes && length > 0) ? length : 0;
    current = start;
    end = start + this->length;
    std::memset(swapScratch, 0, sizeof(swapScratch));
}

ByteBuffer::~ByteBuffer() {}

void ByteBuffer::recordError(const char* message)
{
    ++errorCount;
    if (errors.size() >= MAX_KEPT_ERRORS) return;
    char text[256];
    std::snprintf(text, sizeof(text), "[%d] %s", getOffset(), message);
    errors.push_back(LDString(text));
}

bool ByteBuffer::fits(int64_t bytes)
{
    if (bytes >= 0 && bytes <= static_cast<int64_t>(end - current)) return true;
    recordError("range error");
    return false;
}

const unsigned char* ByteBuffer::prepareValue(int size)
{
    if (!fits(size)) return nullptr;
    if (changeEndian) {
        reverseBytes(current, size);
        return current;
    }
    if (isBigEndianSys != endian) {
        for (int i = 0; i < size; ++i) swapScratch[i] = current[size - 1 - i];
        return swapScratch;
    }
    return current;
}

template <class T>
T ByteBuffer::readValue()
{
    const unsigned char* bytes = prepareValue(sizeof(T));
    if (!bytes) return T(0);
    current += sizeof(T);
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

int8_t ByteBuffer::readByte()
{
    if (!fits(1)) return 0;
    return static_cast<int8_t>(*current++);
}

bool ByteBuffer::readBoolean()
{
    return readByte() != 0;
}

int16_t ByteBuffer::readShort()
{
    return readValue<int16_t>();
}

int32_t ByteBuffer::readInt()
{
    return readValue<int32_t>();
}

int64_t ByteBuffer::readLong()
{
    return readValue<int64_t>();
}

float ByteBuffer::readFloat()
{
    return readValue<float>();
}

double ByteBuffer::readDouble()
{
    return readValue<double>();
}

int ByteBuffer::readNum()
{
    int before = errorCount;
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        int b = static_cast<unsigned char>(readByte());
        if (errorCount != before) return 0; // a count cut off by the end of the block
        if (i == 3 && (b & 0x80)) {
            recordError("readNum error");
            return 0;
        }
        value = (value << 7) | (b & 0x7F);
        if (!(b & 0x80)) break;
    }
    return value;
}

LDString* ByteBuffer::readString(MemoryParam* memParam)
{
    int before = errorCount;
    int n = readNum();
    if (errorCount != before || !fits(n)) return nullptr;
    LDString* text = new LDString(reinterpret_cast<const char*>(current), n, memParam);
    current += n;
    return text;
}

const RefString& ByteBuffer::readStringAsRef()
{
    int before = errorCount;
    int n = readNum();
    if (errorCount != before || !fits(n)) {
        stringRef.set(nullptr, 0);
        return stringRef;
    }
    stringRef.set(reinterpret_cast<const char*>(current), n);
    current += n;
    return stringRef;
}

int ByteBuffer::readArrayCount(int elementSize)
{
    int before = errorCount;
    int n = readNum();
    if (errorCount != before) return -1;
    if (n < 0 || static_cast<int64_t>(n) > 2 * static_cast<int64_t>(length)) {
        recordError("illegal size of array");
        return -1;
    }
    if (!fits(static_cast<int64_t>(n) * elementSize)) return -1;
    return n;
}

bool ByteBuffer::copyElements4(void* dst, int n)
{
    const bool allFinite = copyWords(static_cast<unsigned char*>(dst), current, static_cast<size_t>(n),
                                     isBigEndianSys != endian);
    current += static_cast<size_t>(n) * 4;
    return allFinite;
}
int* ByteBuffer::readArrayInt(MemoryParam* memParam, int* count)
{
    if (count) *count = 0;
    int n = readArrayCount(4);
    if (n < 0) return nullptr;
    int* block = static_cast<int*>(allocateElements(memParam, n, 4));
    if (!block) return nullptr;
    copyElements4(block, n);
    if (count) *count = n;
    return block;
}

unsigned short* ByteBuffer::readArrayIntAsUShort(MemoryParam* memParam, int* count)
{
    if (count) *count = 0;
    int n = readArrayCount(4);
    if (n < 0) return nullptr;
    unsigned short* block = static_cast<unsigned short*>(allocateElements(memParam, n, 2));
    if (!block) return nullptr;
    for (int i = 0; i < n; ++i) {
        const unsigned char* e = current + 4 * static_cast<size_t>(i);
        block[i] = endian ? static_cast<unsigned short>((e[2] << 8) | e[3])
                          : static_cast<unsigned short>((e[1] << 8) | e[0]);
    }
    current += static_cast<size_t>(n) * 4;
    if (count) *count = n;
    return block;
}

float* ByteBuffer::readArrayFloat(MemoryParam* memParam, int* count)
{
    if (count) *count = 0;
    int n = readArrayCount(4);
    if (n < 0) return nullptr;
    float* block = static_cast<float*>(allocateElements(memParam, n, 4));
    if (!block) return nullptr;
    if (!copyElements4(block, n)) ++nonFiniteFloatArrays;
    if (count) *count = n;
    return block;
}

double* ByteBuffer::readArrayDouble(MemoryParam* memParam, int* count)
{
    if (count) *count = 0;
    int n = readArrayCount(8);
    if (n < 0) return nullptr;
    double* block = static_cast<double*>(allocateElements(memParam, n, 8));
    if (!block) return nullptr;
    for (int i = 0; i < n; ++i) block[i] = readDouble();
    if (count) *count = n;
    return block;
}

template <class T, class Fill>
LDVector<T>* ByteBuffer::readVector(MemoryParam* memParam, Fill fill)
{
    memParam = orTmp(memParam);
    int n = readArrayCount(sizeof(T));
    if (n <= 0) return new LDVector<T>(memParam);
    LDVector<T>* vector = new LDVector<T>(memParam, n, n, false);
    if (!vector) return nullptr;
    if (vector->size() != n) {
        // Out of memory: leave the elements unread, like a refused count.
        vector->clear();
        return vector;
    }
    fill(vector->getPtr(), n);
    return vector;
}

LDVector<int>* ByteBuffer::readArrayIntAsVector(MemoryParam* memParam)
{
    return readVector<int>(memParam, [this](int* data, int n) { copyElements4(data, n); });
}

LDVector<float>* ByteBuffer::readArrayFloatAsVector(MemoryParam* memParam)
{
    return readVector<float>(memParam, [this](float* data, int n) {
        for (int i = 0; i < n; ++i) data[i] = readFloat();
    });
}

LDVector<double>* ByteBuffer::readArrayDoubleAsVector(MemoryParam* memParam)
{
    return readVector<double>(memParam, [this](double* data, int n) {
        for (int i = 0; i < n; ++i) data[i] = readDouble();
    });
}

void ByteBuffer::skip(int n)
{
    int64_t target = static_cast<int64_t>(current - start) + n;
    if (target < 0 || target > length) {
        recordError("range error");
        return;
    }
    current = start + target;
}

void ByteBuffer::rollback(int n)
{
    if (n == INT32_MIN) {
        recordError("range error");
        return;
    }
    skip(-n);
}

} // namespace tavrix
