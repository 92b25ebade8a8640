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

    MemoryHolderTmp* holder;
    uint32_t flags[3];
    uint16_t emptyCount;
    uint16_t chunkCount;
    uint32_t chunkSize;
    uint32_t pageSize;
    MHPageHeaderTmp* nextPage;
    uint8_t alignOffset;
    uint8_t binNo;
};

} // namespace tavrix
