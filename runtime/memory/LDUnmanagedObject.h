#pragma once

#include <cstddef>

namespace tavrix {

// Base of the few objects that exist before any memory holder does; their
// storage comes straight from the page allocator.
class LDUnmanagedObject {
public:
    LDUnmanagedObject() {}
    virtual ~LDUnmanagedObject() {}

    static void* operator new(size_t size) noexcept;
    static void operator delete(void* ptr) noexcept;
};

} // namespace tavrix
