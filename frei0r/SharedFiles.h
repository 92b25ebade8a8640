// Files read once per name and shared while someone holds them: the render
// thread's models and sounds, so that the instances of a plug-in naming the
// same file share one copy. An entry goes when its last holder lets go;
// failures are not kept, so a file mended on disk is read again. Used by
// the render thread alone.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace tavrix_frei0r {

template <class T>
class SharedFiles {
public:
    // The entry of name, or what load() gives (null on failure) for it.
    template <class Load>
    std::shared_ptr<T> get(const std::string& name, Load load)
    {
        const auto found = entries.find(name);
        if (found != entries.end()) {
            if (std::shared_ptr<T> held = found->second.lock()) return held;
        }
        std::shared_ptr<T> loaded = load();
        for (auto entry = entries.begin(); entry != entries.end();) {
            entry = entry->second.expired() ? entries.erase(entry) : std::next(entry);
        }
        if (loaded) entries[name] = loaded;
        return loaded;
    }

private:
    std::map<std::string, std::weak_ptr<T>> entries;
};

} // namespace tavrix_frei0r
