#pragma once

#include <string>
#include <vector>

namespace tavrix_host {

// The host's open undo groups, innermost last. Changes made while a group
// is open form one undo step with it.
class UndoStack {
public:
    void start(const char* name) { groups.push_back(name ? name : ""); ++started; }
    // False when no group is open.
    bool end()
    {
        if (groups.empty()) return false;
        groups.pop_back();
        return true;
    }
    size_t depth() const { return groups.size(); }
    // Groups started since the host began (open or closed).
    int startedCount() const { return started; }
    void clear() { groups.clear(); }

private:
    std::vector<std::string> groups;
    int started = 0;
};

} // namespace tavrix_host
