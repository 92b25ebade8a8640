// Writes ".mtnb" binary motions in either byte order, for tests and fuzz
// seeds: header, curve records, then the name, float and 16-bit blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tavrix_test {

struct BinCurve {
    std::string name;
    std::vector<float> floats;    // used when shorts is empty
    std::vector<uint16_t> shorts; // quantised between min and max
    float min = 0.0f;
    float max = 0.0f;
};

namespace mtnb_layout {
// Offsets of the header fields and of the first curve record.
enum : size_t {
    FLAG_AT = 4, VERSION_AT = 6, FILE_SIZE_AT = 8, FPS_AT = 14, FADE_IN_AT = 16, MAX_LENGTH_AT = 20,
    COUNT_AT = 32, RECORD_AT = 36, NAME_OFFSET_AT = 36, VALUES_OFFSET_AT = 40, VALUE_COUNT_AT = 46,
};
} // namespace mtnb_layout

class MtnbWriter {
public:
    explicit MtnbWriter(bool bigEndian) : big(bigEndian) {}

    std::vector<uint8_t> build(const std::vector<BinCurve>& curves, int fps = 30, int fadeIn = 0, int fadeOut = 0)
    {
        bytes.clear();
        int maxLength = 0;
        for (const BinCurve& c : curves) {
            int n = static_cast<int>(c.shorts.empty() ? c.floats.size() : c.shorts.size());
            if (n > maxLength) maxLength = n;
        }
        for (uint8_t b : {'m', 't', 'b', '\0'}) bytes.push_back(b);
        bytes.push_back(big ? 0x80 : 0);
        bytes.push_back(0);
        put(1, 2);
        put(0, 4); // file size, patched below
        put(0, 2);
        put(fps, 2);
        put(fadeIn, 2);
        put(fadeOut, 2);
        put(maxLength, 4);
        put(0, 4);
        put(0, 4);
        put(static_cast<uint32_t>(curves.size()), 2);
        put(0, 2);

        size_t records = bytes.size();
        bytes.resize(records + 20 * curves.size());
        std::vector<size_t> nameAt, valuesAt;
        size_t block = bytes.size();
        put(0, 4);
        for (const BinCurve& c : curves) {
            nameAt.push_back(bytes.size());
            bytes.insert(bytes.end(), c.name.begin(), c.name.end());
            bytes.push_back(0);
        }
        patch(block, bytes.size() - block, 4);
        for (bool shortBlock : {false, true}) {
            block = bytes.size();
            put(0, 4);
            for (const BinCurve& c : curves) {
                valuesAt.push_back(bytes.size());
                if (shortBlock != !c.shorts.empty()) continue;
                for (float f : c.floats) put(bits(f), 4);
                for (uint16_t s : c.shorts) put(s, 2);
            }
            patch(block, bytes.size() - block, 4);
        }
        for (size_t i = 0; i < curves.size(); ++i) {
            const BinCurve& c = curves[i];
            bool isShort = !c.shorts.empty();
            size_t at = records + 20 * i;
            patch(at, nameAt[i], 4);
            patch(at + 4, valuesAt[(isShort ? curves.size() : 0) + i], 4);
            bytes[at + 8] = isShort ? 0x80 : 0;
            patch(at + 10, isShort ? c.shorts.size() : c.floats.size(), 2);
            patch(at + 12, bits(c.min), 4);
            patch(at + 16, bits(c.max), 4);
        }
        patch(mtnb_layout::FILE_SIZE_AT, bytes.size(), 4);
        return bytes;
    }

    void patch(size_t at, uint32_t value, int width)
    {
        for (int i = 0; i < width; ++i) {
            int shift = 8 * (big ? width - 1 - i : i);
            bytes[at + i] = static_cast<uint8_t>(value >> shift);
        }
    }
    void patch(std::vector<uint8_t>& target, size_t at, uint32_t value, int width)
    {
        bytes.swap(target);
        patch(at, value, width);
        bytes.swap(target);
    }

private:
    static uint32_t bits(float f)
    {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return u;
    }
    void put(uint32_t value, int width)
    {
        bytes.resize(bytes.size() + width);
        patch(bytes.size() - width, value, width);
    }

    bool big;
    std::vector<uint8_t> bytes;
};

} // namespace tavrix_test
