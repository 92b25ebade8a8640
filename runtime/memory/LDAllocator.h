#pragma once

#include <cstddef>

namespace tavrix {

// Page allocator a host may hand to Tavrix::init. When none is given, pages
// come from malloc/free.
class LDAllocator {
public:
    enum Type {
        MAIN = 0, // ordinary memory
        GPU = 1   // memory for data handed to the graphics back-end
    };

    virtual ~LDAllocator() {}
    virtual void* pageAlloc(size_t size, Type type) = 0;
    virtual void pageFree(void* ptr, Type type) = 0;
    virtual void init() {}
    virtual void dispose() {}
};

} // namespace tavrix
