// Which files make a model: a ".moc" file with textures given one by one, or
// a model JSON file {"model": "a.moc", "textures": ["t0.png", ...]} whose
// relative paths count from the JSON file's folder.
#pragma once

#include <string>
#include <vector>

namespace tavrix_stage {

struct ModelFiles {
    std::string model;
    std::vector<std::string> textures; // texture 0, 1, ...

    // The model first, then the textures: the order the loader takes.
    std::vector<std::string> paths() const;
};

// Reads a model JSON file. On failure why names the file, the member at fault
// (such as textures[2]) and what is wrong with it.
bool readModelJson(const std::string& jsonPath, ModelFiles& files, std::string& why);
// The same for the file's text, already read from jsonPath.
bool parseModelJson(const std::string& document, const std::string& jsonPath, ModelFiles& files, std::string& why);

// Whether a model argument names a model JSON file rather than a ".moc" file:
// by its ".json" ending, else by its first character being '{'.
bool isModelJson(const std::string& path);

// The files of a model argument: a model JSON file as read, or a ".moc" file
// with the textures given beside it (which a JSON file must not have).
bool resolveModelFiles(const std::string& modelArgument, const std::vector<std::string>& textures,
                       ModelFiles& files, std::string& why);

} // namespace tavrix_stage
