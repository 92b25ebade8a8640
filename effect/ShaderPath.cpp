#include "ShaderPath.h"

std::string CreateShaderPath(const std::string& pluginPath, const std::string& fileName)
{
    std::string path = pluginPath;
    const size_t lastSlash = path.rfind('/');
    if (lastSlash != std::string::npos) path.erase(lastSlash);
    const size_t firstSlash = path.find('/');
    if (firstSlash != std::string::npos) path.erase(0, firstSlash);
    for (size_t colon = path.find(':'); colon != std::string::npos; colon = path.find(':', colon + 1)) {
        path[colon] = '/';
    }
    return path + "/" + fileName;
}
