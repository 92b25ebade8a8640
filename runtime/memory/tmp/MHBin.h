#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrix {

class MHPageHeaderTmp;

// One size class of the pooled holder.
struct MHBin {
    size_t chunkSize;   // 0 for the large-block bin
    size_t pageSize;
    uint16_t chunkCount; // chunks per page
    uint16_t binNo;
    uint32_t fullMasks[3];
    MHPageHeaderTmp* fullPages;
    MHPageHeaderTmp* availablePages;
    // Empty chunks of all available pages, kept up to date so that a free
    // can weigh the bin's spare room without walking its pages.
    size_t spareChunks;

    void init(uint16_t binNo, size_t chunkSize, size_t pageSize, uint16_t chunkCount);
};

} // namespace tavrix
