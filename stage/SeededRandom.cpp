#include "SeededRandom.h"

namespace tavrix_stage {

SeededRandom::SeededRandom(unsigned seed)
{
    // The state's words follow from the seed by Park and Miller's minimal
    // generator (Schrage's method, as glibc computes it), then the first
    // ten rounds of numbers are dropped.
    // The seed is taken as a signed 32-bit word, as glibc does.
    int32_t word = static_cast<int32_t>(seed == 0 ? 1u : seed);
    state[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < WORDS; ++i) {
        const int64_t high = word / 127773;
        const int64_t low = word % 127773;
        int64_t next = 16807 * low - 2836 * high;
        if (next < 0) next += 2147483647;
        word = static_cast<int32_t>(next);
        state[i] = static_cast<uint32_t>(word);
    }
    for (int i = 0; i < WORDS * 10; ++i) next();
}

int SeededRandom::next()
{
    state[front] += state[rear];
    const int result = static_cast<int>(state[front] >> 1);
    front = (front + 1) % WORDS;
    rear = (rear + 1) % WORDS;
    return result;
}

} // namespace tavrix_stage
