#pragma once

#include <cstddef>

#include "memory/LDObject.h"

namespace tavrix {

class APageHeader;

class AMemoryHolder : public LDObject {
public:
    virtual ~AMemoryHolder() {}
    virtual void* malloc_exe(size_t size, int align) = 0;
    virtual void free_exe(APageHeader* header, void* ptr) = 0;
    virtual void clear() = 0;
    virtual void healthCheck() {}
};

} // namespace tavrix
