#include "memory/tmp/MemoryHolderSocket.h"

#include "memory/tmp/MemoryHolderTmp.h"

namespace tavrix {

void* MemoryHolderSocket::malloc_exe(size_t size, int align) { return impl->malloc_exe(size, align); }
void MemoryHolderSocket::free_exe(APageHeader* header, void* ptr) { impl->free_exe(header, ptr); }
void MemoryHolderSocket::clear() { impl->clear(); }

} // namespace tavrix
