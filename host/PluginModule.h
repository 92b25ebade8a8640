#pragma once

#include <string>

#include "PF_Callbacks.h"

namespace tavrix_host {

// An effect plug-in loaded from its shared library; only its exported entry
// point is reached. Unloaded with the object.
class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule() { unload(); }

    // False with the reason in error when the library cannot be loaded or
    // does not export the entry point.
    bool load(const std::string& path, std::string& error);
    void unload();
    bool loaded() const { return entry != nullptr; }
    PF_EntryPointFunc entryPoint() const { return entry; }

    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

private:
    void* library = nullptr;
    PF_EntryPointFunc entry = nullptr;
};

} // namespace tavrix_host
