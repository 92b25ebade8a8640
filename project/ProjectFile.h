#pragma once

#include <string>
#include <vector>

#include "Project.h"

namespace tavrix_project {

// Reads, checks and writes project files. Every refusal is one line naming
// the file, the member (as a path such as layers[0].effect.params.ANGLE_X)
// and what is wrong with it.
class ProjectFile {
public:
    // Largest composition or layer side accepted.
    static constexpr int32_t MAX_SIDE = 16384;
    static constexpr int32_t MAX_FRAME_COUNT = 1000000;

    // False with the message when the file cannot be read, is not valid
    // JSON, or has a member of the wrong type or out of range. PNG sources
    // are decoded here, relative paths taken from the project's folder.
    static bool load(const std::string& path, Project& project, std::string& error);
    static bool parse(const std::string& text, const std::string& path, Project& project, std::string& error);

    // Writes the project's document with the effects' saved states replaced
    // by states (one per layer, used where the layer has an effect): first
    // to a temporary file beside the target, then renamed over it, so a
    // failure never leaves a half-written project.
    static bool save(const Project& project, const std::vector<std::string>& states, const std::string& path,
                     std::string& error);
};

} // namespace tavrix_project
