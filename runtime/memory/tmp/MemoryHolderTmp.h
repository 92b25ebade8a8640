#pragma once

#include <cstddef>

#include "memory/LDAllocator.h"
#include "memory/LDUnmanagedObject.h"
#include "memory/tmp/MHBin.h"

namespace tavrix {

class APageHeader;
class MHPageHeaderTmp;

// Pooled holder: fixed-size chunks in five bins plus one bin for large blocks.
class MemoryHolderTmp : public LDUnmanagedObject {
public:
    static const int BIN_COUNT = 6;
    static const int LARGE_BIN = 5;

    MemoryHolderTmp(LDAllocator::Type allocType, const char* name);
    virtual ~MemoryHolderTmp();
    virtual void* malloc_exe(size_t size, int align);
    virtual void free_exe(APageHeader* header, void* ptr);
    virtual void clear();

    void dumpPages();
    const MHBin& getBin(int binNo) const { return bins[binNo]; }
    const char* getName() const { return name; }
    int getHolderNo() const { return holderNo; }

private:
    static int binFor(size_t size);
    static void pushFront(MHPageHeaderTmp** list, MHPageHeaderTmp* page);
    static void unlink(MHPageHeaderTmp** list, MHPageHeaderTmp* page);
    MHPageHeaderTmp* createPage(MHBin& bin, size_t chunkSize);
    void deletePage(MHPageHeaderTmp* page);

    LDAllocator::Type allocType;
    const char* name;
    int holderNo;
    MHBin bins[BIN_COUNT];

    static int holderCount;
};

} // namespace tavrix
