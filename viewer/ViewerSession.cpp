#include "ViewerSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "ATavrixModel.h"
#include "FolderAccess.h"
#include "FrameMessage.h"
#include "ImageFile.h"
#include "JsonOut.h"
#include "JsonText.h"
#include "LipSync.h"
#include "ModelFacts.h"
#include "ParamTrack.h"
#include "ProjectFile.h"
#include "ShotDocument.h"
#include "Tavrix.h"

namespace tavrix_viewer {

using tavrix_media::JsonOut;

namespace {

const int POSITION = 3;
const int SCALE = 4;
const size_t MAX_PEEKED_JSON_BYTES = 1u << 20;

const std::vector<std::string> MOTION_EXTENSIONS = {"mtn", "mtnb"};
const std::vector<std::string> SOUND_EXTENSIONS = {"wav", "flac", "ogg", "oga", "opus", "mp3", "m4a", "aac",
                                                   "webm", "mp4", "mov", "mkv"};

bool fail(Failure& failure, int status, const std::string& reason)
{
    failure.status = status;
    failure.reason = reason;
    return false;
}

Json::Value keysJson(const std::vector<SliderKey>& keys)
{
    Json::Value list(Json::arrayValue);
    for (const SliderKey& key : keys) {
        Json::Value entry(Json::arrayValue);
        entry.append(key.frame);
        entry.append(sliderValueJson(key.value));
        list.append(entry);
    }
    return list;
}

Json::Value listJson(const std::vector<std::string>& names)
{
    Json::Value list(Json::arrayValue);
    for (const std::string& name : names) list.append(name);
    return list;
}

// A JSON file of the folder that looks like a project (an object with a
// composition) or a hair set-up (an array).
std::string kindOfJson(const FolderAccess& folder, const std::string& name)
{
    std::string text;
    std::string why;
    int status = 0;
    if (!folder.read(name, MAX_PEEKED_JSON_BYTES, text, status, why)) return "";
    Json::CharReaderBuilder builder;
    Json::Value root;
    if (!tavrix_media::parseJsonText(text, builder, root, nullptr)) return "";
    if (root.isArray()) return "physics";
    if (root.isObject() && root.isMember("composition")) return "project";
    return "";
}

} // namespace

ViewerSession::ViewerSession(const SceneSource& command, const FolderAccess& folder, const UploadStore& uploads,
                             const std::string& pluginPath)
    : command(command), folder(folder), files(folder, uploads), pluginPath(pluginPath)
{
}

ViewerSession::~ViewerSession()
{
    close();
}

bool ViewerSession::open(std::string& why)
{
    tavrix::Tavrix::init();
    runtimeStarted = true;
    if (!host.open(pluginPath, why)) {
        why = "the effect plug-in " + pluginPath + " cannot be used: " + why;
        return false;
    }
    Failure failure;
    if (!sceneFor("", CompositionChoice(), failure)) {
        why = failure.reason;
        return false;
    }
    return true;
}

void ViewerSession::close()
{
    scenes.clear();
    if (host.isOpen()) host.close();
    if (runtimeStarted) tavrix::Tavrix::dispose();
    runtimeStarted = false;
}

bool ViewerSession::sourceOf(const std::string& document, SceneSource& source, Failure& failure) const
{
    if (document.empty()) {
        source = command;
        return true;
    }
    // Projects of the folder itself: their relative paths count from it.
    if (document.find('/') != std::string::npos || document.size() < 6 ||
        document.compare(document.size() - 5, 5, ".json") != 0) {
        return fail(failure, 400, "state.document: '" + document + "' is not a project file name of the opened folder");
    }
    std::string path;
    if (!folder.existingFile(document, path, failure.status, failure.reason)) return false;
    source = SceneSource();
    source.path = path;
    source.document = document;
    return true;
}

ViewerSession::OpenScene* ViewerSession::sceneFor(const std::string& document, const CompositionChoice& composition,
                                                  Failure& failure)
{
    // A document at its own composition, or at the one asked for.
    const bool own = composition.width == 0;
    for (auto& open : scenes) {
        const SceneInfo& info = open->scene->info();
        const bool same = open->document == document &&
                          (own ? open->ownComposition
                               : info.width == composition.width && info.height == composition.height &&
                                     info.frameRate == composition.frameRate);
        if (same) {
            open->lastUse = ++uses;
            return open.get();
        }
    }
    SceneSource source;
    if (!sourceOf(document, source, failure)) return nullptr;
    std::string why;
    std::unique_ptr<Scene> scene = Scene::open(host, source, composition, folder, why);
    if (!scene) {
        fail(failure, 422, why);
        return nullptr;
    }
    if (scenes.size() >= MAX_SCENES) {
        auto oldest = std::min_element(scenes.begin(), scenes.end(),
                                       [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
        scenes.erase(oldest);
    }
    auto open = std::make_unique<OpenScene>();
    open->document = document;
    open->ownComposition = own;
    open->scene = std::move(scene);
    open->animation = std::make_unique<ShotAnimation>(*open->scene);
    open->lastUse = ++uses;
    scenes.push_back(std::move(open));
    return scenes.back().get();
}

bool ViewerSession::describe(const std::string& document, std::string& json, Failure& failure)
{
    OpenScene* open = sceneFor(document, CompositionChoice(), failure);
    if (!open) return false;
    const SceneInfo& info = open->scene->info();
    Json::Value out(Json::objectValue);
    out["kind"] = info.kind;
    out["document"] = info.document;
    out["file"] = info.file;
    Json::Value& composition = out["composition"];
    composition["width"] = info.width;
    composition["height"] = info.height;
    composition["frameRate"] = info.frameRate;
    composition["frameCount"] = info.frameCount;
    out["canvas"].append(info.canvasWidth);
    out["canvas"].append(info.canvasHeight);
    out["sliders"] = Json::Value(Json::arrayValue);
    for (const SliderInfo& slider : info.sliders) {
        Json::Value entry(Json::objectValue);
        entry["index"] = slider.index;
        entry["name"] = slider.name;
        entry["stream"] = slider.stream;
        entry["point"] = slider.point;
        entry["model"] = slider.row >= 0;
        if (!slider.point) {
            entry["min"] = slider.min;
            entry["max"] = slider.max;
        }
        entry["default"] = sliderValueJson(SliderValue{slider.defaultX, slider.defaultY, slider.point});
        out["sliders"].append(entry);
    }
    out["values"] = Json::Value(Json::objectValue);
    for (const auto& [index, value] : info.values) out["values"][std::to_string(index)] = sliderValueJson(value);
    out["keys"] = Json::Value(Json::objectValue);
    for (const auto& [index, keys] : info.keys) out["keys"][std::to_string(index)] = keysJson(keys);
    if (info.hasSound) {
        Json::Value& sound = out["sound"];
        sound["file"] = info.sound.file;
        sound["param"] = info.sound.param;
        sound["gain"] = info.sound.gain;
        sound["gate"] = info.sound.gate;
        sound["smoothing"] = info.sound.smoothing;
        sound["offset"] = info.sound.offset;
    } else {
        out["sound"] = Json::Value();
    }
    Json::Value& lists = out["files"];
    lists["motions"] = listJson(folder.list(MOTION_EXTENSIONS));
    lists["sounds"] = listJson(folder.list(SOUND_EXTENSIONS));
    std::vector<std::string> physics;
    std::vector<std::string> projects;
    for (const std::string& name : folder.list({"json"})) {
        const std::string kind = kindOfJson(folder, name);
        if (kind == "physics") physics.push_back(name);
        if (kind == "project" && name.find('/') == std::string::npos) projects.push_back(name);
    }
    lists["physics"] = listJson(physics);
    lists["projects"] = listJson(projects);
    out["warnings"] = listJson(info.warnings);
    json = tavrix_media::compactJsonText(out);
    return true;
}

bool ViewerSession::readState(const Json::Value& json, ViewState& state, OpenScene*& open, Failure& failure)
{
    std::string why;
    if (!readViewState(json, state, why)) return fail(failure, 400, why);
    CompositionChoice composition;
    composition.width = state.width;
    composition.height = state.height;
    composition.frameRate = state.frameRate;
    open = sceneFor(state.document, composition, failure);
    if (!open) return false;
    if (!checkSliders(state, open->scene->info(), why)) return fail(failure, 400, why);
    return true;
}

bool ViewerSession::pose(OpenScene& open, const ViewState& state, int frame, Pose& pose, Failure& failure)
{
    Scene& scene = *open.scene;
    tavrix::ATavrixModel* model = scene.puppetModel();
    const bool animated = state.animation.active() && model;
    pose.sliders.clear();
    if (animated) {
        std::string why;
        if (!open.animation->valuesAt(state, frame, files, pose.rows, why)) return fail(failure, 400, why);
    } else {
        open.animation->forget();
        pose.rows = model ? tavrix_stage::paramDefaults(*model) : std::vector<float>();
    }
    for (const SliderInfo& slider : scene.info().sliders) {
        SliderValue value{slider.defaultX, slider.defaultY, slider.point};
        auto keys = state.keys.find(slider.index);
        const bool keyed = keys != state.keys.end() && !keys->second.empty();
        if (animated && slider.row >= 0) {
            value.x = pose.rows[static_cast<size_t>(slider.row)];
            scene.setSlider(slider.index, value);
        } else if (keyed) {
            tavrix_host::ParamTrack track;
            for (const SliderKey& key : keys->second) track.add(key.frame, key.value.x, key.value.y);
            const tavrix_host::ParamTrack::Key at = track.valueAt(frame);
            value.x = at.x;
            value.y = at.y;
            scene.setSliderKeys(slider.index, keys->second);
        } else {
            auto given = state.values.find(slider.index);
            if (given != state.values.end()) value = given->second;
            scene.setSlider(slider.index, value);
        }
        if (!animated && slider.row >= 0) pose.rows[static_cast<size_t>(slider.row)] = static_cast<float>(value.x);
        pose.sliders.emplace_back(slider.index, value);
    }
    if (!animated) scene.poseModel(pose.rows);
    return true;
}

bool ViewerSession::render(OpenScene& open, const ViewState& state, tavrix_media::RgbaImage& image, Pose& posed,
                           Failure& failure)
{
    if (!pose(open, state, state.frame, posed, failure)) return false;
    std::string why;
    if (!open.scene->renderFrame(state.frame, image, why)) return fail(failure, 500, why);
    if (state.hasBackground) tavrix_media::compositeOver(image, state.background);
    return true;
}

bool ViewerSession::frame(const Json::Value& request, std::string& message, Failure& failure)
{
    const auto started = std::chrono::steady_clock::now();
    ViewState state;
    OpenScene* open = nullptr;
    if (!request.isObject() || !request.isMember("state")) return fail(failure, 400, "a request needs a \"state\"");
    if (!readState(request["state"], state, open, failure)) return false;
    tavrix_media::RgbaImage image;
    Pose posed;
    if (!render(*open, state, image, posed, failure)) return false;

    Scene& scene = *open->scene;
    Json::Value header(Json::objectValue);
    header["type"] = "frame";
    header["id"] = request.get("id", 0);
    header["frame"] = state.frame;
    header["width"] = image.width;
    header["height"] = image.height;
    header["opaque"] = state.hasBackground && state.background.a == 255;
    Json::Value& values = header["values"] = Json::Value(Json::objectValue);
    std::string setOptions;
    SliderValue position{0, 0, true};
    double scale = 100;
    for (const auto& [index, value] : posed.sliders) {
        values[std::to_string(index)] = sliderValueJson(value);
        if (index == POSITION) position = value;
        if (index == SCALE) scale = value.x;
        const SliderInfo* slider = scene.info().slider(index);
        // What `tavrix draw --set` takes for the same pose: the float the
        // model gets, in digits that read back to it.
        if (slider && slider->row >= 0 && static_cast<float>(value.x) != static_cast<float>(slider->defaultX)) {
            char option[64];
            std::snprintf(option, sizeof option, "%.9g", static_cast<double>(static_cast<float>(value.x)));
            setOptions += (setOptions.empty() ? "--set " : " --set ") + slider->name + "=" + option;
        }
    }
    header["setOptions"] = setOptions;
    header["naturalFrameCount"] = state.animation.active() ? open->animation->naturalFrameCount() : 0;
    header["renderMs"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    std::string text = tavrix_media::compactJsonText(header);
    if (state.rig) {
        // The facts are long: spliced in as written rather than re-parsed.
        text.pop_back();
        text += ",\"rig\":" + scene.rigJson(position, scale) + "}";
    }
    message = frameMessage(text, image);
    return true;
}

bool ViewerSession::exportPng(const Json::Value& json, std::string& png, Failure& failure)
{
    ViewState state;
    OpenScene* open = nullptr;
    if (!readState(json, state, open, failure)) return false;
    tavrix_media::RgbaImage image;
    Pose posed;
    if (!render(*open, state, image, posed, failure)) return false;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!tavrix_media::encodePng(image, bytes, why)) return fail(failure, 500, "cannot encode the frame: " + why);
    png.assign(bytes.begin(), bytes.end());
    return true;
}

int ViewerSession::keptSoundSlider(OpenScene& open, const ViewState& state,
                                   const std::vector<std::vector<float>>& frames)
{
    const LipSyncChoice& lip = state.animation.lipSync;
    const SliderInfo* mouth = nullptr;
    for (const SliderInfo& slider : open.scene->info().sliders) {
        if (slider.row >= 0 && slider.name == lip.param) mouth = &slider;
    }
    if (!mouth || state.pinned.count(mouth->index) || state.keys.count(mouth->index)) return -1;
    std::string why;
    std::shared_ptr<const tavrix_media::AudioTrack> sound = files.sound(lip.file, why);
    if (!sound) return -1;
    const tavrix_media::LipSync lipSync(*sound, lip.settings);
    // The value `tavrix render` gives the slider from an "audio" entry.
    for (size_t frame = 0; frame < frames.size(); ++frame) {
        const double share = lipSync.opennessAt(static_cast<double>(frame) / state.frameRate - lip.offsetSeconds);
        const double value = std::clamp(mouth->min + share * (mouth->max - mouth->min), mouth->min, mouth->max);
        if (static_cast<float>(value) != frames[frame][static_cast<size_t>(mouth->row)]) return -1;
    }
    return mouth->index;
}

bool ViewerSession::save(const std::string& name, const Json::Value& json, std::string& answer, Failure& failure)
{
    if (name.size() < 6 || name.compare(name.size() - 5, 5, ".json") != 0) {
        return fail(failure, 400, "name: a project file's name ends in .json (is '" + name + "')");
    }
    std::string path;
    if (!folder.newFile(name, path, failure.status, failure.reason)) return false;
    std::error_code error;
    if (std::filesystem::exists(path, error) && kindOfJson(folder, name) != "project") {
        return fail(failure, 409, "'" + name + "' exists and is not a project; choose another name");
    }
    ViewState state;
    OpenScene* open = nullptr;
    if (!readState(json, state, open, failure)) return false;

    std::vector<std::string> warnings;
    std::vector<std::vector<float>> frames;
    const bool animated = state.animation.active() && open->scene->puppetModel();
    int soundSlider = -1;
    if (animated) {
        for (int frame = 0; frame < state.frameCount; ++frame) {
            std::vector<float> rows;
            std::string why;
            if (!open->animation->valuesAt(state, frame, files, rows, why)) return fail(failure, 400, why);
            frames.push_back(std::move(rows));
        }
        if (state.animation.hasLipSync) {
            soundSlider = keptSoundSlider(*open, state, frames);
            if (soundSlider < 0) {
                warnings.push_back("the mouth is held or keyed, or moved by more than the sound, so its values are "
                                   "saved as keys and the project carries no sound");
            }
        }
    }
    const Json::Value document = shotDocument(*open->scene, state, animated ? &frames : nullptr, soundSlider);
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "  ";
    tavrix_project::Project project;
    std::string why;
    // Only what `tavrix render` takes is written.
    if (!tavrix_project::ProjectFile::parse(Json::writeString(writer, document), path, project, why)) {
        return fail(failure, 422, "the shot does not make a valid project: " + why);
    }
    if (!tavrix_project::ProjectFile::save(project, {}, path, why)) return fail(failure, 500, why);

    Json::Value out(Json::objectValue);
    out["saved"] = name;
    out["warnings"] = listJson(warnings);
    std::string render = "tavrix render " + name + " -o 'frames/frame_####.png'";
    if (state.hasBackground) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x%02x", state.background.r, state.background.g,
                      state.background.b, state.background.a);
        render += std::string(" --background '") + colour + "'";
    }
    out["render"] = render;
    answer = tavrix_media::compactJsonText(out);
    return true;
}

} // namespace tavrix_viewer
