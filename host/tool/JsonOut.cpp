#include "JsonOut.h"

#include <cmath>
#include <cstdio>

namespace tavrix_tool {

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

// Length of the well-formed UTF-8 sequence starting at p, or 0.
static int utf8SequenceLength(const unsigned char* p)
{
    int length = p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 && p[0] < 0xE0 ? 2 : 0;
    if (length == 0 || p[0] > 0xF4) return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
    }
    return length;
}

std::string JsonOut::string(const char* text)
{
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x80) {
            // Model files may hold any bytes; text that is not UTF-8 is
            // written as the code points of its bytes so the JSON stays valid.
            int length = utf8SequenceLength(reinterpret_cast<const unsigned char*>(p));
            if (length > 0) {
                out.append(p, static_cast<size_t>(length));
                p += length - 1;
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += "\"";
    return out;
}

} // namespace tavrix_tool
