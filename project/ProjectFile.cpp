#include "ProjectFile.h"

#include <filesystem>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include <lodepng.h>
#include <unistd.h>

#include "CheckedJson.h"
#include "ImageFile.h"
#include "JsonText.h"

namespace tavrix_project {

using namespace tavrix_host;
using namespace tavrix_media;
using namespace tavrix_media::checked_json;

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void readColour(const Json::Value& value, const std::string& where, uint8_t colour[4])
{
    std::string hex;
    hex = text(value, where);
    if ((hex.size() != 7 && hex.size() != 9) || hex[0] != '#') refuse(where, "must be a colour #rrggbb or #rrggbbaa");
    colour[3] = 255;
    for (size_t i = 1, channel = 0; i < hex.size(); i += 2, ++channel) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) refuse(where, "must be a colour #rrggbb or #rrggbbaa");
        colour[channel] = static_cast<uint8_t>(high * 16 + low);
    }
}

// Files named in a project count from its folder unless absolute.
std::string resolvePath(const std::string& folder, const std::string& path)
{
    return (std::filesystem::path(folder) / path).string();
}

void readSource(const Json::Value& source, const std::string& where, const std::string& folder, Project::Layer& layer)
{
    requireObject(source, where);
    std::string type;
    type = text(required(source, "type", where), member(where, "type"));
    if (type == "transparent") {
        allowOnly(source, where, {"type"});
        layer.source = Project::SourceKind::Transparent;
    } else if (type == "solid") {
        allowOnly(source, where, {"type", "color"});
        layer.source = Project::SourceKind::Solid;
        readColour(required(source, "color", where), member(where, "color"), layer.colour);
    } else if (type == "png") {
        allowOnly(source, where, {"type", "path"});
        layer.source = Project::SourceKind::Png;
        std::string path;
        path = text(required(source, "path", where), member(where, "path"));
        layer.imagePath = resolvePath(folder, path);
        unsigned width = 0;
        unsigned height = 0;
        unsigned failure = lodepng::decode(layer.image, width, height, layer.imagePath, LCT_RGBA, 8);
        if (failure) refuse(member(where, "path"), "'" + layer.imagePath + "': " + lodepng_error_text(failure));
        if (width > ProjectFile::MAX_SIDE || height > ProjectFile::MAX_SIDE) {
            refuse(member(where, "path"), "'" + layer.imagePath + "' is larger than " +
                                              std::to_string(ProjectFile::MAX_SIDE) + " pixels a side");
        }
        layer.width = static_cast<int32_t>(width);
        layer.height = static_cast<int32_t>(height);
    } else {
        refuse(member(where, "type"), "must be \"transparent\", \"solid\" or \"png\"");
    }
}

// One value: a number, or [x, y] for a point.
Project::Key readValue(const Json::Value& value, const std::string& where, double frame)
{
    if (value.isArray()) {
        if (value.size() != 2) refuse(where, "a point must be [x, y]");
        return Project::Key{frame, number(value[0], element(where, 0)), number(value[1], element(where, 1)), 2};
    }
    return Project::Key{frame, number(value, where), 0, 1};
}

Project::ParamSetting readParam(const Json::Value& value, const std::string& key, const std::string& where)
{
    Project::ParamSetting setting{key, where, {}};
    if (!value.isObject()) {
        setting.keys.push_back(readValue(value, where, 0));
        return setting;
    }
    allowOnly(value, where, {"keys"});
    const std::string keysWhere = member(where, "keys");
    const Json::Value& keys = required(value, "keys", where);
    if (!keys.isArray() || keys.empty()) refuse(keysWhere, "must be a non-empty array of keys");
    for (Json::ArrayIndex i = 0; i < keys.size(); ++i) {
        const std::string keyWhere = element(keysWhere, i);
        requireObject(keys[i], keyWhere);
        allowOnly(keys[i], keyWhere, {"frame", "value"});
        const double frame = number(required(keys[i], "frame", keyWhere), member(keyWhere, "frame"));
        if (frame < 0) refuse(member(keyWhere, "frame"), "must not be negative");
        if (!setting.keys.empty() && frame <= setting.keys.back().frame) {
            refuse(member(keyWhere, "frame"), "must come after the frame of the key before");
        }
        Project::Key read = readValue(required(keys[i], "value", keyWhere), member(keyWhere, "value"), frame);
        if (!setting.keys.empty() && read.arity != setting.keys.back().arity) {
            refuse(member(keyWhere, "value"), "must be of the same kind as the other keys");
        }
        setting.keys.push_back(read);
    }
    return setting;
}

