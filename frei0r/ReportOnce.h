// Messages of the plug-ins: one line on standard error ("PLUGIN: message"),
// each distinct line once per process, since a host asks for the same frame
// many times and one bad file must not flood its log. Standard output is
// never used: ffmpeg writes video there.
#pragma once

#include <string>

namespace tavrix_frei0r {

void reportOnce(const std::string& pluginName, const std::string& message);

} // namespace tavrix_frei0r
