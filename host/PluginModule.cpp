#include "PluginModule.h"

#include <dlfcn.h>

namespace tavrix_host {

bool PluginModule::load(const std::string& path, std::string& error)
{
    unload();
    // RTLD_LOCAL keeps the plug-in's symbols out of the global namespace, so
    // its copy of the runtime and ours never stand in for each other.
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* reason = dlerror();
        error = reason ? reason : "cannot be loaded";
        return false;
    }
    entry = reinterpret_cast<PF_EntryPointFunc>(dlsym(library, PF_ENTRY_POINT_NAME));
    if (!entry) {
        error = path + ": no " PF_ENTRY_POINT_NAME " exported";
        unload();
        return false;
    }
    return true;
}

void PluginModule::unload()
{
    entry = nullptr;
    if (library) dlclose(library);
    library = nullptr;
}

} // namespace tavrix_host
