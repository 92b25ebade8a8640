#pragma once

namespace tavrix {

// A non-owning view of a name, used for lookups without copying.
class RefString {
public:
    RefString() : ptr(nullptr), length(0) {}
    RefString(const char* p, int len) : ptr(p), length(len) {}
    void set(const char* p, int len)
    {
        ptr = p;
        length = len;
    }

    const char* ptr;
    int length;
};

} // namespace tavrix
