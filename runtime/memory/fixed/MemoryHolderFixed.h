#pragma once

#include <cstddef>
#include <cstdint>

#include "memory/AMemoryHolder.h"
#include "memory/LDAllocator.h"
#include "memory/fixed/MHRoomIndex.h"

namespace tavrix {

class MHPageHeaderFixed;

// Arena holder: pointer-bump allocation with a best fit among pages kept in
// descending order of remaining room; released only as a whole.
class MemoryHolderFixed : public AMemoryHolder {
public:
    static size_t defaultPageSize;
    // A page with less room than this moves to the filled list for good.
    static const uint32_t MIN_REST = 32;
    static const int MIN_ALIGN = sizeof(void*) > 4 ? static_cast<int>(sizeof(void*)) : 4;

    MemoryHolderFixed(LDAllocator::Type allocType, const char* name, size_t pageSize = defaultPageSize);
    virtual ~MemoryHolderFixed();
    virtual void* malloc_exe(size_t size, int align);
    virtual void free_exe(APageHeader* header, void* ptr);
    virtual void clear();
    virtual void healthCheck();

    void dumpPages(MHPageHeaderFixed* page);
    MHPageHeaderFixed* getPagesWithRoom() const { return pagesWithRoom; }
    MHPageHeaderFixed* getFilledPages() const { return filledPages; }
    const char* getName() const { return name; }
    int getHolderNo() const { return holderNo; }

private:
    static bool fits(MHPageHeaderFixed* page, size_t size, int align);
    MHPageHeaderFixed* createPage(size_t size, int align);
    void* allocateFrom(MHPageHeaderFixed* page, bool hasRoom, size_t size, int align);
    // Puts a page into the pages with room, before every page with as little
    // room or less; a page that cannot be indexed goes to the filled pages.
    void insertWithRoom(MHPageHeaderFixed* page);
    void removeWithRoom(MHPageHeaderFixed* page);

    MHPageHeaderFixed* pagesWithRoom;
    MHPageHeaderFixed* filledPages;
    LDAllocator::Type allocType;
    const char* name;
    int holderNo;
    size_t pageSize;
    MHRoomIndex roomIndex; // the pages with room by rest

    static int holderCount;
};

} // namespace tavrix
