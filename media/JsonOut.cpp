#include "JsonOut.h"

#include <cmath>
#include <cstdio>
#include <string_view>

// Only the checks, which throw nothing (the web build has no exceptions).
#include <utf8/core.h>

namespace tavrix_media {

std::string JsonOut::number(double value)
{
    if (!std::isfinite(value)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string result = text;
    // Keep floats recognisable as such: 15 -> 15.0.
    if (result.find_first_of(".en") == std::string::npos) result += ".0";
    return result;
}

std::string JsonOut::string(const char* text)
{
    const std::string_view in(text ? text : "");
    std::string out = "\"";
    auto escapeByte = [&out](unsigned char c) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
        out += escaped;
    };
    for (auto p = in.begin(); p != in.end();) {
        // Model files may hold any bytes. Well-formed UTF-8 is copied; a byte
        // that starts no valid sequence (overlong forms, surrogates, code
        // points past U+10FFFF, stray continuations) is written as the code
        // point of the byte, so the output is always valid JSON in UTF-8.
        const auto invalid = utf8::find_invalid(p, in.end());
        for (; p != invalid; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) escapeByte(c);
                else out += static_cast<char>(c);
            }
        }
        if (p != in.end()) escapeByte(static_cast<unsigned char>(*p++));
    }
    out += "\"";
    return out;
}

} // namespace tavrix_media
