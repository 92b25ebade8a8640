#include "LoadInfo.h"

#include <json/json.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

bool modelPathsFromLoadInfo(const std::string& loadInfoJson, std::vector<std::string>& paths)
{
    paths.clear();
    Json::Value root;
    Json::Reader reader;
    // A text nested deeper than the reader's limit makes it throw; for the
    // effect that is a text it cannot read.
    bool parsed = false;
    try {
        parsed = reader.parse(loadInfoJson, root, true);
    } catch (const Json::Exception&) {
        parsed = false;
    }
    if (!parsed || !root.isObject()) return false;
    if (root.isMember("modelPath")) {
        const Json::Value& model = root["modelPath"];
        if (!model.isString()) return false;
        paths.push_back(model.asString());
    }
    if (root.isMember("texturePaths")) {
        const Json::Value& textures = root["texturePaths"];
        if (!textures.isArray()) return false;
        for (const Json::Value& texture : textures) {
            if (!texture.isString()) return false;
            paths.push_back(texture.asString());
        }
    }
    return true;
}

#pragma GCC diagnostic pop
