#include "HandleTable.h"

#include "HostLog.h"

namespace tavrix_host {

namespace {

// Ids are spaced and start high, so they never look like small integers or
// like one another off by one.
const uintptr_t FIRST_ID = 0x10000;
const uintptr_t ID_STEP = 0x10;

} // namespace

HandleTable::HandleTable(HostLog& log, const char* kind, bool disposeWhileLockedAllowed)
    : log(log), kind(kind), disposeWhileLockedAllowed(disposeWhileLockedAllowed), nextId(FIRST_ID)
{
}

uintptr_t HandleTable::create(uint64_t size)
{
    if (size > MAX_BLOCK_SIZE) return 0;
    uintptr_t id = nextId;
    nextId += ID_STEP;
    blocks[id].bytes.assign(static_cast<size_t>(size), 0);
    return id;
}

uintptr_t HandleTable::adopt(const std::vector<uint8_t>& bytes)
{
    uintptr_t id = create(bytes.size());
    if (id) blocks[id].bytes = bytes;
    return id;
}

HandleTable::Block* HandleTable::find(uintptr_t id, const char* operation)
{
    auto it = blocks.find(id);
    if (it != blocks.end()) return &it->second;
    if (id == 0) {
        log.misuse(std::string(operation) + " of a null " + kind);
    } else if (id >= FIRST_ID && id < nextId && (id - FIRST_ID) % ID_STEP == 0) {
        log.misuse(std::string(operation) + " of a disposed " + kind);
    } else {
        log.misuse(std::string(operation) + " of an unknown " + kind);
    }
    return nullptr;
}

void* HandleTable::lock(uintptr_t id)
{
    Block* block = find(id, "lock");
    if (!block) return nullptr;
    if (block->locks == 0 && block->lockedBefore) {
        std::vector<uint8_t> moved(block->bytes);
        block->bytes.swap(moved);
    }
    ++block->locks;
    block->lockedBefore = true;
    // A zero-size block still gets a distinct, non-null address.
    if (block->bytes.empty()) block->bytes.reserve(1);
    return block->bytes.data();
}

void HandleTable::unlock(uintptr_t id)
{
    Block* block = find(id, "unlock");
    if (!block) return;
    if (block->locks == 0) {
        log.misuse("unlock of a " + kind + " that is not locked");
        return;
    }
    --block->locks;
}

void HandleTable::dispose(uintptr_t id)
{
    Block* block = find(id, "dispose");
    if (!block) return;
    if (block->locks > 0 && !disposeWhileLockedAllowed) log.misuse("dispose of a locked " + kind);
    blocks.erase(id);
}

uint64_t HandleTable::size(uintptr_t id) const
{
    auto it = blocks.find(id);
    return it == blocks.end() ? 0 : it->second.bytes.size();
}

const std::vector<uint8_t>* HandleTable::bytes(uintptr_t id) const
{
    auto it = blocks.find(id);
    return it == blocks.end() ? nullptr : &it->second.bytes;
}

int HandleTable::lockCount(uintptr_t id) const
{
    auto it = blocks.find(id);
    return it == blocks.end() ? 0 : it->second.locks;
}

} // namespace tavrix_host
