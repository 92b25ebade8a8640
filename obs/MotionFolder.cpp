#include "MotionFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "OutputPattern.h"

namespace tavrix_obs {

std::string modelFolder(const std::string& modelFile)
{
    const std::filesystem::path folder = std::filesystem::path(modelFile).parent_path();
    return folder.empty() ? "." : folder.string();
}

std::vector<std::string> motionFilesBeside(const std::string& modelFile)
{
    std::vector<std::string> names;
    if (modelFile.empty()) return names;
    std::error_code error;
    std::filesystem::directory_iterator entries(modelFolder(modelFile), error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        const std::string extension = tavrix_media::fileExtension(name);
        std::error_code kindError;
        if ((extension == "mtn" || extension == "mtnb") && entries->is_regular_file(kindError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tavrix_obs
