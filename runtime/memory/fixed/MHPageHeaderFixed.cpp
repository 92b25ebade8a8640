#include "memory/fixed/MHPageHeaderFixed.h"

#include "memory/UtMemory.h"

namespace tavrix {

static_assert(sizeof(MHPageHeaderFixed) <= MHPageHeaderFixed::DATA_OFFSET,
              "the arena page header must end before the page's data");

uint32_t MHPageHeaderFixed::pageAmount = 0;

MHPageHeaderFixed::MHPageHeaderFixed(uint32_t size, int align)
    : nextPage(nullptr), endPtr(getStartAddress() + size), pageSize(size), pageNo(pageAmount++), prevPage(nullptr)
{
    usedEnd = static_cast<char*>(UtMemory::alignPtr(getStartAddress() + DATA_OFFSET, align, sizeof(AllocHeader)));
    rest = static_cast<uint32_t>(endPtr - usedEnd);
}

} // namespace tavrix