// The sound is decoded here, so that a file that will not play stops the
// project before its first frame.
void readAudio(const Json::Value& value, const std::string& where, const std::string& folder, Project::Audio& audio)
{
    using tavrix_media::LipSyncSettings;
    requireObject(value, where);
    allowOnly(value, where, {"file", "param", "gain", "gate", "smoothing", "offset"});
    audio.where = where;
    std::string file;
    file = text(required(value, "file", where), member(where, "file"));
    if (value.isMember("param")) {
        audio.param = text(value["param"], member(where, "param"));
        if (audio.param.empty()) refuse(member(where, "param"), "must not be empty");
    }
    LipSyncSettings& lipSync = audio.lipSync;
    if (value.isMember("gain")) lipSync.gain = numberBetween(value["gain"], member(where, "gain"), 0, LipSyncSettings::MAX_GAIN);
    if (value.isMember("gate")) lipSync.gate = numberBetween(value["gate"], member(where, "gate"), 0, LipSyncSettings::MAX_GATE);
    if (value.isMember("smoothing")) {
        lipSync.smoothingSeconds = numberBetween(value["smoothing"], member(where, "smoothing"),
                                                 tavrix_media::LipSync::LOUDNESS_WINDOW_SECONDS,
                                                 LipSyncSettings::MAX_SMOOTHING_SECONDS);
    }
    if (value.isMember("offset")) {
        audio.offsetSeconds = numberBetween(value["offset"], member(where, "offset"), -tavrix_media::MAX_AUDIO_SECONDS,
                                            tavrix_media::MAX_AUDIO_SECONDS);
    }
    audio.path = resolvePath(folder, file);
    std::string why;
    if (!tavrix_media::readAudioFile(audio.path, audio.track, why)) refuse(member(where, "file"), why);
}

void readEffect(const Json::Value& effect, const std::string& where, const std::string& folder, Project::Effect& out)
{
    requireObject(effect, where);
    allowOnly(effect, where, {"state", "load", "params", "audio"});
    out.present = true;
    if (effect.isMember("state")) {
        out.hasState = true;
        out.state = text(effect["state"], member(where, "state"));
    }
    if (effect.isMember("load")) {
        out.hasLoad = true;
        std::string faultWhere;
        std::string fault;
        if (!DialogSession::read(effect["load"], member(where, "load"), folder, out.load, faultWhere, fault)) {
            refuse(faultWhere, fault);
        }
    }
    if (effect.isMember("audio")) {
        out.hasAudio = true;
        readAudio(effect["audio"], member(where, "audio"), folder, out.audio);
    }
    if (!effect.isMember("params")) return;
    const std::string paramsWhere = member(where, "params");
    const Json::Value& params = requireObject(effect["params"], paramsWhere);
    for (const std::string& name : params.getMemberNames()) {
        if (name.empty()) refuse(paramsWhere, "a parameter name must not be empty");
        out.params.push_back(readParam(params[name], name, member(paramsWhere, name)));
    }
}

