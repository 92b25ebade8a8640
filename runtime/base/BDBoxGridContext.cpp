#include "base/BDBoxGridContext.h"

#include "memory/UtMemory.h"

namespace tavrix {

BDBoxGridContext::BDBoxGridContext(IBaseData* src)
    : IBaseContext(src), tmpBaseDataIndex(BASE_INDEX_NOT_INIT), interpolatedPoints(nullptr), transformedPoints(nullptr)
{
}

BDBoxGridContext::~BDBoxGridContext()
{
    UtMemory::free_exe(interpolatedPoints);
    UtMemory::free_exe(transformedPoints);
}

} // namespace tavrix
