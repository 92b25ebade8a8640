#include "type/LDString.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "memory/UtMemory.h"
#include "type/RefString.h"

namespace tavrix {

int LDString::totalInstanceNo = 0;

LDString::LDString(MemoryParam* memParam)
    : buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
}

LDString::LDString(const char* text, MemoryParam* memParam)
    : buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
    copyFrom(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

LDString::LDString(const LDString& other, MemoryParam* memParam)
    : LDObject(), buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
    if (other.buffer) copyFrom(other.buffer, other._length);
    hashcode = other.hashcode;
}

LDString::LDString(const RefString& ref, MemoryParam* memParam)
    : buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
    copyFrom(ref.ptr, ref.length);
}

LDString::LDString(const char* bytes, int length, MemoryParam* memParam)
    : buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
    copyFrom(bytes, length);
}

LDString::LDString(char* bytes, int length, bool adopt, MemoryParam* memParam)
    : buffer(nullptr), _length(0), hashcode(-1), instanceNo(totalInstanceNo++), memory(memParam)
{
    if (!adopt) {
        copyFrom(bytes, length);
        return;
    }
    if (!bytes || length < 0) return;
    buffer = bytes;
    _length = length;
    buffer[length] = '\0';
    hashcode = calcHashcode(buffer, length);
}

LDString::~LDString()
{
    clear();
}

int LDString::calcHashcode(const char* bytes, int length)
{
    // Index length is the terminator, so the first step adds nothing.
    uint32_t h = 0;
    for (int i = length; i >= 0; --i) {
        int32_t byte = i == length ? 0 : static_cast<signed char>(bytes[i]);
        h = h * 31u + static_cast<uint32_t>(byte);
    }
    if (h == 0xFFFFFFFFu) h = 0xFFFFFFFEu;
    return static_cast<int>(h);
}

void LDString::copyFrom(const char* bytes, int length)
{
    if (length < 0 || (length > 0 && !bytes)) return;
    char* block = static_cast<char*>(UtMemory::malloc_exe(memory, static_cast<size_t>(length) + 1));
    if (!block) return;
    if (length > 0) std::memcpy(block, bytes, static_cast<size_t>(length));
    block[length] = '\0';
    buffer = block;
    _length = length;
    hashcode = calcHashcode(buffer, length);
}

void LDString::clear()
{
    UtMemory::free_exe(buffer);
    buffer = nullptr;
    _length = 0;
    hashcode = -1;
}

LDString& LDString::operator=(const char* text)
{
    if (text == buffer) return *this;
    clear();
    copyFrom(text, text ? static_cast<int>(std::strlen(text)) : 0);
    return *this;
}

LDString& LDString::operator=(const LDString& other)
{
    if (&other == this) return *this;
    clear();
    if (other.buffer) copyFrom(other.buffer, other._length);
    hashcode = other.hashcode;
    return *this;
}

LDString LDString::operator+(const LDString& other) const
{
    return concat(other.buffer, other._length);
}

LDString LDString::operator+(const char* text) const
{
    return concat(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

LDString LDString::concat(const char* bytes, int n) const
{
    LDString result(*this, nullptr);
    result.append(bytes, n);
    // Either both texts or nothing: a half-built result would pass for a real one.
    if (result._length != _length + n) result.clear();
    return result;
}

void LDString::replaceWithConcat(const char* bytes, int n)
{
    if (n < 0 || (n > 0 && !bytes) || n > INT_MAX - 1 - _length) return;
    int total = _length + n;
    char* block = static_cast<char*>(UtMemory::malloc_exe(memory, static_cast<size_t>(total) + 1));
    if (!block) return; // keep the previous text
    if (_length > 0) std::memcpy(block, buffer, static_cast<size_t>(_length));
    if (n > 0) std::memcpy(block + _length, bytes, static_cast<size_t>(n));
    block[total] = '\0';
    UtMemory::free_exe(buffer);
    buffer = block;
    _length = total;
    hashcode = calcHashcode(buffer, _length);
}

LDString& LDString::operator+=(const LDString& other)
{
    if (&other == this) {
        LDString copy(*this);
        replaceWithConcat(copy.buffer, copy._length);
    } else {
        replaceWithConcat(other.buffer, other._length);
    }
    return *this;
}

LDString& LDString::operator+=(const char* text)
{
    return append(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

LDString& LDString::append(const char* bytes, int n)
{
    replaceWithConcat(bytes, n);
    return *this;
}

LDString& LDString::append(int n, char c)
{
    if (n <= 0) return *this;
    char* fill = static_cast<char*>(UtMemory::malloc_exe(nullptr, static_cast<size_t>(n)));
    if (!fill) return *this;
    std::memset(fill, c, static_cast<size_t>(n));
    replaceWithConcat(fill, n);
    UtMemory::free_exe(fill);
    return *this;
}

static bool sameBytesBackwards(const char* a, const char* b, int length)
{
    for (int i = length - 1; i >= 0; --i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool LDString::operator==(const LDString& other) const
{
    if (_length != other._length || hashcode != other.hashcode) return false;
    if (_length == 0) return true;
    return sameBytesBackwards(buffer, other.buffer, _length);
}

bool LDString::operator==(const char* text) const
{
    int length = text ? static_cast<int>(std::strlen(text)) : 0;
    if (length != _length) return false;
    return length == 0 || sameBytesBackwards(buffer, text, length);
}

bool LDString::equals(const RefString& ref) const
{
    if (ref.length != _length) return false;
    return _length == 0 || sameBytesBackwards(buffer, ref.ptr, _length);
}

bool LDString::operator<(const LDString& other) const { return std::strcmp(c_str(), other.c_str()) < 0; }
bool LDString::operator<(const char* text) const { return std::strcmp(c_str(), text ? text : "") < 0; }
bool LDString::operator>(const LDString& other) const { return std::strcmp(c_str(), other.c_str()) > 0; }
bool LDString::operator>(const char* text) const { return std::strcmp(c_str(), text ? text : "") > 0; }

} // namespace tavrix
