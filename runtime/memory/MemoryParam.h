#pragma once

#include <cstddef>

#include "memory/LDAllocator.h"
#include "memory/LDObject.h"

namespace tavrix {

class AMemoryHolder;
class MemoryHolderFixed;

// Names the holder (and allocation type) an allocation comes from. It does
// not own its holders.
class MemoryParam : public LDObject {
public:
    MemoryParam(AMemoryHolder* main, AMemoryHolder* gpu);
    virtual ~MemoryParam() {}

    // A new arena holder (allocation type MAIN) and a parameter naming it,
    // both in the temporary memory: what an owner that releases its
    // allocations as a whole keeps and deletes. Null, with holder null too,
    // when either cannot be made.
    static MemoryParam* newWithFixedHolder(const char* holderName, size_t pageSize, MemoryHolderFixed*& holder);

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
