#include "StreamName.h"

namespace {

const char32_t REPLACEMENT = 0xFFFD;

// Decodes one character at text[pos] and advances pos past it. An invalid
// sequence yields U+FFFD and is skipped as far as it looked valid, so the
// next character starts fresh.
char32_t decodeOne(const std::string& text, size_t& pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80) return lead;
    int extra;
    char32_t code;
    char32_t lowest;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        code = lead & 0x1F;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        code = lead & 0x0F;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        code = lead & 0x07;
        lowest = 0x10000;
    } else {
        return REPLACEMENT;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size()) return REPLACEMENT;
        unsigned char next = static_cast<unsigned char>(text[pos]);
        if ((next & 0xC0) != 0x80) return REPLACEMENT;
        char32_t extended = (code << 6) | (next & 0x3F);
        // Overlong forms, surrogates and values past U+10FFFF show on the
        // first continuation byte already; that byte then starts afresh.
        if (i == 0) {
            char32_t smallestPossible = extended << (6 * (extra - 1));
            char32_t largestPossible = smallestPossible | ((1u << (6 * (extra - 1))) - 1);
            if (largestPossible < lowest || smallestPossible > 0x10FFFF ||
                (smallestPossible >= 0xD800 && largestPossible <= 0xDFFF)) {
                return REPLACEMENT;
            }
        }
        code = extended;
        ++pos;
    }
    return code;
}

} // namespace

std::vector<A_UTF16Char> toStreamName(const std::string& utf8, size_t maxUnits)
{
    std::vector<A_UTF16Char> name;
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t code = decodeOne(utf8, pos);
        if (code >= 0x10000) {
            if (name.size() + 2 > maxUnits) break;
            code -= 0x10000;
            name.push_back(static_cast<A_UTF16Char>(0xD800 + (code >> 10)));
            name.push_back(static_cast<A_UTF16Char>(0xDC00 + (code & 0x3FF)));
        } else {
            if (name.size() + 1 > maxUnits) break;
            name.push_back(static_cast<A_UTF16Char>(code));
        }
    }
    name.push_back(0);
    return name;
}
