// Lines of this module in the OBS log, each marked "[tavrix-obs]".
#pragma once

#include <string>

#include <util/base.h>

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

} // namespace tavrix_obs
