#pragma once

#include <cstddef>

namespace tavrix {

class MemoryParam;

// Base of nearly every runtime class. Objects live in the global temporary
// memory; the allocation operators are noexcept so that a failed allocation
// yields a null pointer instead of constructing at address zero.
class LDObject {
public:
    LDObject() {}
    virtual ~LDObject() {}

    static void* operator new(size_t size) noexcept;
    static void* operator new(size_t size, MemoryParam* memParam) noexcept;
    static void* operator new(size_t size, MemoryParam* memParam, const char* file, int line) noexcept;
    static void* operator new(size_t size, void* placement) noexcept { (void)size; return placement; }
    static void* operator new[](size_t size) noexcept;
    static void* operator new[](size_t size, MemoryParam* memParam) noexcept;
    static void* operator new[](size_t size, MemoryParam* memParam, const char* file, int line) noexcept;
    static void* operator new[](size_t size, void* placement) noexcept { (void)size; return placement; }

    static void operator delete(void* ptr) noexcept;
    static void operator delete(void* ptr, MemoryParam* memParam) noexcept;
    static void operator delete(void* ptr, MemoryParam* memParam, const char* file, int line) noexcept;
    static void operator delete(void* ptr, void* placement) noexcept { (void)ptr; (void)placement; }
    static void operator delete[](void* ptr) noexcept;
    static void operator delete[](void* ptr, MemoryParam* memParam) noexcept;
    static void operator delete[](void* ptr, MemoryParam* memParam, const char* file, int line) noexcept;
    static void operator delete[](void* ptr, void* placement) noexcept { (void)ptr; (void)placement; }
};

} // namespace tavrix
