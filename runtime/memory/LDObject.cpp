#include "memory/LDObject.h"

#include "memory/UtMemory.h"

namespace tavrix {

// Object storage always comes from the global temporary memory; the
// MemoryParam argument of the two-argument form does not steer it.
void* LDObject::operator new(size_t size) noexcept
{
    return UtMemory::malloc_debug(nullptr, size, __FILE__, __LINE__);
}

void* LDObject::operator new(size_t size, MemoryParam*) noexcept
{
    return UtMemory::malloc_debug(nullptr, size, __FILE__, __LINE__);
}

void* LDObject::operator new(size_t size, MemoryParam* memParam, const char* file, int line) noexcept
{
    return UtMemory::malloc_debug(memParam, size, file, line);
}

void* LDObject::operator new[](size_t size) noexcept { return operator new(size); }
void* LDObject::operator new[](size_t size, MemoryParam* memParam) noexcept { return operator new(size, memParam); }
void* LDObject::operator new[](size_t size, MemoryParam* memParam, const char* file, int line) noexcept
{
    return operator new(size, memParam, file, line);
}

void LDObject::operator delete(void* ptr) noexcept { UtMemory::free_exe(ptr); }
void LDObject::operator delete(void* ptr, MemoryParam*) noexcept { UtMemory::free_exe(ptr); }
void LDObject::operator delete(void* ptr, MemoryParam*, const char*, int) noexcept { UtMemory::free_exe(ptr); }
void LDObject::operator delete[](void* ptr) noexcept { UtMemory::free_exe(ptr); }
void LDObject::operator delete[](void* ptr, MemoryParam*) noexcept { UtMemory::free_exe(ptr); }
void LDObject::operator delete[](void* ptr, MemoryParam*, const char*, int) noexcept { UtMemory::free_exe(ptr); }

} // namespace tavrix
