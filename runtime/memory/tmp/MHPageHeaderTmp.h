#pragma once

#include <cstdint>

#include "memory/APageHeader.h"

namespace tavrix {

class MemoryHolderTmp;

// Header at the 32-byte aligned start of each pooled page. Chunk i's
// AllocHeader word lies CHUNK_HEADER_OFFSET + i * chunkSize bytes from the
// header and its block CHUNK_DATA_OFFSET + i * chunkSize bytes from it.
class MHPageHeaderTmp : public APageHeader {
public:
    static const int HEADER_REGION = 64;
    static const int CHUNK_HEADER_OFFSET = 56;
    static const int CHUNK_DATA_OFFSET = 64;
    // Room a page needs besides its chunks: header region plus worst-case alignment.
    static const int PAGE_OVERHEAD = 96;

    MHPageHeaderTmp(MemoryHolderTmp* holder, uint16_t chunkCount, uint32_t chunkSize, uint32_t pageSize,
                    uint8_t alignOffset, uint8_t binNo);

    virtual void free_exe(void* ptr);

    // Index of the first free chunk (taking it), or -1 when the page is full.
    int takeFreeChunk(const uint32_t fullMasks[3]);
    void releaseChunk(int index);
    bool isChunkUsed(int index) const;
    void* getChunkBlock(int index);
    int getChunkIndex(void* block) const;
    void* getRawPage() { return reinterpret_cast<char*>(this) - alignOffset; }

    // The page before this one in its bin's list (null at the head), so that
    // a page leaves its list in constant time. The link is kept outside the
    // header, which fills its region, in bytes the 32-byte alignment of the
    // header leaves unused: before the header when that gap holds a pointer,
    // else after the last chunk.
    MHPageHeaderTmp* getPrevPage() { return *prevPageSlot(); }
    void setPrevPage(MHPageHeaderTmp* page) { *prevPageSlot() = page; }

    MemoryHolderTmp* holder;
    uint32_t flags[3];
    uint16_t emptyCount;
    uint16_t chunkCount;
    uint32_t chunkSize;
    uint32_t pageSize;
    MHPageHeaderTmp* nextPage;
    uint8_t alignOffset;
    uint8_t binNo;

private:
    MHPageHeaderTmp** prevPageSlot();
};

} // namespace tavrix
