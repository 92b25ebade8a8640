#pragma once

#include <cstdint>

namespace tavrix {

// Hash codes for the runtime's hash tables. Texts are hashed with a keyed
// hash (SipHash-1-3) whose key is drawn once per process, so that names in a
// model file cannot be chosen to make lookups collide; the codes differ from
// run to run and never decide a result, only where a table keeps an entry.
class UtHash {
public:
    static uint64_t hashBytes(const char* bytes, int length);
    // For identity keys such as interned identifiers.
    static uint64_t hashPointer(const void* pointer);

private:
    static void initKey();

    static bool keyReady;
    static uint64_t key0;
    static uint64_t key1;
};

} // namespace tavrix
