// Where the commands that run the effect find its plug-in.
#pragma once

#include <string>

namespace tavrix_tool {

// The plug-in: given (a --plugin option) when not empty, else
// $TAVRIX_PLUGIN, else TavrixLoader.so beside the tool.
std::string pluginLocation(const std::string& given);

} // namespace tavrix_tool
