#include "ModelFiles.h"

#include <json/json.h>

#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>

#include "JsonText.h"

namespace tavrix_tool {

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string resolveAgainst(const std::string& folder, const std::string& path)
{
    return path.empty() || path[0] == '/' ? path : folder + path;
}

bool endsWithJson(const std::string& path)
{
    if (path.size() < 5) return false;
    std::string ending = path.substr(path.size() - 5);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".json";
}

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
    if (endsWithJson(path)) return true;
    std::ifstream in(path, std::ios::binary);
    char c = 0;
    while (in.get(c) && std::isspace(static_cast<unsigned char>(c))) {
    }
    return in && c == '{';
}

bool readModelJson(const std::string& jsonPath, ModelFiles& files, std::string& why)
{
    std::string text;
    if (!tavrix_host::readTextFile(jsonPath, text, why)) {
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
    if (!tavrix_host::parseJsonText(document, builder, root, &errors)) {
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
    const std::string folder = folderOf(jsonPath);
    if (!root.isMember("model")) {
        why = jsonPath + ": model is missing (the .moc file to load)";
        return false;
    }
    std::string name;
    if (!fileName(root["model"], jsonPath, "model", name, why)) return false;
    files.model = resolveAgainst(folder, name);
    files.textures.clear();
    if (!root.isMember("textures")) return true;
    const Json::Value& textures = root["textures"];
    if (!textures.isArray()) {
        why = jsonPath + ": textures must be an array of file names";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < textures.size(); ++i) {
        if (!fileName(textures[i], jsonPath, "textures[" + std::to_string(i) + "]", name, why)) return false;
        files.textures.push_back(resolveAgainst(folder, name));
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

} // namespace tavrix_tool
