// Lines of this module in the OBS log, each marked "[tavrix-obs]".
#pragma once

#include <string>
#include <string_view>

#include <util/base.h>

#include "util/UtDebug.h"

namespace tavrix_obs {

inline void logLine(int level, const std::string& text)
{
    blog(level, "[tavrix-obs] %s", text.c_str());
}

// A line about one source, named as the user sees it.
inline void logSource(int level, const std::string& sourceName, const std::string& text)
{
    blog(level, "[tavrix-obs] '%s': %s", sourceName.c_str(), text.c_str());
}

// A sink for the runtime's text: each line of it in the log, errors as
// warnings, without the frames of its error reports.
inline void logRuntimeText(void*, tavrix::UtDebug::MessageKind kind, const char* text, int length)
{
    std::string_view rest(text, static_cast<size_t>(length));
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.substr(0, 5) == "*****") continue;
        blog(kind == tavrix::UtDebug::MESSAGE_ERROR ? LOG_WARNING : LOG_INFO, "[tavrix-obs] runtime: %.*s",
             static_cast<int>(line.size()), line.data());
    }
}

} // namespace tavrix_obs
