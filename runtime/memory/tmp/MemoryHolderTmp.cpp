#include "memory/tmp/MemoryHolderTmp.h"

#include <cstdint>
#include <new>

#include "memory/UtMemory.h"
#include "memory/tmp/MHPageHeaderTmp.h"
#include "util/UtDebug.h"

namespace tavrix {

int MemoryHolderTmp::holderCount = 0;

namespace {

const size_t BIN_CHUNK_SIZES[MemoryHolderTmp::LARGE_BIN] = {32, 64, 128, 256, 512};
const size_t BIN_PAGE_SIZES[MemoryHolderTmp::LARGE_BIN] = {2144, 2144, 2144, 4192, 4192};

// Pages carry 32-bit sizes; larger requests cannot be pooled.
const size_t MAX_LARGE_CHUNK = UINT32_MAX - MHPageHeaderTmp::PAGE_OVERHEAD;

} // namespace

void MHBin::init(uint16_t number, size_t chunk, size_t page, uint16_t count)
{
    chunkSize = chunk;
    pageSize = page;
    chunkCount = count;
    binNo = number;
    for (int word = 0; word < 3; ++word) {
        int bits = count - word * 32;
        if (bits <= 0) fullMasks[word] = 0;
        else if (bits >= 32) fullMasks[word] = 0xFFFFFFFFu;
        else fullMasks[word] = ~(0xFFFFFFFFu >> bits);
    }
    fullPages = nullptr;
    availablePages = nullptr;
    spareChunks = 0;
}

MemoryHolderTmp::MemoryHolderTmp(LDAllocator::Type type, const char* holderName)
    : allocType(type), name(holderName), holderNo(holderCount++)
{
    for (int i = 0; i < LARGE_BIN; ++i) {
        uint16_t count = static_cast<uint16_t>((BIN_PAGE_SIZES[i] - MHPageHeaderTmp::PAGE_OVERHEAD) / BIN_CHUNK_SIZES[i]);
        bins[i].init(static_cast<uint16_t>(i), BIN_CHUNK_SIZES[i], BIN_PAGE_SIZES[i], count);
    }
    bins[LARGE_BIN].init(LARGE_BIN, 0, 0, 1);
}

MemoryHolderTmp::~MemoryHolderTmp()
{
    clear();
}

int MemoryHolderTmp::binFor(size_t size)
{
    for (int i = 0; i < LARGE_BIN; ++i) {
        if (BIN_CHUNK_SIZES[i] >= size + sizeof(AllocHeader)) return i;
    }
    return LARGE_BIN;
}

void* MemoryHolderTmp::malloc_exe(size_t size, int)
{
    if (size > MAX_LARGE_CHUNK - sizeof(AllocHeader)) return nullptr;
    int binNo = binFor(size);
    MHBin& bin = bins[binNo];
    size_t needed = binNo == LARGE_BIN ? size + sizeof(AllocHeader) : bin.chunkSize;

    MHPageHeaderTmp* page = nullptr;
    int index = -1;
    for (MHPageHeaderTmp* p = bin.availablePages; p; p = p->nextPage) {
        if (binNo == LARGE_BIN && (p->emptyCount == 0 || p->chunkSize < needed)) continue;
        index = p->takeFreeChunk(bin.fullMasks);
        if (index >= 0) {
            page = p;
            --bin.spareChunks;
            if (page->emptyCount == 0) {
                unlink(&bin.availablePages, page);
                pushFront(&bin.fullPages, page);
            }
            break;
        }
    }

    if (!page) {
        page = createPage(bin, needed);
        if (!page) return nullptr;
        index = page->takeFreeChunk(bin.fullMasks);
        if (page->emptyCount > 0) {
            pushFront(&bin.availablePages, page);
            bin.spareChunks += page->emptyCount;
        } else {
            pushFront(&bin.fullPages, page);
        }
    }

    void* block = page->getChunkBlock(index);
    AllocHeader::store(block, page);
    return block;
}

MHPageHeaderTmp* MemoryHolderTmp::createPage(MHBin& bin, size_t chunkSize)
{
    size_t pageSize = bin.pageSize;
    if (pageSize < chunkSize + MHPageHeaderTmp::PAGE_OVERHEAD) pageSize = chunkSize + MHPageHeaderTmp::PAGE_OVERHEAD;
    void* raw = UtMemory::allocator_malloc(pageSize, allocType);
    if (!raw) return nullptr;
    void* start = UtMemory::alignPtr(raw, 32, 0);
    uint8_t offset = static_cast<uint8_t>(static_cast<char*>(start) - static_cast<char*>(raw));
    return new (start) MHPageHeaderTmp(this, bin.chunkCount, static_cast<uint32_t>(chunkSize),
                                       static_cast<uint32_t>(pageSize), offset, static_cast<uint8_t>(bin.binNo));
}

void MemoryHolderTmp::deletePage(MHPageHeaderTmp* page)
{
    UtMemory::allocator_free(page->getRawPage(), allocType);
}

void MemoryHolderTmp::pushFront(MHPageHeaderTmp** list, MHPageHeaderTmp* page)
{
    page->nextPage = *list;
    page->setPrevPage(nullptr);
    if (*list) (*list)->setPrevPage(page);
    *list = page;
}

void MemoryHolderTmp::unlink(MHPageHeaderTmp** list, MHPageHeaderTmp* page)
{
    MHPageHeaderTmp* prev = page->getPrevPage();
    MHPageHeaderTmp* next = page->nextPage;
    if (prev) prev->nextPage = next;
    else *list = next;
    if (next) next->setPrevPage(prev);
    page->nextPage = nullptr;
}

void MemoryHolderTmp::free_exe(APageHeader* header, void* ptr)
{
    MHPageHeaderTmp* page = static_cast<MHPageHeaderTmp*>(header);
    MHBin& bin = bins[page->binNo];
    page->releaseChunk(page->getChunkIndex(ptr));
    // A page with no empty chunk before this free is on the full list.
    const bool wasFull = page->emptyCount == 1;
    if (!wasFull) ++bin.spareChunks;

    if (page->emptyCount == page->chunkCount) {
        bool release = page->binNo == LARGE_BIN;
        if (!release) {
            // Keep about half a page of spare chunks per bin: count those of
            // the other available pages.
            const size_t spare = bin.spareChunks - (wasFull ? 0 : page->emptyCount);
            release = spare >= static_cast<size_t>(page->chunkCount / 2);
        }
        if (release) {
            if (wasFull) {
                unlink(&bin.fullPages, page);
            } else {
                unlink(&bin.availablePages, page);
                bin.spareChunks -= page->emptyCount;
            }
            deletePage(page);
            return;
        }
    }

    if (wasFull) {
        unlink(&bin.fullPages, page);
        pushFront(&bin.availablePages, page);
        bin.spareChunks += page->emptyCount;
    }
}

void MemoryHolderTmp::clear()
{
    for (int i = 0; i < BIN_COUNT; ++i) {
        MHPageHeaderTmp* lists[2] = {bins[i].fullPages, bins[i].availablePages};
        for (MHPageHeaderTmp* page : lists) {
            while (page) {
                MHPageHeaderTmp* next = page->nextPage;
                deletePage(page);
                page = next;
            }
        }
        bins[i].fullPages = nullptr;
        bins[i].availablePages = nullptr;
        bins[i].spareChunks = 0;
    }
}

static void dumpPageEntry(MHPageHeaderTmp* page, bool largeBin)
{
    int used = page->chunkCount - page->emptyCount;
    if (largeBin) {
        UtDebug::print("[%2d/%2d %8d] ", used, page->chunkCount, (int)page->chunkSize);
    } else if (page->flags[1] != 0) {
        UtDebug::print("[%2d/%2d %08X %08X] ", used, page->chunkCount, page->flags[0], page->flags[1]);
    } else {
        UtDebug::print("[%2d/%2d %08X] ", used, page->chunkCount, page->flags[0]);
    }
}

void MemoryHolderTmp::dumpPages()
{
    UtDebug::print("----- pages -----\n");
    for (int i = 0; i < BIN_COUNT; ++i) {
        UtDebug::print("bin[%3d] : ", (int)bins[i].chunkSize);
        for (MHPageHeaderTmp* p = bins[i].availablePages; p; p = p->nextPage) dumpPageEntry(p, i == LARGE_BIN);
        if (bins[i].fullPages) {
            UtDebug::print(" << FULL >> ");
            for (MHPageHeaderTmp* p = bins[i].fullPages; p; p = p->nextPage) dumpPageEntry(p, i == LARGE_BIN);
        }
        UtDebug::print("\n");
    }
    UtDebug::print("\n----------------\n");
}

} // namespace tavrix
