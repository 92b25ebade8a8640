#include "memory/tmp/MHPageHeaderTmp.h"

#include "memory/tmp/MemoryHolderTmp.h"

namespace tavrix {

static_assert(sizeof(MHPageHeaderTmp) <= MHPageHeaderTmp::CHUNK_HEADER_OFFSET,
              "the pooled page header must end before the first chunk's AllocHeader word");

MHPageHeaderTmp::MHPageHeaderTmp(MemoryHolderTmp* owner, uint16_t count, uint32_t size, uint32_t page,
                                 uint8_t offset, uint8_t bin)
    : holder(owner), flags{0, 0, 0}, emptyCount(count), chunkCount(count), chunkSize(size),
      pageSize(page), nextPage(nullptr), alignOffset(offset), binNo(bin)
{
}

void MHPageHeaderTmp::free_exe(void* ptr)
{
    holder->free_exe(this, ptr);
}

int MHPageHeaderTmp::takeFreeChunk(const uint32_t fullMasks[3])
{
    for (int word = 0; word < 3; ++word) {
        // The chunks of a word run from bit 31 down; the full mask covers
        // exactly the page's chunks, so the highest free bit in it is the first
        // free chunk.
        const uint32_t freeBits = ~flags[word] & fullMasks[word];
        if (freeBits == 0) continue;
        const int offset = __builtin_clz(freeBits);
        flags[word] |= 0x80000000u >> offset;
        --emptyCount;
        return word * 32 + offset;
    }
    return -1;
}

void MHPageHeaderTmp::releaseChunk(int index)
{
    flags[index / 32] &= ~(1u << (31 - index % 32));
    ++emptyCount;
}

bool MHPageHeaderTmp::isChunkUsed(int index) const
{
    return (flags[index / 32] & (1u << (31 - index % 32))) != 0;
}

void* MHPageHeaderTmp::getChunkBlock(int index)
{
    return reinterpret_cast<char*>(this) + CHUNK_DATA_OFFSET + static_cast<size_t>(index) * chunkSize;
}

MHPageHeaderTmp** MHPageHeaderTmp::prevPageSlot()
{
    // The header is 32-byte aligned, so a gap of at least one pointer before
    // it is pointer-aligned. A smaller gap (below 8 bytes) leaves at least 25
    // bytes after the last chunk, since a page holds PAGE_OVERHEAD bytes
    // besides its chunks: room for a pointer-aligned word before the end.
    char* slot;
    if (alignOffset >= sizeof(MHPageHeaderTmp*)) {
        slot = reinterpret_cast<char*>(this) - sizeof(MHPageHeaderTmp*);
    } else {
        uintptr_t end = reinterpret_cast<uintptr_t>(getRawPage()) + pageSize - sizeof(MHPageHeaderTmp*);
        slot = reinterpret_cast<char*>(end - end % alignof(MHPageHeaderTmp*));
    }
    return reinterpret_cast<MHPageHeaderTmp**>(slot);
}

int MHPageHeaderTmp::getChunkIndex(void* block) const
{
    if (chunkSize == 0) return 0;
    size_t distance = static_cast<size_t>(static_cast<const char*>(block) - reinterpret_cast<const char*>(this));
    return static_cast<int>((distance - CHUNK_DATA_OFFSET) / chunkSize);
}

} // namespace tavrix
