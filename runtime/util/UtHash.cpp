#include "util/UtHash.h"

#include <ctime>

#include "util/UtSystem.h"

namespace tavrix {

bool UtHash::keyReady = false;
uint64_t UtHash::key0 = 0;
uint64_t UtHash::key1 = 0;

namespace {

inline uint64_t rotl(uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

inline void sipRound(uint64_t& v0, uint64_t& v1, uint64_t& v2, uint64_t& v3)
{
    v0 += v1;
    v1 = rotl(v1, 13);
    v1 ^= v0;
    v0 = rotl(v0, 32);
    v2 += v3;
    v3 = rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = rotl(v1, 17);
    v1 ^= v2;
    v2 = rotl(v2, 32);
}

// Spreads every input bit over the whole word.
inline uint64_t mix(uint64_t x)
{
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

void UtHash::initKey()
{
    // Unpredictable enough for its purpose: the clock and the process's
    // address-space layout.
    uint64_t seed = static_cast<uint64_t>(UtSystem::getTimeMSec());
    seed = mix(seed ^ static_cast<uint64_t>(std::clock()));
    seed = mix(seed ^ reinterpret_cast<uintptr_t>(&keyReady));
    int local = 0;
    seed = mix(seed ^ reinterpret_cast<uintptr_t>(&local));
    key0 = mix(seed + 0x9E3779B97F4A7C15ull);
    key1 = mix(key0 + 0x9E3779B97F4A7C15ull);
    keyReady = true;
}

uint64_t UtHash::hashBytes(const char* bytes, int length)
{
    if (!keyReady) initKey();
    if (length < 0) length = 0;
    uint64_t v0 = key0 ^ 0x736F6D6570736575ull;
    uint64_t v1 = key1 ^ 0x646F72616E646F6Dull;
    uint64_t v2 = key0 ^ 0x6C7967656E657261ull;
    uint64_t v3 = key1 ^ 0x7465646279746573ull;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes);
    const int whole = length & ~7;
    for (int i = 0; i < whole; i += 8) {
        uint64_t m = 0;
        for (int b = 7; b >= 0; --b) m = (m << 8) | in[i + b]; // little-endian, whatever the host
        v3 ^= m;
        sipRound(v0, v1, v2, v3);
        v0 ^= m;
    }
    uint64_t last = static_cast<uint64_t>(length & 0xFF) << 56;
    for (int b = length - whole - 1; b >= 0; --b) last |= static_cast<uint64_t>(in[whole + b]) << (8 * b);
    v3 ^= last;
    sipRound(v0, v1, v2, v3);
    v0 ^= last;
    v2 ^= 0xFF;
    sipRound(v0, v1, v2, v3);
    sipRound(v0, v1, v2, v3);
    sipRound(v0, v1, v2, v3);
    return v0 ^ v1 ^ v2 ^ v3;
}

uint64_t UtHash::hashPointer(const void* pointer)
{
    return mix(reinterpret_cast<uintptr_t>(pointer));
}

} // namespace tavrix
