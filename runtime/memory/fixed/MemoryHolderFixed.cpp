#include "memory/fixed/MemoryHolderFixed.h"

#include <cstdint>
#include <new>

#include "memory/UtMemory.h"
#include "memory/fixed/MHPageHeaderFixed.h"
#include "util/UtDebug.h"

namespace tavrix {

size_t MemoryHolderFixed::defaultPageSize = 8192;
int MemoryHolderFixed::holderCount = 0;

MemoryHolderFixed::MemoryHolderFixed(LDAllocator::Type type, const char* holderName, size_t size)
    : pagesWithRoom(nullptr), filledPages(nullptr), allocType(type), name(holderName),
      holderNo(holderCount++), pageSize(size)
{
}

MemoryHolderFixed::~MemoryHolderFixed()
{
    clear();
}

bool MemoryHolderFixed::fits(MHPageHeaderFixed* page, size_t size, int align)
{
    char* q = static_cast<char*>(UtMemory::alignPtr(page->usedEnd, align, sizeof(AllocHeader)));
    if (q >= page->endPtr) return false;
    size_t room = static_cast<size_t>(page->endPtr - q);
    return room >= sizeof(AllocHeader) && room - sizeof(AllocHeader) >= size;
}

void* MemoryHolderFixed::malloc_exe(size_t size, int align)
{
    // Blocks hold pointers and doubles, so they are at least pointer-aligned
    // (4 bytes on 32-bit hosts).
    if (align < MIN_ALIGN) align = MIN_ALIGN;
    // Pages carry 32-bit sizes.
    if (size > UINT32_MAX - static_cast<size_t>(align) - 64 - sizeof(AllocHeader)) return nullptr;

    MHPageHeaderFixed* page = pagesWithRoom;
    if (page && fits(page, size, align)) {
        // Walk down while the next page still fits: the last one has the least room.
        while (page->nextPage && fits(page->nextPage, size, align)) page = page->nextPage;
    } else {
        page = createPage(size, align);
        if (!page) return nullptr;
    }
    return allocateFrom(page, size, align);
}

MHPageHeaderFixed* MemoryHolderFixed::createPage(size_t size, int align)
{
    size_t size32 = pageSize;
    size_t needed = static_cast<size_t>(align) + 64 + sizeof(AllocHeader) + size;
    if (size32 < needed) size32 = needed;
    void* raw = UtMemory::allocator_malloc(size32, allocType);
    if (!raw) return nullptr;
    MHPageHeaderFixed* page = new (raw) MHPageHeaderFixed(static_cast<uint32_t>(size32), align);
    page->nextPage = pagesWithRoom;
    pagesWithRoom = page;
    return page;
}

void* MemoryHolderFixed::allocateFrom(MHPageHeaderFixed* page, size_t size, int align)
{
    char* q = static_cast<char*>(UtMemory::alignPtr(page->usedEnd, align, sizeof(AllocHeader)));
    char* block = q + sizeof(AllocHeader);
    AllocHeader::store(block, page);
    page->usedEnd = block + size;
    page->rest = static_cast<uint32_t>(page->endPtr - page->usedEnd);
    resortPage(page);
    return block;
}

void MemoryHolderFixed::resortPage(MHPageHeaderFixed* page)
{
    MHPageHeaderFixed** link = &pagesWithRoom;
    while (*link != page) link = &(*link)->nextPage;
    *link = page->nextPage;

    if (page->rest < MIN_REST) {
        page->nextPage = filledPages;
        filledPages = page;
        return;
    }
    // Keep the list in descending order of rest: step past every larger page.
    while (*link && (*link)->rest > page->rest) link = &(*link)->nextPage;
    page->nextPage = *link;
    *link = page;
}

void MemoryHolderFixed::free_exe(APageHeader*, void*)
{
}

void MemoryHolderFixed::clear()
{
    MHPageHeaderFixed* lists[2] = {pagesWithRoom, filledPages};
    for (MHPageHeaderFixed* page : lists) {
        while (page) {
            MHPageHeaderFixed* next = page->nextPage;
            UtMemory::allocator_free(page, allocType);
            page = next;
        }
    }
    pagesWithRoom = nullptr;
    filledPages = nullptr;
}

void MemoryHolderFixed::healthCheck()
{
    MHPageHeaderFixed* lists[2] = {pagesWithRoom, filledPages};
    for (MHPageHeaderFixed* page : lists) {
        for (; page; page = page->nextPage) {
            if (page->endPtr - page->getStartAddress() != static_cast<ptrdiff_t>(page->pageSize)) {
                UtDebug::println("PageHeader is corrupted!");
                UtDebug::debugBreak();
            }
        }
    }
}

void MemoryHolderFixed::dumpPages(MHPageHeaderFixed* page)
{
    for (; page; page = page->nextPage) {
        UtDebug::println("\t\tpage[%02d] 0x%08X (size %6d ,rest %6d)", (int)page->pageNo,
                         (unsigned)reinterpret_cast<uintptr_t>(page->getStartAddress()), (int)page->pageSize,
                         (int)page->rest);
    }
}

} // namespace tavrix
