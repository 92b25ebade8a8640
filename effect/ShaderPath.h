#pragma once

#include <string>

// The path of a shader file that lies beside the plug-in: the plug-in path's
// folder, without what comes before its first "/" and with every ":" read as
// "/", then "/" and the file name.
std::string CreateShaderPath(const std::string& pluginPath, const std::string& fileName);