void readLayer(const Json::Value& value, const std::string& where, const Project& project, const std::string& folder,
               Project::Layer& layer)
{
    requireObject(value, where);
    allowOnly(value, where, {"name", "source", "width", "height", "effect"});
    layer.where = where;
    if (value.isMember("name")) layer.name = text(value["name"], member(where, "name"));
    if (value.isMember("source")) readSource(value["source"], member(where, "source"), folder, layer);
    for (const char* side : {"width", "height"}) {
        if (!value.isMember(side)) continue;
        if (layer.source == Project::SourceKind::Png) refuse(member(where, side), "a PNG layer takes its image's size");
        int32_t size = wholeNumber(value[side], member(where, side), 1, ProjectFile::MAX_SIDE);
        (side[0] == 'w' ? layer.width : layer.height) = size;
    }
    if (layer.source != Project::SourceKind::Png) {
        if (!value.isMember("width")) layer.width = project.width;
        if (!value.isMember("height")) layer.height = project.height;
    }
    if (value.isMember("effect")) readEffect(value["effect"], member(where, "effect"), folder, layer.effect);
}

void readProject(const Json::Value& root, const std::string& folder, Project& project)
{
    requireObject(root, "(document)");
    allowOnly(root, "", {"composition", "layers"});
    const Json::Value& composition = requireObject(required(root, "composition", ""), "composition");
    allowOnly(composition, "composition", {"width", "height", "frameRate", "frameCount"});
    project.width = wholeNumber(required(composition, "width", "composition"), "composition.width", 1, ProjectFile::MAX_SIDE);
    project.height =
        wholeNumber(required(composition, "height", "composition"), "composition.height", 1, ProjectFile::MAX_SIDE);
    project.frameRate = number(required(composition, "frameRate", "composition"), "composition.frameRate");
    if (project.frameRate <= 0 || project.frameRate > 1000) {
        refuse("composition.frameRate", "must lie above 0 and at most 1000");
    }
    project.frameCount = wholeNumber(required(composition, "frameCount", "composition"), "composition.frameCount", 1,
                                     ProjectFile::MAX_FRAME_COUNT);

    const Json::Value& layers = required(root, "layers", "");
    if (!layers.isArray()) refuse("layers", "must be an array");
    for (Json::ArrayIndex i = 0; i < layers.size(); ++i) {
        project.layers.emplace_back();
        readLayer(layers[i], element("layers", i), project, folder, project.layers.back());
    }
}

// JsonCpp's report, one line: "Line 3, Column 5: Missing ',' ...".
std::string oneLine(const std::string& report)
{
    std::string line;
    std::istringstream lines(report);
    std::string part;
    while (std::getline(lines, part)) {
        size_t start = part.find_first_not_of(" *");
        if (start == std::string::npos) continue;
        if (!line.empty()) line += line.back() == ':' ? " " : ": ";
        line += part.substr(start);
        if (line.find("Line") == 0 && line.find("Syntax") != std::string::npos) break;
    }
    return line;
}

} // namespace

bool ProjectFile::load(const std::string& path, Project& project, std::string& error)
{
    std::string contents;
    std::string why;
    if (!readTextFile(path, contents, why)) {
        error = path + ": " + why;
        return false;
    }
    return parse(contents, path, project, error);
}

bool ProjectFile::parse(const std::string& textOfFile, const std::string& path, Project& project, std::string& error)
{
    project = Project();
    project.file = path;
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    std::string report;
    if (!parseJsonText(textOfFile, builder, project.document, &report)) {
        error = path + ": not valid JSON: " + oneLine(report);
        return false;
    }
    try {
        readProject(project.document, std::filesystem::path(path).parent_path().string(), project);
    } catch (const Refusal& refusal) {
        error = path + ": " + refusal.where + ": " + refusal.what;
        return false;
    }
    return true;
}

bool ProjectFile::save(const Project& project, const std::vector<std::string>& states, const std::string& path,
                       std::string& error)
{
    Json::Value document = project.document;
    for (size_t i = 0; i < project.layers.size() && i < states.size(); ++i) {
        if (project.layers[i].effect.present) document["layers"][Json::ArrayIndex(i)]["effect"]["state"] = states[i];
    }
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    const std::string contents = Json::writeString(builder, document) + "\n";

    if (!writeFileAtomically(path, std::vector<uint8_t>(contents.begin(), contents.end()), error)) return false;
    return true;
}

} // namespace tavrix_project
