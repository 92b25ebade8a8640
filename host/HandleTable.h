#pragma once

#include <stdint.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace tavrix_host {

class HostLog;

// Movable memory blocks handed out under opaque ids, with lock counts:
// locks nest, and the block's address holds only while it is locked. A block
// locked again after being unlocked moves, so an address kept past its
// unlock shows up as a use after free under the address sanitizer. Use of an
// unknown or disposed id is reported, never dereferenced.
class HandleTable {
public:
    // kind names the handles in reports ("handle", "memory handle").
    HandleTable(HostLog& log, const char* kind, bool disposeWhileLockedAllowed);

    // 0 when the size is refused (larger than the table's limit).
    uintptr_t create(uint64_t size);
    // A block holding a copy of bytes.
    uintptr_t adopt(const std::vector<uint8_t>& bytes);
    // Null for an unknown id.
    void* lock(uintptr_t id);
    void unlock(uintptr_t id);
    void dispose(uintptr_t id);
    // 0 for an unknown id.
    uint64_t size(uintptr_t id) const;
    // The block's bytes (for the host's own reading); null for an unknown id.
    const std::vector<uint8_t>* bytes(uintptr_t id) const;
    bool alive(uintptr_t id) const { return blocks.count(id) != 0; }
    int lockCount(uintptr_t id) const;
    size_t liveCount() const { return blocks.size(); }

    // Blocks above this size are refused, as a real host runs out of memory.
    static constexpr uint64_t MAX_BLOCK_SIZE = uint64_t(1) << 31;

private:
    struct Block {
        std::vector<uint8_t> bytes;
        int locks = 0;
        bool lockedBefore = false;
    };
    Block* find(uintptr_t id, const char* operation);

    HostLog& log;
    std::string kind;
    bool disposeWhileLockedAllowed;
    std::unordered_map<uintptr_t, Block> blocks;
    uintptr_t nextId;
};

} // namespace tavrix_host
