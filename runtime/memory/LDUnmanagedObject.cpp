#include "memory/LDUnmanagedObject.h"

#include "memory/UtMemory.h"

namespace tavrix {

void* LDUnmanagedObject::operator new(size_t size) noexcept
{
    return UtMemory::allocator_malloc(size, LDAllocator::MAIN);
}

void LDUnmanagedObject::operator delete(void* ptr) noexcept
{
    if (ptr) UtMemory::allocator_free(ptr, LDAllocator::MAIN);
}

} // namespace tavrix
