#pragma once

#include <string>
#include <vector>

namespace tavrix_host {

// What the host noticed about the effect: misuse of host objects (a
// disposed handle used, an unbalanced lock or undo group, a reference never
// disposed) and the messages effects leave with failed commands.
class HostLog {
public:
    void misuse(const std::string& text) { misuses.push_back(text); }
    const std::vector<std::string>& getMisuses() const { return misuses; }
    void clear() { misuses.clear(); }

private:
    std::vector<std::string> misuses;
};

} // namespace tavrix_host
