#pragma once

#include "memory/AMemoryHolder.h"

namespace tavrix {

class MemoryHolderTmp;

// Lets the pooled holder, which is not an AMemoryHolder, serve a MemoryParam.
class MemoryHolderSocket : public AMemoryHolder {
public:
    explicit MemoryHolderSocket(MemoryHolderTmp* impl) : impl(impl) {}
    virtual ~MemoryHolderSocket() {}
    virtual void* malloc_exe(size_t size, int align);
    virtual void free_exe(APageHeader* header, void* ptr);
    virtual void clear();

private:
    MemoryHolderTmp* impl;
};

} // namespace tavrix
