#include "ShotDocument.h"

#include "Scene.h"

namespace tavrix_viewer {

Json::Value sliderValueJson(const SliderValue& value)
{
    if (!value.point) return Json::Value(value.x);
    Json::Value pair(Json::arrayValue);
    pair.append(value.x);
    pair.append(value.y);
    return pair;
}

namespace {

Json::Value keysJson(const std::vector<SliderKey>& keys)
{
    Json::Value list(Json::arrayValue);
    for (const SliderKey& key : keys) {
        Json::Value entry(Json::objectValue);
        entry["frame"] = key.frame;
        entry["value"] = sliderValueJson(key.value);
        list.append(entry);
    }
    Json::Value track(Json::objectValue);
    track["keys"] = list;
    return track;
}

// One value per frame, as keys where it changes: a key stands at the first
// and last frame of every run of equal values, so that the host's linear
// interpolation between keys gives each frame its own value.
Json::Value bakedJson(const std::vector<float>& perFrame)
{
    std::vector<SliderKey> keys;
    const size_t last = perFrame.size() - 1;
    for (size_t f = 0; f < perFrame.size(); ++f) {
        const bool runStarts = f == 0 || perFrame[f] != perFrame[f - 1];
        const bool runEnds = f == last || perFrame[f] != perFrame[f + 1];
        if (runStarts || runEnds) keys.push_back(SliderKey{static_cast<double>(f), SliderValue{perFrame[f], 0, false}});
    }
    if (keys.size() <= 2 && perFrame.front() == perFrame.back()) return Json::Value(static_cast<double>(perFrame[0]));
    return keysJson(keys);
}

} // namespace

Json::Value shotDocument(const Scene& scene, const ViewState& state,
                         const std::vector<std::vector<float>>* animatedRows, int soundSlider)
{
    Json::Value document = scene.document();
    Json::Value& composition = document["composition"];
    composition["width"] = state.width;
    composition["height"] = state.height;
    composition["frameRate"] = state.frameRate;
    composition["frameCount"] = state.frameCount;
    const SceneInfo& info = scene.info();
    if (info.puppetLayer < 0) return document;

    Json::Value& effect = document["layers"][static_cast<Json::ArrayIndex>(info.puppetLayer)]["effect"];
    Json::Value params(Json::objectValue);
    for (const SliderInfo& slider : info.sliders) {
        if (slider.index == soundSlider) continue;
        const std::string name = scene.projectName(slider.index);
        auto keys = state.keys.find(slider.index);
        if (keys != state.keys.end() && !keys->second.empty()) {
            params[name] = keysJson(keys->second);
            continue;
        }
        SliderValue value{slider.defaultX, slider.defaultY, slider.point};
        auto given = state.values.find(slider.index);
        if (given != state.values.end()) value = given->second;
        const bool held = state.pinned.count(slider.index) > 0;
        if (animatedRows && slider.row >= 0 && !held) {
            std::vector<float> perFrame;
            for (const std::vector<float>& rows : *animatedRows) {
                perFrame.push_back(static_cast<size_t>(slider.row) < rows.size() ? rows[static_cast<size_t>(slider.row)]
                                                                                  : static_cast<float>(slider.defaultX));
            }
            Json::Value baked = bakedJson(perFrame);
            // A value left at the default is the effect's own default.
            if (!baked.isDouble() || baked.asDouble() != static_cast<double>(static_cast<float>(slider.defaultX))) {
                params[name] = baked;
            }
            continue;
        }
        const bool isDefault = value.x == slider.defaultX && (!slider.point || value.y == slider.defaultY);
        // The position is written always: a model's layer stands where
        // `tavrix draw` draws, not at the layer's centre.
        if (!isDefault || slider.point) params[name] = sliderValueJson(value);
    }
    effect["params"] = params;
    effect.removeMember("audio");
    if (soundSlider >= 0) {
        const LipSyncChoice& lip = state.animation.lipSync;
        Json::Value audio(Json::objectValue);
        audio["file"] = lip.file;
        audio["param"] = scene.projectName(soundSlider);
        audio["gain"] = lip.settings.gain;
        audio["gate"] = lip.settings.gate;
        audio["smoothing"] = lip.settings.smoothingSeconds;
        audio["offset"] = lip.offsetSeconds;
        effect["audio"] = audio;
    }
    return document;
}

} // namespace tavrix_viewer
