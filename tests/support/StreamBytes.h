// Hand-assembled model-stream bytes for reader tests: big-endian values,
// base-128 counts and tagged-object headers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tavrix_test {

class StreamBytes {
public:
    StreamBytes& u8(int b)
    {
        bytes.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    StreamBytes& raw(std::initializer_list<int> values)
    {
        for (int b : values) u8(b);
        return *this;
    }
    // Count in the stream's base-128 form, most significant group first.
    StreamBytes& num(uint32_t n)
    {
        uint8_t groups[4];
        int count = 0;
        do {
            groups[count++] = static_cast<uint8_t>(n & 0x7F);
            n >>= 7;
        } while (n && count < 4);
        for (int i = count - 1; i >= 0; --i) u8(groups[i] | (i > 0 ? 0x80 : 0));
        return *this;
    }
    StreamBytes& i16(int16_t v) { return be(static_cast<uint64_t>(static_cast<uint16_t>(v)), 2); }
    StreamBytes& i32(int32_t v) { return be(static_cast<uint64_t>(static_cast<uint32_t>(v)), 4); }
    StreamBytes& i64(int64_t v) { return be(static_cast<uint64_t>(v), 8); }
    StreamBytes& f32(float v)
    {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        return be(b, 4);
    }
    StreamBytes& f64(double v)
    {
        uint64_t b;
        std::memcpy(&b, &v, 8);
        return be(b, 8);
    }
    StreamBytes& str(const std::string& s)
    {
        num(static_cast<uint32_t>(s.size()));
        for (char c : s) u8(static_cast<uint8_t>(c));
        return *this;
    }
    // A tagged object's class number; the payload follows.
    StreamBytes& cls(int classNo) { return num(static_cast<uint32_t>(classNo)); }
    StreamBytes& backRef(int32_t index) { return cls(33).i32(index); }
    StreamBytes& stringObject(const std::string& s) { return cls(1).str(s); }
    StreamBytes& floatArray(std::initializer_list<float> values)
    {
        cls(27).num(static_cast<uint32_t>(values.size()));
        for (float v : values) f32(v);
        return *this;
    }
    StreamBytes& intArray(std::initializer_list<int32_t> values)
    {
        cls(25).num(static_cast<uint32_t>(values.size()));
        for (int32_t v : values) i32(v);
        return *this;
    }
    StreamBytes& append(const StreamBytes& other)
    {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }

    int size() const { return static_cast<int>(bytes.size()); }
    const uint8_t* data() const { return bytes.data(); }

    std::vector<uint8_t> bytes;

private:
    StreamBytes& be(uint64_t v, int n)
    {
        for (int i = n - 1; i >= 0; --i) u8(static_cast<int>((v >> (8 * i)) & 0xFF));
        return *this;
    }
};

} // namespace tavrix_test
