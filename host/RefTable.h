#pragma once

#include <stdint.h>

#include <string>
#include <unordered_map>

#include "HostLog.h"

namespace tavrix_host {

// References the host hands out (effects, streams) under opaque ids: each is
// disposed of once by its receiver; use after disposal is reported.
template <class Target>
class RefTable {
public:
    RefTable(HostLog& log, const char* kind) : log(log), kind(kind) {}

    uintptr_t add(const Target& target)
    {
        uintptr_t id = nextId;
        nextId += 0x10;
        refs.emplace(id, target);
        return id;
    }
    // Null (and reported) for an id that is not live.
    const Target* find(uintptr_t id, const char* operation)
    {
        auto it = refs.find(id);
        if (it != refs.end()) return &it->second;
        log.misuse(std::string(operation) + ": " + (id ? "disposed or unknown " : "null ") + kind);
        return nullptr;
    }
    bool dispose(uintptr_t id, const char* operation)
    {
        if (!find(id, operation)) return false;
        refs.erase(id);
        return true;
    }
    size_t liveCount() const { return refs.size(); }
    // Drops every live reference, reporting how many were never disposed.
    void reportLeaks()
    {
        if (!refs.empty()) log.misuse(std::to_string(refs.size()) + " " + kind + " reference(s) never disposed");
        refs.clear();
    }

private:
    HostLog& log;
    std::string kind;
    std::unordered_map<uintptr_t, Target> refs;
    uintptr_t nextId = 0x20000;
};

} // namespace tavrix_host
