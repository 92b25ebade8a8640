#include "ProjectRenderer.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include <json/json.h>

#include "EffectInstance.h"
#include "HostWorld.h"
#include "LipSync.h"
#include "WorldOps.h"
#include "JsonText.h"

namespace tavrix_project {

using namespace tavrix_host;
using namespace tavrix_media;

struct ProjectRenderer::Layer {
    // The layer as the project file declares it.
    const Project::Layer* entry = nullptr;
    EffectInstance* instance = nullptr;
    // The source at full resolution, and at the last scale asked for.
    std::unique_ptr<HostWorld> source;
    std::unique_ptr<HostWorld> scaled;
    int32_t scaledDownsample = 0;
    int32_t scaledQuality = -1;
    // What drives the slider of the layer's "audio" entry.
    std::unique_ptr<tavrix_media::LipSync> lipSync;
};

namespace {

// The effect's load button, by its parameter index.
const int32_t LOAD_BUTTON = 2;

bool isIndex(const std::string& key)
{
    if (key.empty() || key.size() > 4) return false;
    for (char c : key) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Whether the effect follows a model: the instance's sliders were renamed
// or hidden after one.
bool followsModel(const EffectInstance& instance, const std::vector<PF_ParamDef>& declared)
{
    for (size_t i = 0; i < instance.paramCount() && i < declared.size(); ++i) {
        if (declared[i].param_type != PF_Param_FLOAT_SLIDER) continue;
        const EffectInstance::Param& param = instance.param(i);
        if (param.hidden || param.streamName != declared[i].name) return true;
    }
    return false;
}

// The model file a saved state names, for the message when it did not load.
std::string savedModelPath(const std::string& state)
{
    Json::CharReaderBuilder builder;
    Json::Value root;
    if (!parseJsonText(state, builder, root, nullptr) || !root.isObject()) return "";
    const Json::Value& model = root["modelPath"];
    return model.isString() ? model.asString() : "";
}

std::string formatNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", value);
    return text;
}

} // namespace

ProjectRenderer::ProjectRenderer(Host& host) : host(host) {}

ProjectRenderer::~ProjectRenderer()
{
    close();
}

int32_t ProjectRenderer::scaledSize(int32_t size, int32_t downsample)
{
    return (size + downsample - 1) / downsample;
}

int32_t ProjectRenderer::offset(int32_t compositionSide, int32_t layerSide, int32_t downsample)
{
    return (compositionSide - layerSide) / 2 / downsample;
}

bool ProjectRenderer::everyFrameOpaque(int32_t downsample) const
{
    if (!project) return false;
    for (const auto& layer : layers) {
        const Project::Layer& entry = *layer->entry;
        if (layer->instance || entry.source != Project::SourceKind::Solid || entry.colour[3] != 255) continue;
        const int32_t left = offset(project->width, entry.width, downsample);
        const int32_t top = offset(project->height, entry.height, downsample);
        if (left <= 0 && top <= 0 &&
            left + scaledSize(entry.width, downsample) >= scaledSize(project->width, downsample) &&
            top + scaledSize(entry.height, downsample) >= scaledSize(project->height, downsample)) {
            return true;
        }
    }
    return false;
}

EffectInstance* ProjectRenderer::instanceOf(size_t layer) const
{
    return layer < layers.size() ? layers[layer]->instance : nullptr;
}

void ProjectRenderer::close()
{
    for (auto& layer : layers) {
        if (layer->instance && host.isOpen()) host.removeInstance(layer->instance);
    }
    layers.clear();
    project = nullptr;
}

bool ProjectRenderer::open(const Project& opened, std::string& error, std::vector<std::string>& warnings)
{
    close();
    project = &opened;
    for (const Project::Layer& entry : opened.layers) {
        layers.push_back(std::make_unique<Layer>());
        Layer& layer = *layers.back();
        layer.entry = &entry;
        layer.source = std::make_unique<HostWorld>(entry.width, entry.height);
        if (entry.source == Project::SourceKind::Solid) {
            WorldOps::fill(layer.source->world(), PF_Pixel{entry.colour[3], entry.colour[0], entry.colour[1], entry.colour[2]});
        } else if (entry.source == Project::SourceKind::Png) {
            WorldOps::fromRGBA(entry.image.data(), layer.source->world());
        }
        if (!entry.effect.present) continue;

        CommandResult result;
        layer.instance = host.addInstance(entry.width, entry.height, entry.effect.hasState ? &entry.effect.state : nullptr,
                                          &result);
        if (!layer.instance) {
            error = opened.file + ": " + entry.where + ".effect: the effect refused the layer (" +
                    std::to_string(result.err) + ")" + (result.message.empty() ? "" : ": " + result.message);
            return false;
        }
        layer.instance->setFrameRate(opened.frameRate);
        if (entry.effect.hasLoad && !loadThroughDialog(entry, *layer.instance, error)) return false;
        const bool hasModel = followsModel(*layer.instance, host.declaredParams());
        if (!hasModel && !entry.effect.state.empty()) {
            const std::string model = savedModelPath(entry.effect.state);
            warnings.push_back(opened.file + ": " + entry.where + ".effect.state: the saved model did not load" +
                               (model.empty() ? "" : " ('" + model + "' is missing or unreadable)") +
                               "; rendering without a model");
        }
        if (!bindParams(entry, *layer.instance, hasModel, error)) return false;
        if (entry.effect.hasAudio && !bindAudio(layer, hasModel, error)) return false;
    }
    return true;
}

bool ProjectRenderer::loadThroughDialog(const Project::Layer& entry, EffectInstance& instance, std::string& error)
{
    const std::string where = entry.where + ".effect.load";
    std::string scriptError;
    host.setScriptRunner([&](const std::string& script, std::string& result, std::string& failure) {
        const bool ran = scripts.run(script, entry.effect.load, result, failure);
        scriptError = failure;
        return ran;
    });
    CommandResult result = instance.userChangedParam(LOAD_BUTTON);
    host.setScriptRunner(nullptr);
    std::string failure;
    if (!scriptError.empty()) {
        // The user's own mistakes name their action already.
        failure = scriptError.rfind(where, 0) == 0 ? scriptError : where + ": " + scriptError;
    } else if (result.err || !result.message.empty()) {
        failure = where + ": " +
                  (result.message.empty() ? "the effect's load failed (" + std::to_string(result.err) + ")" : result.message);
    } else if (!followsModel(instance, host.declaredParams())) {
        failure = where + ": the dialog gave the effect no model";
    }
    if (failure.empty()) return true;
    error = project->file + ": " + failure;
    return false;
}

bool ProjectRenderer::bindParams(const Project::Layer& entry, EffectInstance& instance, bool hasModel, std::string& error)
{
    auto refuse = [&](const Project::ParamSetting& setting, const std::string& what) {
        error = project->file + ": " + setting.where + ": " + what;
        return false;
    };
    std::map<int, const Project::ParamSetting*> bound;
    for (const Project::ParamSetting& setting : entry.effect.params) {
        int index;
        if (isIndex(setting.key)) {
            index = std::atoi(setting.key.c_str());
            if (static_cast<size_t>(index) >= instance.paramCount()) return refuse(setting, "the effect has no parameter " + setting.key);
        } else {
            index = instance.findStream(setting.key);
            // Without its model the effect has none of the model's names;
            // the warning about the model covers these settings.
            if (index == -1 && !hasModel) continue;
            if (index == -1) return refuse(setting, "no parameter of the effect has this name");
            if (index == -2) return refuse(setting, "more than one parameter has this name; give its index instead");
        }
        EffectInstance::Param& param = instance.param(static_cast<size_t>(index));
        const int32_t type = param.def.param_type;
        if (type != PF_Param_POINT && type != PF_Param_FLOAT_SLIDER) {
            return refuse(setting, "parameter " + std::to_string(index) + " cannot be animated");
        }
        if (bound.count(index)) {
            return refuse(setting, "sets the same parameter as " + bound[index]->where);
        }
        bound[index] = &setting;
        const int arity = type == PF_Param_POINT ? 2 : 1;
        for (const Project::Key& key : setting.keys) {
            if (key.arity != arity) return refuse(setting, arity == 2 ? "a point takes [x, y]" : "takes a number");
            if (type == PF_Param_FLOAT_SLIDER &&
                (key.x < param.def.u.fs_d.valid_min || key.x > param.def.u.fs_d.valid_max)) {
                return refuse(setting, "must lie between " + formatNumber(param.def.u.fs_d.valid_min) + " and " +
                                           formatNumber(param.def.u.fs_d.valid_max) + " (is " + formatNumber(key.x) + ")");
            }
        }
        param.track = ParamTrack();
        for (const Project::Key& key : setting.keys) param.track.add(key.frame, key.x, key.y);
    }
    return true;
}

bool ProjectRenderer::bindAudio(Layer& layer, bool hasModel, std::string& error)
{
    const Project::Audio& audio = layer.entry->effect.audio;
    auto refuse = [&](const std::string& what) {
        error = project->file + ": " + audio.where + ".param: " + what;
        return false;
    };
    EffectInstance& instance = *layer.instance;
    int index;
    if (isIndex(audio.param)) {
        index = std::atoi(audio.param.c_str());
        if (static_cast<size_t>(index) >= instance.paramCount()) return refuse("the effect has no parameter " + audio.param);
    } else {
        index = instance.findStream(audio.param);
        // A model parameter's slider bears its name without the prefix.
        const std::string prefix = "PARAM_";
        if (index == -1 && audio.param.compare(0, prefix.size(), prefix) == 0 && audio.param.size() > prefix.size()) {
            index = instance.findStream(audio.param.substr(prefix.size(), 31));
        }
        // As with params: the warning about the missing model covers it.
        if (index == -1 && !hasModel) return true;
        if (index == -1) return refuse("no parameter of the effect has this name");
        if (index == -2) return refuse("more than one parameter has this name; give its index instead");
    }
    EffectInstance::Param& param = instance.param(static_cast<size_t>(index));
    if (param.def.param_type != PF_Param_FLOAT_SLIDER) {
        return refuse("parameter " + std::to_string(index) + " is not a slider");
    }
    if (!param.track.empty()) return refuse("the effect's params set this slider too");
    layer.lipSync = std::make_unique<tavrix_media::LipSync>(audio.track, audio.lipSync);
    const tavrix_media::LipSync* lipSync = layer.lipSync.get();
    const double frameRate = project->frameRate;
    const double offset = audio.offsetSeconds;
    param.rangeShare = [lipSync, frameRate, offset](double frame) { return lipSync->opennessAt(frame / frameRate - offset); };
    return true;
}

HostWorld& ProjectRenderer::inputOf(Layer& layer, int32_t downsample, int32_t quality)
{
    if (downsample == 1) return *layer.source;
    if (!layer.scaled || layer.scaledDownsample != downsample || layer.scaledQuality != quality) {
        layer.scaled = std::make_unique<HostWorld>(scaledSize(layer.entry->width, downsample),
                                                   scaledSize(layer.entry->height, downsample));
        WorldOps::copy(layer.source->world(), layer.scaled->world(), quality == PF_Quality_HI);
        layer.scaledDownsample = downsample;
        layer.scaledQuality = quality;
    }
    return *layer.scaled;
}

bool ProjectRenderer::renderFrame(int32_t frame, int32_t downsample, int32_t quality, std::vector<uint8_t>& rgba,
                                  int32_t& width, int32_t& height, std::string& error)
{
    width = scaledSize(project->width, downsample);
    height = scaledSize(project->height, downsample);
    rgba.assign(static_cast<size_t>(width) * height * 4, 0);
    // Bottom layer first; each layer is centred in the composition.
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        Layer& layer = **it;
        HostWorld& input = inputOf(layer, downsample, quality);
        const PF_EffectWorld* shown = &input.world();
        HostWorld output(input.width(), input.height());
        if (layer.instance) {
            EffectInstance::RenderRequest request;
            request.frame = frame;
            request.downsample = downsample;
            request.quality = quality;
            request.input = &input.world();
            request.output = &output.world();
            CommandResult result = layer.instance->render(request);
            if (result.err) {
                error = "frame " + std::to_string(frame) + ": " + layer.entry->where + ": the effect failed (" +
                        std::to_string(result.err) + ")" + (result.message.empty() ? "" : ": " + result.message);
                return false;
            }
            shown = &output.world();
        }
        const int32_t left = offset(project->width, layer.entry->width, downsample);
        const int32_t top = offset(project->height, layer.entry->height, downsample);
        WorldOps::compositeOver(*shown, left, top, rgba, width, height);
    }
    return true;
}

bool ProjectRenderer::saveStates(std::vector<std::string>& states, bool reopen, std::string& error)
{
    states.assign(layers.size(), std::string());
    for (size_t i = 0; i < layers.size(); ++i) {
        EffectInstance* instance = layers[i]->instance;
        if (!instance) continue;
        CommandResult result = instance->flatten(states[i]);
        if (result.err) {
            error = layers[i]->entry->where + ": the effect could not be saved (" + std::to_string(result.err) + ")";
            return false;
        }
        if (reopen) instance->reopen();
    }
    return true;
}

} // namespace tavrix_project
