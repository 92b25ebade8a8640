#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "memory/LDObject.h"
#include "memory/UtMemory.h"
#include "type/LDPair.h"
#include "type/LDString.h"

namespace tavrix {

// Small ordered map: pairs kept by value in insertion order, found by a
// linear scan. Keys are LDString.
template <class K, class V>
class LDMap : public LDObject {
public:
    typedef LDPair<K, V> Pair;
    typedef const Pair* const_iterator;
    typedef Pair* iterator;

    explicit LDMap(MemoryParam* memParam = nullptr)
        : pairs(nullptr), keyBuffer(nullptr), _size(0), _capacity(0),
          memory(memParam ? memParam : UtMemory::getTmpMemoryParam())
    {
    }
    virtual ~LDMap() { clear(); }

    LDMap(const LDMap&) = delete;
    LDMap& operator=(const LDMap&) = delete;

    // The value of the first pair with this key; a missing key is appended
    // with a zero value. Returns null only when the map cannot grow.
    V* find(const LDString& key)
    {
        for (int i = 0; i < _size; ++i) {
            if (pairs[i].key == key) return &pairs[i].value;
        }
        return append(key);
    }

    V& operator[](const LDString& key)
    {
        V* value = find(key);
        if (value) return *value;
        // Out of memory: hand back a scratch value so the caller's write goes nowhere harmful.
        static V scratch;
        scratch = V();
        return scratch;
    }

    // Appends a key the caller knows to be missing; its value starts at 0.
    // Null when the map cannot grow.
    V* append(const LDString& key)
    {
        if (!appendKey(key)) return nullptr;
        return &pairs[_size - 1].value;
    }

    bool appendKey(const LDString& key)
    {
        if (!prepare_capacity(_size + 1, false)) return false;
        new (&pairs[_size]) Pair(key);
        ++_size;
        return true;
    }

    bool prepare_capacity(int n, bool exact)
    {
        if (n <= _capacity) return true;
        if (!exact) {
            if (_capacity == 0) {
                if (n < 10) n = 10;
            } else if (n < _capacity * 2 && _capacity <= INT_MAX / 2) {
                n = _capacity * 2;
            }
        }
        if (static_cast<size_t>(n) > SIZE_MAX / sizeof(Pair)) return false;
        Pair* block = static_cast<Pair*>(UtMemory::malloc_exe(memory, sizeof(Pair) * static_cast<size_t>(n)));
        if (!block) return false;
        if (pairs) std::memcpy(static_cast<void*>(block), static_cast<const void*>(pairs), sizeof(Pair) * _size);
        UtMemory::free_exe(pairs);
        pairs = block;
        _capacity = n;
        return true;
    }

    void clear()
    {
        ::operator delete(keyBuffer);
        keyBuffer = nullptr;
        for (int i = 0; i < _size; ++i) pairs[i].~Pair();
        UtMemory::free_exe(pairs);
        pairs = nullptr;
        _size = 0;
        _capacity = 0;
    }

    int size() const { return _size; }
    iterator begin() { return pairs; }
    iterator end() { return pairs + _size; }
    const_iterator begin() const { return pairs; }
    const_iterator end() const { return pairs + _size; }

private:
    Pair* pairs;
    void* keyBuffer; // kept for layout; nothing fills it
    int _size;
    int _capacity;
    MemoryParam* memory;
};

} // namespace tavrix
