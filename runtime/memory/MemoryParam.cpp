#include "memory/MemoryParam.h"

#include "memory/AMemoryHolder.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "util/UtDebug.h"

namespace tavrix {

MemoryParam::MemoryParam(AMemoryHolder* main, AMemoryHolder* gpu)
    : curMemoryHolder(main), allocType(LDAllocator::MAIN), allocAlign(4),
      memoryHolderMain(main), memoryHolderGPU(gpu)
{
}

MemoryParam* MemoryParam::newWithFixedHolder(const char* holderName, size_t pageSize, MemoryHolderFixed*& holder)
{
    MemoryParam* tmp = UtMemory::getTmpMemoryParam();
    holder = new (tmp) MemoryHolderFixed(LDAllocator::MAIN, holderName, pageSize);
    MemoryParam* memParam = holder ? new (tmp) MemoryParam(holder, holder) : nullptr;
    if (!memParam) {
        delete holder;
        holder = nullptr;
    }
    return memParam;
}

LDAllocator::Type MemoryParam::setAllocType(LDAllocator::Type type)
{
    LDAllocator::Type previous = allocType;
    allocType = type;
    curMemoryHolder = getMemoryHolder(type);
    return previous;
}

int MemoryParam::setAllocAlign(int align)
{
    int previous = allocAlign;
    allocAlign = align;
    return previous;
}

AMemoryHolder* MemoryParam::getMemoryHolder(LDAllocator::Type type)
{
    if (type == LDAllocator::MAIN) return memoryHolderMain;
    if (type == LDAllocator::GPU) {
        if (memoryHolderGPU) return memoryHolderGPU;
        UtDebug::error("memoryHolderGPU is NULL , but selected :: %d @MemoryParam#getMemoryHolder()", (int)type);
        return memoryHolderMain;
    }
    UtDebug::error("alloc type not implmented :: %d @MemoryParam#getMemoryHolder()", (int)type);
    return memoryHolderMain;
}

void* MemoryParam::malloc_exe(size_t size)
{
    return curMemoryHolder ? curMemoryHolder->malloc_exe(size, allocAlign) : nullptr;
}

} // namespace tavrix
