#include "Scene.h"

#include <cstdlib>
#include <filesystem>

#include "ATavrixModel.h"
#include "EffectInstance.h"
#include "FolderAccess.h"
#include "Host.h"
#include "JsonText.h"
#include "ModelContext.h"
#include "ModelFacts.h"
#include "ModelFiles.h"
#include "ProjectFile.h"
#include "TextValues.h"
#include "type/LDString.h"

namespace fs = std::filesystem;

namespace tavrix_viewer {

namespace {

// The effect's parameters, by index.
const int POSITION = 3;
const int SCALE = 4;
const int FIRST_MODEL_SLIDER = 7;
const int MODEL_SLIDER_COUNT = 256;

// Where a file lies seen from folder: a plain relative path.
std::string relativeTo(const std::string& folder, const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::weakly_canonical(path, error);
    if (error) absolute = fs::absolute(path);
    return absolute.lexically_relative(folder).generic_string();
}

// A model shown as a composition of one layer whose effect loads it through
// its dialog, as a user would, and stands it where `tavrix draw` draws it:
// the canvas across the picture's width, its top at the top edge.
Json::Value modelDocument(const std::string& modelPath, const tavrix_stage::ModelFiles& files, const std::string& folder,
                          int width, int height, int frameRate, int frameCount)
{
    Json::Value document(Json::objectValue);
    Json::Value& composition = document["composition"];
    composition["width"] = width;
    composition["height"] = height;
    composition["frameRate"] = frameRate;
    composition["frameCount"] = frameCount;
    Json::Value load(Json::arrayValue);
    Json::Value action(Json::objectValue);
    if (tavrix_stage::isModelJson(modelPath)) {
        action["select"] = "JSON";
        load.append(action);
        action = Json::Value(Json::objectValue);
        action["chooseJson"] = relativeTo(folder, modelPath);
        load.append(action);
    } else {
        action["select"] = "Model and Texture";
        load.append(action);
        action = Json::Value(Json::objectValue);
        action["chooseModel"] = relativeTo(folder, files.model);
        load.append(action);
        if (!files.textures.empty()) {
            action = Json::Value(Json::objectValue);
            Json::Value& textures = action["chooseTextures"] = Json::Value(Json::arrayValue);
            for (const std::string& texture : files.textures) textures.append(relativeTo(folder, texture));
            load.append(action);
        }
    }
    action = Json::Value(Json::objectValue);
    action["press"] = "OK";
    load.append(action);
    Json::Value layer(Json::objectValue);
    layer["name"] = "puppet";
    layer["effect"]["load"] = load;
    document["layers"].append(layer);
    return document;
}

std::unique_ptr<tavrix::ATavrixModel> loadBareModel(const std::string& path, std::string& why)
{
    auto model = std::make_unique<tavrix::ATavrixModel>();
    const int result = tavrix::ATavrixModel::loadModel_exe(model.get(), tavrix::LDString(path.c_str()));
    if (result != tavrix::ATavrixModel::LOAD_OK) {
        why = tavrix_stage::describeLoadFailure(path, result);
        return nullptr;
    }
    return model;
}

std::string savedModelPath(const std::string& state)
{
    Json::CharReaderBuilder builder;
    Json::Value root;
    if (!tavrix_media::parseJsonText(state, builder, root, nullptr) || !root.isObject()) return "";
    const Json::Value& path = root["modelPath"];
    return path.isString() ? path.asString() : "";
}

} // namespace

Scene::Scene(tavrix_host::Host& host) : renderer(host) {}

Scene::~Scene()
{
    renderer.close();
}

std::unique_ptr<Scene> Scene::open(tavrix_host::Host& host, const SceneSource& source,
                                   const CompositionChoice& composition, const FolderAccess& folder, std::string& why)
{
    std::unique_ptr<Scene> scene(new Scene(host));
    scene->origin = source;
    Json::Value document;
    std::string projectPath = source.path;
    if (source.isModel) {
        tavrix_stage::ModelFiles files;
        if (!tavrix_stage::resolveModelFiles(source.path, source.textures, files, why)) return nullptr;
        scene->model = loadBareModel(files.model, why);
        if (!scene->model) return nullptr;
        int width = 0;
        int height = 0;
        if (!tavrix_media::imageSizeOfCanvas(scene->model->getCanvasWidth(), scene->model->getCanvasHeight(), width,
                                             height, DEFAULT_MODEL_SIDE)) {
            why = files.model + ": the model's canvas has no size";
            return nullptr;
        }
        document = modelDocument(source.path, files, folder.root(), width, height,
                                 DEFAULT_MODEL_FPS, 5 * DEFAULT_MODEL_FPS);
    } else {
        tavrix_project::Project read;
        if (!tavrix_project::ProjectFile::load(source.path, read, why)) return nullptr;
        document = read.document;
    }
    Json::Value& size = document["composition"];
    if (composition.width > 0) size["width"] = composition.width;
    if (composition.height > 0) size["height"] = composition.height;
    if (composition.frameRate > 0) size["frameRate"] = composition.frameRate;
    if (composition.frameCount > 0) size["frameCount"] = composition.frameCount;
    if (source.isModel) {
        // The canvas's top-left quarter point, as `tavrix draw` places it.
        Json::Value position(Json::arrayValue);
        position.append(size["width"].asDouble() / 2);
        position.append(size["width"].asDouble() / 2);
        document["layers"][0]["effect"]["params"]["Position"] = position;
    }
    Json::StreamWriterBuilder writer;
    if (!tavrix_project::ProjectFile::parse(Json::writeString(writer, document), projectPath, scene->project, why)) {
        return nullptr;
    }
    std::vector<std::string> warnings;
    if (!scene->renderer.open(scene->project, why, warnings)) return nullptr;
    scene->description.warnings = warnings;
    if (!scene->findPuppet(folder, why)) return nullptr;
    scene->describe(folder);
    return scene;
}

bool Scene::findPuppet(const FolderAccess&, std::string& why)
{
    if (origin.isModel) {
        description.puppetLayer = 0;
    } else {
        // The first layer whose effect holds a model: what its saved state names.
        std::vector<std::string> states;
        if (!renderer.saveStates(states, true, why)) return false;
        for (size_t i = 0; i < states.size() && description.puppetLayer < 0; ++i) {
            const std::string path = savedModelPath(states[i]);
            if (path.empty()) continue;
            std::string failure;
            model = loadBareModel(path, failure);
            if (model) {
                description.puppetLayer = static_cast<int>(i);
            } else {
                description.warnings.push_back(failure);
            }
        }
    }
    if (model) params = tavrix_stage::modelParams(*model);
    return true;
}

void Scene::describe(const FolderAccess& folder)
{
    SceneInfo& info = description;
    info.kind = origin.isModel ? "model" : "project";
    info.document = origin.document;
    if (!folder.nameOf(origin.path, info.file)) info.file = fs::path(origin.path).filename().string();
    info.width = project.width;
    info.height = project.height;
    info.frameRate = project.frameRate;
    info.frameCount = project.frameCount;
    if (model) {
        info.canvasWidth = model->getCanvasWidth();
        info.canvasHeight = model->getCanvasHeight();
    }
    if (info.puppetLayer < 0) return;
    tavrix_host::EffectInstance* instance = renderer.instanceOf(static_cast<size_t>(info.puppetLayer));
    if (!instance) return;

    const tavrix_host::EffectInstance::Param& position = instance->param(POSITION);
    SliderInfo slider;
    slider.index = POSITION;
    slider.name = slider.stream = position.streamName;
    slider.point = true;
    slider.defaultX = position.def.u.td.x_value / 65536.0;
    slider.defaultY = position.def.u.td.y_value / 65536.0;
    info.sliders.push_back(slider);
    const tavrix_host::EffectInstance::Param& scale = instance->param(SCALE);
    slider = SliderInfo();
    slider.index = SCALE;
    slider.name = slider.stream = scale.streamName;
    slider.min = scale.def.u.fs_d.valid_min;
    slider.max = scale.def.u.fs_d.valid_max;
    slider.defaultX = scale.def.u.fs_d.dephault;
    info.sliders.push_back(slider);
    for (size_t i = 0; i < params.size() && i < static_cast<size_t>(MODEL_SLIDER_COUNT); ++i) {
        slider = SliderInfo();
        slider.index = FIRST_MODEL_SLIDER + static_cast<int>(i);
        slider.name = params[i].id;
        slider.stream = instance->param(static_cast<size_t>(slider.index)).streamName;
        slider.min = params[i].min;
        slider.max = params[i].max;
        slider.defaultX = params[i].defaultValue;
        slider.row = params[i].row;
        info.sliders.push_back(slider);
    }

    // What the document sets: one key is a constant, more are keys.
    for (const SliderInfo& known : info.sliders) {
        tavrix_host::EffectInstance::Param& param = instance->param(static_cast<size_t>(known.index));
        const std::vector<tavrix_host::ParamTrack::Key>& keys = param.track.keyList();
        if (keys.size() == 1) {
            info.values[known.index] = SliderValue{keys[0].x, keys[0].y, known.point};
        } else if (keys.size() > 1) {
            std::vector<SliderKey>& track = info.keys[known.index];
            for (const auto& key : keys) track.push_back(SliderKey{key.frame, SliderValue{key.x, key.y, known.point}});
        }
        // The viewer drives the mouth itself, with the animation.
        param.rangeShare = nullptr;
    }
    const tavrix_project::Project::Layer& layer = project.layers[static_cast<size_t>(info.puppetLayer)];
    if (layer.effect.hasAudio) {
        const tavrix_project::Project::Audio& audio = layer.effect.audio;
        info.hasSound = true;
        SceneSound& sound = info.sound;
        if (!folder.nameOf(audio.path, sound.file)) {
            info.warnings.push_back(audio.where + ".file: '" + audio.path +
                                    "' lies outside the opened folder, so the page cannot play it");
            sound.file.clear();
        }
        // The slider as projects may name it: an index, its name, or the
        // model parameter's.
        const std::string& named = audio.param;
        for (const SliderInfo& known : info.sliders) {
            const bool byIndex = !named.empty() && named.find_first_not_of("0123456789") == std::string::npos &&
                                 std::atoi(named.c_str()) == known.index;
            if (byIndex || known.stream == named || known.name == named) sound.param = known.name;
        }
        sound.gain = audio.lipSync.gain;
        sound.gate = audio.lipSync.gate;
        sound.smoothing = audio.lipSync.smoothingSeconds;
        sound.offset = audio.offsetSeconds;
    }
}

void Scene::poseModel(const std::vector<float>& rows)
{
    if (!model) return;
    tavrix::ModelContext* context = model->getModelContext();
    const std::vector<float> defaults = tavrix_stage::paramDefaults(*model);
    for (int row = 0; row < context->getParamCount(); ++row) {
        const size_t at = static_cast<size_t>(row);
        context->setParamFloat(static_cast<unsigned>(row), at < rows.size() ? rows[at] : defaults[at]);
    }
}

void Scene::setSlider(int index, const SliderValue& value)
{
    tavrix_host::EffectInstance* instance =
        description.puppetLayer < 0 ? nullptr : renderer.instanceOf(static_cast<size_t>(description.puppetLayer));
    if (!instance || static_cast<size_t>(index) >= instance->paramCount()) return;
    tavrix_host::ParamTrack track;
    track.add(0, value.x, value.y);
    instance->param(static_cast<size_t>(index)).track = track;
}

void Scene::setSliderKeys(int index, const std::vector<SliderKey>& keys)
{
    tavrix_host::EffectInstance* instance =
        description.puppetLayer < 0 ? nullptr : renderer.instanceOf(static_cast<size_t>(description.puppetLayer));
    if (!instance || static_cast<size_t>(index) >= instance->paramCount()) return;
    tavrix_host::ParamTrack track;
    for (const SliderKey& key : keys) track.add(key.frame, key.value.x, key.value.y);
    instance->param(static_cast<size_t>(index)).track = track;
}

std::string Scene::projectName(int index) const
{
    tavrix_host::EffectInstance* instance =
        description.puppetLayer < 0 ? nullptr : renderer.instanceOf(static_cast<size_t>(description.puppetLayer));
    if (instance && static_cast<size_t>(index) < instance->paramCount()) {
        const std::string& name = instance->param(static_cast<size_t>(index)).streamName;
        if (!name.empty() && instance->findStream(name) == index) return name;
    }
    return std::to_string(index);
}

bool Scene::renderFrame(int frame, tavrix_media::RgbaImage& image, std::string& why)
{
    int32_t width = 0;
    int32_t height = 0;
    if (!renderer.renderFrame(frame, 1, PF_Quality_HI, image.pixels, width, height, why)) return false;
    image.width = static_cast<unsigned>(width);
    image.height = static_cast<unsigned>(height);
    return true;
}

std::string Scene::rigJson(const SliderValue& position, double scale)
{
    if (!model) return "null";
    model->update();
    std::string facts = tavrix_stage::modelFactsJson(*model);
    const tavrix_project::Project::Layer& layer = project.layers[static_cast<size_t>(description.puppetLayer)];
    const double left = (project.width - layer.width) / 2;
    const double top = (project.height - layer.height) / 2;
    const double canvasWidth = model->getCanvasWidth();
    const double k = layer.width / canvasWidth * (scale / 100.0);
    const double x0 = left + position.x - k * canvasWidth / 2;
    const double y0 = top + position.y - k * canvasWidth / 2;
    const size_t end = facts.rfind('}');
    char transform[128];
    std::snprintf(transform, sizeof transform, ",\n  \"toPixel\": [%.9g, %.9g, %.9g]\n", k, x0, y0);
    return facts.substr(0, end) + transform + "}";
}

} // namespace tavrix_viewer
