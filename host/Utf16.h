#pragma once

#include <string>

#include "PF_Basic.h"

namespace tavrix_host {

// Text conversion for the names effects give their streams.
class Utf16 {
public:
    // A zero-terminated UTF-16 text as UTF-8; unpaired surrogates become
    // U+FFFD.
    static std::string toUtf8(const A_UTF16Char* text);
};

} // namespace tavrix_host
