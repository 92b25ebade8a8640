#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include "memory/LDObject.h"
#include "memory/UtMemory.h"

namespace tavrix {

// Hash index over a list its owner keeps: it maps a key's hash code to the
// key's position in that list, and asks the owner (a match function taking a
// position) whether the entry at a position holds the key. Open addressing
// with linear probing, at most half full, storage from one MemoryParam (null:
// the global temporary memory). Entries are never removed one by one; reset
// empties the index for a rebuild.
class LDHashIndex : public LDObject {
public:
    explicit LDHashIndex(MemoryParam* memParam)
        : slots(nullptr), capacity(0), count(0), memory(memParam ? memParam : UtMemory::getTmpMemoryParam())
    {
    }
    virtual ~LDHashIndex() { UtMemory::free_exe(slots); }

    LDHashIndex(const LDHashIndex&) = delete;
    LDHashIndex& operator=(const LDHashIndex&) = delete;

    // The position stored for the key, or -1.
    template <class Matches>
    int find(uint64_t hash, Matches matches) const
    {
        if (count == 0) return -1;
        const uint32_t code = static_cast<uint32_t>(hash);
        for (unsigned int i = firstSlot(code);; i = (i + 1) & (capacity - 1)) {
            const Slot& slot = slots[i];
            if (slot.position < 0) return -1;
            if (slot.code == code && matches(slot.position)) return slot.position;
        }
    }

    // Stores position for the key; an entry that already holds the key takes
    // the new position. False (and the index unchanged) when it cannot grow.
    template <class Matches>
    bool put(uint64_t hash, int position, Matches matches)
    {
        const uint32_t code = static_cast<uint32_t>(hash);
        if (capacity > 0) {
            for (unsigned int i = firstSlot(code);; i = (i + 1) & (capacity - 1)) {
                Slot& slot = slots[i];
                if (slot.position < 0) break;
                if (slot.code == code && matches(slot.position)) {
                    slot.position = position;
                    return true;
                }
            }
        }
        if (2 * (count + 1) > capacity && !grow()) return false;
        insert(code, position);
        ++count;
        return true;
    }

    // Forgets every entry and keeps the storage.
    void reset()
    {
        for (int i = 0; i < capacity; ++i) slots[i] = Slot{0, -1};
        count = 0;
    }

    int size() const { return count; }

private:
    struct Slot {
        // The low half of the hash: it places the entry (also when the table
        // grows) and its higher bits skip most mismatches without a compare.
        uint32_t code;
        int32_t position; // -1: empty
    };

    static constexpr int INITIAL_CAPACITY = 16;

    unsigned int firstSlot(uint32_t code) const { return code & static_cast<unsigned int>(capacity - 1); }

    void insert(uint32_t code, int position)
    {
        unsigned int i = firstSlot(code);
        while (slots[i].position >= 0) i = (i + 1) & (capacity - 1);
        slots[i] = Slot{code, position};
    }

    bool grow()
    {
        if (capacity > INT_MAX / 2) return false;
        const int grown = capacity == 0 ? INITIAL_CAPACITY : capacity * 2;
        if (static_cast<size_t>(grown) > SIZE_MAX / sizeof(Slot)) return false;
        Slot* fresh = static_cast<Slot*>(UtMemory::malloc_exe(memory, sizeof(Slot) * static_cast<size_t>(grown)));
        if (!fresh) return false;
        Slot* old = slots;
        const int oldCapacity = capacity;
        slots = fresh;
        capacity = grown;
        reset();
        for (int i = 0; i < oldCapacity; ++i) {
            if (old[i].position < 0) continue;
            insert(old[i].code, old[i].position);
            ++count;
        }
        UtMemory::free_exe(old);
        return true;
    }

    Slot* slots;
    int capacity; // a power of two, or 0
    int count;
    MemoryParam* memory;
};

} // namespace tavrix
