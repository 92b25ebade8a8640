#include "ReportOnce.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace tavrix_frei0r {

namespace {

// Past this many distinct lines the rest are left out, so that a host that
// keeps changing a bad parameter can neither grow the set without bound nor
// flood its log.
const size_t MAX_REMEMBERED = 256;

} // namespace

void reportOnce(const std::string& pluginName, const std::string& message)
{
    // Never freed: instances may report from the render thread while the
    // process exits.
    static std::mutex* mutex = new std::mutex();
    static std::set<std::string>* reported = new std::set<std::string>();
    std::string line = pluginName + ": " + message;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::lock_guard<std::mutex> lock(*mutex);
    if (reported->size() > MAX_REMEMBERED || reported->count(line)) return;
    if (reported->size() == MAX_REMEMBERED) {
        reported->insert("");
        std::fprintf(stderr, "%s: more than %zu messages; the rest are left out\n", pluginName.c_str(),
                     MAX_REMEMBERED);
        return;
    }
    reported->insert(line);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace tavrix_frei0r
