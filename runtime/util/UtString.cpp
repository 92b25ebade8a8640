#include "util/UtString.h"

#include <cstdarg>
#include <cstdio>

#include "memory/UtMemory.h"

namespace tavrix {

LDString UtString::toString(const char* format, ...)
{
    size_t capacity = 256;
    while (capacity <= (1u << 30)) {
        char* buffer = static_cast<char*>(UtMemory::malloc_exe(nullptr, capacity));
        if (!buffer) return LDString();
        va_list args;
        va_start(args, format);
        int written = std::vsnprintf(buffer, capacity, format, args);
        va_end(args);
        if (written < 0) {
            UtMemory::free_exe(buffer);
            return LDString();
        }
        if (static_cast<size_t>(written) < capacity) {
            LDString result(buffer, written);
            UtMemory::free_exe(buffer);
            return result;
        }
        UtMemory::free_exe(buffer);
        capacity *= 2;
    }
    return LDString();
}

bool UtString::startsWith(const char* text, const char* prefix)
{
    for (; *prefix; ++prefix, ++text) {
        if (*text != *prefix) return false;
    }
    return true;
}

float UtString::strToFloat(const char* text, int length, int start, int* end)
{
    int i = start;
    bool negative = false;
    bool consumed = false;
    float value = 0.0f;

    if (i < length && text[i] == '-') {
        negative = true;
        consumed = true;
        ++i;
    }
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10.0f + static_cast<float>(text[i] - '0');
        consumed = true;
    }
    if (i < length && text[i] == '.') {
        consumed = true;
        ++i;
        float factor = 0.1f;
        for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
            value += static_cast<float>(text[i] - '0') * factor;
            factor *= 0.1f;
        }
    }
    if (!consumed) {
        if (end) *end = -1;
        return 0.0f;
    }
    if (end) *end = i;
    return negative ? -value : value;
}

} // namespace tavrix
