#include "ModelFiles.h"

#include <filesystem>
#include <json/json.h>

#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

#include "JsonText.h"
#include "OutputPattern.h"

namespace tavrix_stage {

namespace {

// A member that must hold a non-empty file name.
bool fileName(const Json::Value& value, const std::string& jsonPath, const std::string& member, std::string& name,
              std::string& why)
{
    if (!value.isString() || value.asString().empty()) {
        why = jsonPath + ": " + member + " must be a file name (a non-empty string)";
        return false;
    }
    name = value.asString();
    return true;
}

} // namespace

std::vector<std::string> ModelFiles::paths() const
{
    std::vector<std::string> all{model};
    all.insert(all.end(), textures.begin(), textures.end());
    return all;
}

bool isModelJson(const std::string& path)
{
    if (tavrix_media::fileExtension(path) == "json") return true;
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    while (in.get(c) && std::isspace(static_cast<unsigned char>(c))) {
    }
    return in && c == '{';
}

bool readModelJson(const std::string& jsonPath, ModelFiles& files, std::string& why)
{
    std::string text;
    if (!tavrix_media::readTextFile(jsonPath, text, why)) {
        why = jsonPath + ": the model JSON file " + why;
        return false;
    }
    return parseModelJson(text, jsonPath, files, why);
}

bool parseModelJson(const std::string& document, const std::string& jsonPath, ModelFiles& files, std::string& why)
{
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errors;
    if (!tavrix_media::parseJsonText(document, builder, root, &errors)) {
        while (!errors.empty() && std::isspace(static_cast<unsigned char>(errors.back()))) errors.pop_back();
        for (char& c : errors) {
            if (c == '\n') c = ' ';
        }
        why = jsonPath + ": not valid JSON: " + errors;
        return false;
    }
    if (!root.isObject()) {
        why = jsonPath + ": the document must be an object with \"model\" and \"textures\"";
        return false;
    }
    // Relative names count from the JSON file's folder.
    const std::filesystem::path folder = std::filesystem::path(jsonPath).parent_path();
    if (!root.isMember("model")) {
        why = jsonPath + ": model is missing (the .moc file to load)";
        return false;
    }
    std::string name;
    if (!fileName(root["model"], jsonPath, "model", name, why)) return false;
    files.model = (folder / name).string();
    files.textures.clear();
    if (!root.isMember("textures")) return true;
    const Json::Value& textures = root["textures"];
    if (!textures.isArray()) {
        why = jsonPath + ": textures must be an array of file names";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < textures.size(); ++i) {
        if (!fileName(textures[i], jsonPath, "textures[" + std::to_string(i) + "]", name, why)) return false;
        files.textures.push_back((folder / name).string());
    }
    return true;
}

bool resolveModelFiles(const std::string& modelArgument, const std::vector<std::string>& textures,
                       ModelFiles& files, std::string& why)
{
    if (!isModelJson(modelArgument)) {
        files.model = modelArgument;
        files.textures = textures;
        return true;
    }
    if (!textures.empty()) {
        why = modelArgument + ": a model JSON file names its own textures; --texture goes with a .moc model";
        return false;
    }
    return readModelJson(modelArgument, files, why);
}

} // namespace tavrix_stage
