#pragma once

#include <cstdint>
#include <cstring>

#include "memory/LDObject.h"
#include "memory/UtMemory.h"
#include "type/LDHashIndex.h"
#include "type/LDString.h"
#include "type/LDVector.h"
#include "util/UtHash.h"

namespace tavrix {

class MemoryHolderFixed;
class MemoryParam;

// Base of the interned identifiers. Each identifier class keeps one intern
// list, so identifiers of a class are equal exactly when they are the same
// object.
class ID : public LDObject {
public:
    virtual ~ID() {}

    static void staticInit_notForClientCall();
    static void staticRelease_notForClientCall();
    static MemoryParam* getMemoryParam() { return memParam; }

protected:
    // The interned T named by (bytes, length), created on first use; null
    // only when the runtime is not started or memory is exhausted. The list
    // keeps the identifiers in creation order; the index finds a name in it.
    template <class T>
    static T* intern(LDVector<T*>*& list, LDHashIndex*& index, int initialCapacity, const char* bytes, int length)
    {
        if (!UtMemory::getTmpMemoryParam() || length < 0) return nullptr;
        if (!index) {
            index = new LDHashIndex(nullptr);
            if (!index) return nullptr;
        }
        if (!list) {
            list = new LDVector<T*>(UtMemory::getStaticMemoryParam(), initialCapacity, 0, false);
            if (!list) return nullptr;
        }
        const uint64_t hash = UtHash::hashBytes(bytes, length);
        auto named = [&](int position) {
            const LDString& name = (*list)[position]->name;
            return name.length() == length && sameBytes(name.c_str(), bytes, length);
        };
        const int found = index->find(hash, named);
        if (found >= 0) return (*list)[found];

        T* id = new T(bytes, length);
        if (!id) return nullptr;
        const int position = list->size();
        if (!list->prepareAppend() || !index->put(hash, position, named)) {
            delete id;
            return nullptr;
        }
        list->push_back(id);
        return id;
    }

    template <class T>
    static void releaseList(LDVector<T*>*& list, LDHashIndex*& index)
    {
        delete index;
        index = nullptr;
        if (!list) return;
        for (int i = list->size() - 1; i >= 0; --i) delete (*list)[i];
        delete list;
        list = nullptr;
    }

private:
    static bool sameBytes(const char* a, const char* b, int length)
    {
        for (int i = length - 1; i >= 0; --i) {
            if (a[i] != b[i]) return false;
        }
        return true;
    }

    static MemoryHolderFixed* memoryHolderFixedMain;
    static MemoryParam* memParam;
};

} // namespace tavrix
