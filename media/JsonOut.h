// Small JSON text writer for machine-readable output: numbers that read back
// to the same float, strings always valid UTF-8.
#pragma once

#include <string>

namespace tavrix_media {

class JsonOut {
public:
    // Floats with 9 significant digits (enough to round-trip a float);
    // NaN and infinities become null.
    static std::string number(double value);
    static std::string number(int value) { return std::to_string(value); }
    static std::string boolean(bool value) { return value ? "true" : "false"; }
    // A quoted string with JSON escapes; bytes >= 0x80 pass through.
    static std::string string(const char* text);
};

} // namespace tavrix_media
