#pragma once

#include <cstddef>

#include "memory/LDAllocator.h"
#include "memory/LDObject.h"

namespace tavrix {

class AMemoryHolder;

// Names the holder (and allocation type) an allocation comes from. It does
// not own its holders.
class MemoryParam : public LDObject {
public:
    MemoryParam(AMemoryHolder* main, AMemoryHolder* gpu);
    virtual ~MemoryParam() {}

    LDAllocator::Type setAllocType(LDAllocator::Type allocType);
    int setAllocAlign(int align);
    AMemoryHolder* getMemoryHolder(LDAllocator::Type allocType);
    LDAllocator::Type getAllocType() const { return allocType; }
    int getAllocAlign() const { return allocAlign; }
    AMemoryHolder* getCurMemoryHolder() const { return curMemoryHolder; }
    void* malloc_exe(size_t size);

private:
    AMemoryHolder* curMemoryHolder;
    LDAllocator::Type allocType;
    int allocAlign;
    AMemoryHolder* memoryHolderMain;
    AMemoryHolder* memoryHolderGPU;
};

} // namespace tavrix
