#include "EngineText.h"

namespace tavrix_host {

namespace {

void appendThreeBytes(std::string& out, unsigned code)
{
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
}

unsigned char byteAt(const std::string& text, size_t i)
{
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The surrogate encoded at text[i] (ED A0..BF xx), or 0.
unsigned surrogateAt(const std::string& text, size_t i)
{
    if (byteAt(text, i) != 0xED || (byteAt(text, i + 1) & 0xE0) != 0xA0 || !isContinuation(byteAt(text, i + 2))) return 0;
    return 0xD000 | ((byteAt(text, i + 1) & 0x3F) << 6) | (byteAt(text, i + 2) & 0x3F);
}

} // namespace

std::string EngineText::toEngine(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char lead = byteAt(utf8, i);
        if (lead >= 0xF0 && lead <= 0xF4 && isContinuation(byteAt(utf8, i + 1)) && isContinuation(byteAt(utf8, i + 2)) &&
            isContinuation(byteAt(utf8, i + 3))) {
            const unsigned code = ((lead & 0x07u) << 18) | ((byteAt(utf8, i + 1) & 0x3Fu) << 12) |
                                  ((byteAt(utf8, i + 2) & 0x3Fu) << 6) | (byteAt(utf8, i + 3) & 0x3Fu);
            if (code >= 0x10000 && code <= 0x10FFFF) {
                appendThreeBytes(out, 0xD800 + ((code - 0x10000) >> 10));
                appendThreeBytes(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
                i += 3;
                continue;
            }
        }
        out += utf8[i];
    }
    return out;
}

std::string EngineText::fromEngine(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned high = surrogateAt(text, i);
        if (!high) {
            out += text[i++];
            continue;
        }
        const unsigned low = surrogateAt(text, i + 3);
        if (high <= 0xDBFF && low >= 0xDC00) {
            const unsigned code = 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
            i += 6;
        } else {
            appendThreeBytes(out, 0xFFFD);
            i += 3;
        }
    }
    return out;
}

} // namespace tavrix_host
