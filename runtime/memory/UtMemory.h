#pragma once

#include <cstddef>

#include "memory/LDAllocator.h"

namespace tavrix {

class MemoryParam;
class MemoryHolderTmp;
class MemoryHolderSocket;
class MemoryHolderFixed;

// Process-wide memory entry points of the runtime.
class UtMemory {
public:
    static void staticInit_notForClientCall(LDAllocator* allocator);
    static void staticRelease_notForClientCall();

    // Page-level calls: the host allocator when one was given, else malloc/free.
    static void* allocator_malloc(size_t size, LDAllocator::Type type);
    static void allocator_free(void* ptr, LDAllocator::Type type);

    // A null MemoryParam means the global temporary memory. Returns null when
    // the runtime is not started or no page can be obtained.
    static void* malloc_exe(MemoryParam* memParam, size_t size);
    static void* malloc_debug(MemoryParam* memParam, size_t size, const char* file, int line);
    static void free_exe(void* ptr);
    static void free_debug(void* ptr, const char* file, int line);

    // Smallest q >= ptr with (q + offset) a multiple of align.
    static void* alignPtr(void* ptr, int align, int offset);

    static MemoryParam* getTmpMemoryParam() { return tmpMemoryParam; }
    static MemoryParam* getStaticMemoryParam() { return staticMemoryParam; }
    static MemoryHolderTmp* getTmpMemoryHolderImpl() { return tmpMemoryHolderImpl; }
    static void* placementNew_debug(void* ptr, const char* file, int line);

private:
    static LDAllocator* allocator;
    static MemoryHolderTmp* tmpMemoryHolderImpl;
    static MemoryHolderSocket* tmpMemoryHolder;
    static MemoryParam* tmpMemoryParam;
    static MemoryHolderFixed* staticMemoryHolder;
    static MemoryParam* staticMemoryParam;
};

} // namespace tavrix
