// Pseudo-random numbers from a seed, the same on every platform: the
// numbers glibc's rand() gives after srand(seed) (its additive feedback
// generator with 31 words of state), so a blink seed blinks alike in the
// native tools and in the web build, whatever C library runs there, and
// several generators never disturb each other.
#pragma once

#include <cstdint>

namespace tavrix_stage {

class SeededRandom {
public:
    explicit SeededRandom(unsigned seed);
    // The next number, from 0 to 2147483647.
    int next();
    // next() for a caller that holds the generator as an untyped pointer.
    static int draw(void* generator) { return static_cast<SeededRandom*>(generator)->next(); }

private:
    static constexpr int WORDS = 31;
    static constexpr int SEPARATION = 3;
    uint32_t state[WORDS];
    int front = SEPARATION;
    int rear = 0;
};

} // namespace tavrix_stage
