#pragma once

#include <cstdint>

#include "memory/APageHeader.h"

namespace tavrix {

// Header at the start of each arena page; data starts DATA_OFFSET bytes in.
// Blocks are never freed one by one, so free_exe does nothing.
class MHPageHeaderFixed : public APageHeader {
public:
    static const int DATA_OFFSET = 56;

    MHPageHeaderFixed(uint32_t pageSize, int align);
    virtual void free_exe(void*) {}

    char* getStartAddress() { return reinterpret_cast<char*>(this); }

    MHPageHeaderFixed* nextPage;
    char* endPtr;       // one past the page's last byte
    uint32_t pageSize;
    char* usedEnd;      // first unused byte
    uint32_t rest;      // bytes from usedEnd to endPtr
    uint32_t pageNo;
    // The page before this one among the pages with room, so that a page can
    // leave that list in constant time; unused on the filled list.
    MHPageHeaderFixed* prevPage;

    static uint32_t pageAmount;
};

} // namespace tavrix
