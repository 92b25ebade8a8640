#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class MemoryParam;
class RefString;

// Counted, zero-terminated string whose buffer comes from a MemoryParam.
// The hashcode is -1 only for a string that was never given a text.
class LDString : public LDObject {
public:
    explicit LDString(MemoryParam* memParam = nullptr);
    LDString(const char* text, MemoryParam* memParam = nullptr);
    LDString(const LDString& other, MemoryParam* memParam = nullptr);
    LDString(const RefString& ref, MemoryParam* memParam = nullptr);
    LDString(const char* bytes, int length, MemoryParam* memParam = nullptr);
    // adopt: take ownership of a block from UtMemory::malloc_exe holding length + 1 bytes.
    LDString(char* bytes, int length, bool adopt, MemoryParam* memParam = nullptr);
    virtual ~LDString();

    static int calcHashcode(const char* bytes, int length);

    void clear();
    LDString& operator=(const char* text);
    LDString& operator=(const LDString& other);
    LDString operator+(const LDString& other) const;
    LDString operator+(const char* text) const;
    LDString& operator+=(const LDString& other);
    LDString& operator+=(const char* text);
    LDString& append(const char* bytes, int n);
    LDString& append(int n, char c);

    bool operator==(const LDString& other) const;
    bool operator==(const char* text) const;
    bool operator!=(const LDString& other) const { return !(*this == other); }
    bool equals(const RefString& ref) const;
    bool operator<(const LDString& other) const;
    bool operator<(const char* text) const;
    bool operator>(const LDString& other) const;
    bool operator>(const char* text) const;

    const char* c_str() const { return buffer ? buffer : ""; }
    int length() const { return _length; }
    int getHashcode() const { return hashcode; }
    int getInstanceNo() const { return instanceNo; }
    bool hasBuffer() const { return buffer != nullptr; }

private:
    void copyFrom(const char* bytes, int length);
    LDString concat(const char* bytes, int n) const;
    void replaceWithConcat(const char* bytes, int n);

    char* buffer;
    int _length;
    int hashcode;
    int instanceNo;
    MemoryParam* memory;

    static int totalInstanceNo;
};

} // namespace tavrix
