#include "id/ID.h"

#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "memory/MemoryParam.h"
#include "memory/fixed/MemoryHolderFixed.h"

namespace tavrix {

MemoryHolderFixed* ID::memoryHolderFixedMain = nullptr;
MemoryParam* ID::memParam = nullptr;

void ID::staticInit_notForClientCall()
{
    memoryHolderFixedMain = new MemoryHolderFixed(LDAllocator::MAIN, "ID", 2048);
    if (memoryHolderFixedMain) memParam = new MemoryParam(memoryHolderFixedMain, nullptr);
}

void ID::staticRelease_notForClientCall()
{
    ParamID::releaseStored_notForClientCall();
    BaseDataID::releaseStored_notForClientCall();
    DrawDataID::releaseStored_notForClientCall();
    PartsDataID::releaseStored_notForClientCall();
    delete memParam;
    memParam = nullptr;
    delete memoryHolderFixedMain;
    memoryHolderFixedMain = nullptr;
}

} // namespace tavrix
