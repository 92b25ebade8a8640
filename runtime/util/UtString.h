#pragma once

#include "type/LDString.h"

namespace tavrix {

class UtString {
public:
    // printf-style text as a new string in the global temporary memory.
    static LDString toString(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static bool startsWith(const char* text, const char* prefix);
    // Parses [-]digits[.digits] from start, not beyond length, in single
    // precision. *end receives the index after the number, or -1 when nothing
    // was consumed.
    static float strToFloat(const char* text, int length, int start, int* end);
};

} // namespace tavrix
