#pragma once

#include <cstring>

namespace tavrix {

// Header at the start of every memory page; each block's AllocHeader word
// points here so that a block can be freed without knowing its holder.
class APageHeader {
public:
    virtual void free_exe(void* ptr) = 0;

protected:
    ~APageHeader() {}
};

// The pointer-sized word in front of every block a holder hands out. Arena
// blocks are only 4-byte aligned, so the word is copied, never dereferenced.
struct AllocHeader {
    APageHeader* pageHeader;

    static void store(void* block, APageHeader* page)
    {
        std::memcpy(static_cast<char*>(block) - sizeof(AllocHeader), &page, sizeof page);
    }
    static APageHeader* load(const void* block)
    {
        APageHeader* page;
        std::memcpy(&page, static_cast<const char*>(block) - sizeof(AllocHeader), sizeof page);
        return page;
    }
};

} // namespace tavrix
