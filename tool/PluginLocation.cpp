#include "PluginLocation.h"

#include <cstdlib>
#include <filesystem>

namespace tavrix_tool {

namespace {

const char* const PLUGIN_FILE = "TavrixLoader.so";
const char* const PLUGIN_VARIABLE = "TAVRIX_PLUGIN";

} // namespace

std::string pluginLocation(const std::string& given)
{
    if (!given.empty()) return given;
    if (const char* fromEnvironment = std::getenv(PLUGIN_VARIABLE)) {
        if (*fromEnvironment) return fromEnvironment;
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return PLUGIN_FILE;
    return (self.parent_path() / PLUGIN_FILE).string();
}

} // namespace tavrix_tool
