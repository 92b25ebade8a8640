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
        // Walk down while the next page still fits: the last one has the least
        // room. Pages with room enough for any alignment padding all fit, so
        // the walk starts at the last of them.
        const uint64_t surelyFits = static_cast<uint64_t>(size) + sizeof(AllocHeader) + static_cast<uint64_t>(align) - 1;
        if (surelyFits <= UINT32_MAX) {
            if (MHRoomIndex::Group* group = roomIndex.leastAtLeast(static_cast<uint32_t>(surelyFits))) page = group->last;
        }
        while (page->nextPage && fits(page->nextPage, size, align)) page = page->nextPage;
        return allocateFrom(page, true, size, align);
    }
    page = createPage(size, align);
    if (!page) return nullptr;
    return allocateFrom(page, false, size, align);
}

MHPageHeaderFixed* MemoryHolderFixed::createPage(size_t size, int align)
{
    size_t size32 = pageSize;
    size_t needed = static_cast<size_t>(align) + 64 + sizeof(AllocHeader) + size;
    if (size32 < needed) size32 = needed;
    void* raw = UtMemory::allocator_malloc(size32, allocType);
    if (!raw) return nullptr;
    return new (raw) MHPageHeaderFixed(static_cast<uint32_t>(size32), align);
}

void* MemoryHolderFixed::allocateFrom(MHPageHeaderFixed* page, bool hasRoom, size_t size, int align)
{
    // The page leaves its place among the pages with room under its old rest.
    if (hasRoom) removeWithRoom(page);
    char* q = static_cast<char*>(UtMemory::alignPtr(page->usedEnd, align, sizeof(AllocHeader)));
    char* block = q + sizeof(AllocHeader);
    AllocHeader::store(block, page);
    page->usedEnd = block + size;
    page->rest = static_cast<uint32_t>(page->endPtr - page->usedEnd);
    if (page->rest < MIN_REST) {
        page->nextPage = filledPages;
        filledPages = page;
    } else {
        insertWithRoom(page);
    }
    return block;
}

void MemoryHolderFixed::insertWithRoom(MHPageHeaderFixed* page)
{
    // The list stays in descending order of rest; a page goes before the
    // pages with as much room as it has.
    MHRoomIndex::Group* group = roomIndex.find(page->rest);
    MHPageHeaderFixed* prev;
    if (group) {
        prev = group->first->prevPage;
        group->first = page;
    } else {
        MHRoomIndex::Group* larger = page->rest < UINT32_MAX ? roomIndex.leastAtLeast(page->rest + 1) : nullptr;
        prev = larger ? larger->last : nullptr;
        group = roomIndex.add(page->rest);
        if (!group) {
            // Out of memory for the index: the page is not searched again.
            page->nextPage = filledPages;
            filledPages = page;
            return;
        }
        group->first = page;
        group->last = page;
    }
    MHPageHeaderFixed*& link = prev ? prev->nextPage : pagesWithRoom;
    page->nextPage = link;
    page->prevPage = prev;
    if (link) link->prevPage = page;
    link = page;
}

void MemoryHolderFixed::removeWithRoom(MHPageHeaderFixed* page)
{
    MHRoomIndex::Group* group = roomIndex.find(page->rest);
    if (group) {
        if (group->first == page && group->last == page) roomIndex.remove(page->rest);
        else if (group->first == page) group->first = page->nextPage;
        else if (group->last == page) group->last = page->prevPage;
    }
    MHPageHeaderFixed* prev = page->prevPage;
    MHPageHeaderFixed* next = page->nextPage;
    if (prev) prev->nextPage = next;
    else pagesWithRoom = next;
    if (next) next->prevPage = prev;
    page->nextPage = nullptr;
    page->prevPage = nullptr;
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
    roomIndex.clear();
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
