// Counts the blocks handed out by the global temporary memory, so that tests
// can tell whether a piece of work returned everything it took.
#pragma once

#include "memory/UtMemory.h"
#include "memory/tmp/MHPageHeaderTmp.h"
#include "memory/tmp/MemoryHolderTmp.h"

namespace tavrix_test {

inline int tmpBlocksInUse()
{
    tavrix::MemoryHolderTmp* holder = tavrix::UtMemory::getTmpMemoryHolderImpl();
    if (!holder) return 0;
    int used = 0;
    for (int b = 0; b < tavrix::MemoryHolderTmp::BIN_COUNT; ++b) {
        const tavrix::MHBin& bin = holder->getBin(b);
        tavrix::MHPageHeaderTmp* lists[2] = {bin.fullPages, bin.availablePages};
        for (tavrix::MHPageHeaderTmp* page : lists) {
            for (; page; page = page->nextPage) used += page->chunkCount - page->emptyCount;
        }
    }
    return used;
}

} // namespace tavrix_test

#include <malloc.h>

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
// From the AddressSanitizer runtime (not every compiler ships its header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace tavrix_test {

// Bytes the process holds from malloc right now, mapped blocks included;
// under AddressSanitizer, which keeps its own heap, the sanitizer's count.
inline size_t heapBytesInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// Rounds of a soak test: all of them, or fewer (never none) when CI=true
// keeps the suite inside its time budget.
inline int soakRounds(int full, int underCi)
{
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0 ? underCi : full;
}

} // namespace tavrix_test
