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
