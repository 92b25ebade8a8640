#include "memory/UtMemory.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#include "memory/APageHeader.h"
#include "memory/MemoryParam.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "memory/tmp/MemoryHolderSocket.h"
#include "memory/tmp/MemoryHolderTmp.h"

namespace tavrix {

LDAllocator* UtMemory::allocator = nullptr;
MemoryHolderTmp* UtMemory::tmpMemoryHolderImpl = nullptr;
MemoryHolderSocket* UtMemory::tmpMemoryHolder = nullptr;
MemoryParam* UtMemory::tmpMemoryParam = nullptr;
MemoryHolderFixed* UtMemory::staticMemoryHolder = nullptr;
MemoryParam* UtMemory::staticMemoryParam = nullptr;

void UtMemory::staticInit_notForClientCall(LDAllocator* pageAllocator)
{
    if (pageAllocator) pageAllocator->init();
    allocator = pageAllocator;

    tmpMemoryHolderImpl = new MemoryHolderTmp(LDAllocator::MAIN, "global-tmp");
    if (!tmpMemoryHolderImpl) return;

    // The socket and the temporary MemoryParam live in the pooled holder itself.
    void* socketBlock = tmpMemoryHolderImpl->malloc_exe(sizeof(MemoryHolderSocket), 4);
    if (!socketBlock) return;
    tmpMemoryHolder = new (socketBlock) MemoryHolderSocket(tmpMemoryHolderImpl);

    void* paramBlock = tmpMemoryHolderImpl->malloc_exe(sizeof(MemoryParam), 4);
    if (!paramBlock) return;
    tmpMemoryParam = new (paramBlock) MemoryParam(tmpMemoryHolder, nullptr);

    staticMemoryHolder = new MemoryHolderFixed(LDAllocator::MAIN, "global-static", 4096);
    if (staticMemoryHolder) staticMemoryParam = new MemoryParam(staticMemoryHolder, nullptr);
}

void UtMemory::staticRelease_notForClientCall()
{
    delete staticMemoryParam;
    staticMemoryParam = nullptr;

    if (tmpMemoryParam) {
        tmpMemoryParam->~MemoryParam();
        free_exe(tmpMemoryParam);
        tmpMemoryParam = nullptr;
    }

    delete staticMemoryHolder;
    staticMemoryHolder = nullptr;

    if (tmpMemoryHolder) {
        tmpMemoryHolder->~MemoryHolderSocket();
        free_exe(tmpMemoryHolder);
        tmpMemoryHolder = nullptr;
    }

    delete tmpMemoryHolderImpl;
    tmpMemoryHolderImpl = nullptr;

    if (allocator) allocator->dispose();
    allocator = nullptr;
}

void* UtMemory::allocator_malloc(size_t size, LDAllocator::Type type)
{
    if (allocator) return allocator->pageAlloc(size, type);
    return std::malloc(size);
}

void UtMemory::allocator_free(void* ptr, LDAllocator::Type type)
{
    if (allocator) {
        allocator->pageFree(ptr, type);
        return;
    }
    std::free(ptr);
}

void* UtMemory::malloc_exe(MemoryParam* memParam, size_t size)
{
    MemoryParam* param = memParam ? memParam : tmpMemoryParam;
    if (!param) return nullptr;
    return param->malloc_exe(size);
}

void* UtMemory::malloc_debug(MemoryParam* memParam, size_t size, const char*, int)
{
    return malloc_exe(memParam, size);
}

void UtMemory::free_exe(void* ptr)
{
    if (!ptr) return;
    AllocHeader::load(ptr)->free_exe(ptr);
}

void UtMemory::free_debug(void* ptr, const char*, int)
{
    free_exe(ptr);
}

void* UtMemory::alignPtr(void* ptr, int align, int offset)
{
    uintptr_t p = reinterpret_cast<uintptr_t>(ptr);
    uintptr_t a = static_cast<uintptr_t>(align);
    uintptr_t rounded = (p + offset + a - 1) / a * a;
    return reinterpret_cast<void*>(rounded - offset);
}

void* UtMemory::placementNew_debug(void* ptr, const char*, int)
{
    return ptr;
}

} // namespace tavrix
