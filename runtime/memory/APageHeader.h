#pragma once

namespace tavrix {

// Header at the start of every memory page; each block's AllocHeader word
// points here so that a block can be freed without knowing its holder.
class APageHeader {
public:
    virtual void free_exe(void* ptr) = 0;

protected:
    ~APageHeader() {}
};

// The pointer-sized word in front of every block a holder hands out.
struct AllocHeader {
    APageHeader* pageHeader;
};

} // namespace tavrix
