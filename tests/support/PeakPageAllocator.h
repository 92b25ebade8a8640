// Page allocator that tracks the bytes of live pages and their peak, for
// checks and benchmarks of how much memory the runtime holds. Header-only
// and free of the test framework, so the benchmarks use it too.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "memory/LDAllocator.h"

namespace tavrix_test {

class PeakPageAllocator : public tavrix::LDAllocator {
public:
    void* pageAlloc(size_t size, Type) override
    {
        // The size rides in front of the page, which stays 16-byte aligned.
        char* raw = static_cast<char*>(std::malloc(size + HEADER));
        if (!raw) return nullptr;
        *reinterpret_cast<size_t*>(raw) = size;
        liveBytes += size;
        if (liveBytes > peakBytes) peakBytes = liveBytes;
        return raw + HEADER;
    }
    void pageFree(void* ptr, Type) override
    {
        if (!ptr) return;
        char* raw = static_cast<char*>(ptr) - HEADER;
        liveBytes -= *reinterpret_cast<size_t*>(raw);
        std::free(raw);
    }
    // Starts a new peak measurement; returns the bytes live now.
    size_t restartPeak()
    {
        peakBytes = liveBytes;
        return liveBytes;
    }

    size_t liveBytes = 0;
    size_t peakBytes = 0;

private:
    static constexpr size_t HEADER = 16;
};

} // namespace tavrix_test
