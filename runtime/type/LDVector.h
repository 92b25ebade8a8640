#pragma once

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "memory/LDObject.h"
#include "memory/UtMemory.h"
#include "util/UtDebug.h"

namespace tavrix {

// Growable array whose storage is one block from a MemoryParam (null: the
// global temporary memory). Indexing is not checked. When growth fails the
// vector keeps its previous contents.
template <class T>
class LDVector : public LDObject {
public:
    typedef T* iterator;
    typedef const T* const_iterator;

    LDVector() : data(nullptr), _size(0), _capacity(0), memory(nullptr) {}
    explicit LDVector(MemoryParam* memParam) : data(nullptr), _size(0), _capacity(0), memory(memParam) {}
    LDVector(MemoryParam* memParam, int capacity, int size, bool zero)
        : data(nullptr), _size(0), _capacity(0), memory(memParam)
    {
        if (!memParam) {
            UtDebug::println("BREAK POINT@LDVector");
            memory = UtMemory::getTmpMemoryParam();
        }
        if (capacity < 1) return;
        T* block = allocate(capacity);
        if (!block) return;
        if (zero) std::memset(static_cast<void*>(block), 0, sizeof(T) * capacity);
        data = block;
        _capacity = capacity;
        _size = size < 0 ? 0 : (size > capacity ? capacity : size);
    }
    virtual ~LDVector() { clear(); }

    LDVector(const LDVector&) = delete;
    LDVector& operator=(const LDVector&) = delete;

    void push_back(const T& value, bool construct = true)
    {
        if (_size >= _capacity) {
            if (_capacity > INT_MAX / 2) return;
            int grown = _capacity == 0 ? 10 : _capacity * 2;
            T* block = allocate(grown);
            if (!block) return;
            if (data) std::memcpy(static_cast<void*>(block), static_cast<const void*>(data), sizeof(T) * _size);
            // The old block stays alive until the value (which may lie in it) is copied.
            store(block + _size, value, construct);
            T* old = data;
            data = block;
            _capacity = grown;
            ++_size;
            UtMemory::free_exe(old);
            return;
        }
        store(data + _size, value, construct);
        ++_size;
    }

    // Returns false (and changes nothing) when the block cannot be allocated.
    bool prepare_capacity(int n)
    {
        if (n <= _capacity) return true;
        T* block = allocate(n);
        if (!block) return false;
        if (data) std::memcpy(static_cast<void*>(block), static_cast<const void*>(data), sizeof(T) * _size);
        UtMemory::free_exe(data);
        data = block;
        _capacity = n;
        return true;
    }

    // Makes room for count more elements. Unlike prepare_capacity it grows as
    // push_back does (to 10, then doubling), so that reserving before every
    // append costs linear time in all, and an arena that keeps the old blocks
    // keeps less than the final block again. False (and nothing changed)
    // when the block cannot be allocated.
    bool prepareAppend(int count = 1)
    {
        if (count < 0 || _size > INT_MAX - count) return false;
        const int needed = _size + count;
        if (needed <= _capacity) return true;
        int grown = _capacity == 0 ? 10 : _capacity;
        while (grown < needed) grown = grown > INT_MAX / 2 ? needed : grown * 2;
        return prepare_capacity(grown);
    }

    bool updateSize(int n, T fill, bool construct = true)
    {
        if (n < 0) n = 0;
        if (!prepare_capacity(n)) return false;
        for (int i = _size; i < n; ++i) store(data + i, fill, construct);
        if (!std::is_trivially_destructible<T>::value) {
            // Elements with their own storage are released when the size drops.
            for (int i = n; i < _size; ++i) data[i].~T();
        }
        _size = n;
        return true;
    }

    void clear()
    {
        if (!std::is_trivially_destructible<T>::value) {
            for (int i = 0; i < _size; ++i) data[i].~T();
        }
        UtMemory::free_exe(data);
        data = nullptr;
        _size = 0;
        _capacity = 0;
    }

    int size() const { return _size; }
    int capacity() const { return _capacity; }
    MemoryParam* getMemoryParam() const { return memory; }
    T& operator[](int i) { return data[i]; }
    const T& operator[](int i) const { return data[i]; }
    T& at(int i) { return data[i]; }
    const T& at(int i) const { return data[i]; }
    T* getPtr() { return data; }
    const T* getPtr() const { return data; }
    iterator begin() { return data; }
    iterator end() { return data + _size; }
    const_iterator begin() const { return data; }
    const_iterator end() const { return data + _size; }

private:
    T* allocate(int count)
    {
        if (count <= 0 || static_cast<size_t>(count) > SIZE_MAX / sizeof(T)) return nullptr;
        return static_cast<T*>(UtMemory::malloc_exe(memory, sizeof(T) * static_cast<size_t>(count)));
    }

    static void store(T* slot, const T& value, bool construct)
    {
        if (construct || !std::is_trivially_copyable<T>::value) new (slot) T(value);
        else *slot = value;
    }

    T* data;
    int _size;
    int _capacity;
    MemoryParam* memory;
};

} // namespace tavrix
