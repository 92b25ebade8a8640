// The settings of a "Tavrix Puppet" source as plain values, read from the
// source's settings object. A scene collection and a remote-control script
// address them by these stable keys; a model parameter's key is its id.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <obs-data.h>

#include "MouthOpening.h"

namespace tavrix_obs {

namespace keys {
constexpr const char* MODEL_FILE = "model_file";
constexpr const char* WIDTH = "width";
constexpr const char* HEIGHT = "height";
constexpr const char* OFFSET_X = "offset_x";
constexpr const char* OFFSET_Y = "offset_y";
constexpr const char* SCALE = "scale";
constexpr const char* IDLE_MOTION = "idle_motion";
constexpr const char* BLINK = "blink";
constexpr const char* BLINK_INTERVAL = "blink_interval";
constexpr const char* PHYSICS_FILE = "physics_file";
constexpr const char* LIPSYNC_SOURCE = "lipsync_source";
constexpr const char* LIPSYNC_PARAM = "lipsync_param";
constexpr const char* LIPSYNC_GAIN = "lipsync_gain";
constexpr const char* LIPSYNC_GATE = "lipsync_gate";
constexpr const char* LIPSYNC_SMOOTHING = "lipsync_smoothing";
constexpr const char* RESET_PARAMETERS = "reset_parameters";
constexpr const char* PARAMETERS = "parameters"; // the group of sliders
} // namespace keys

// Largest picture side a source draws.
constexpr int MAX_SIDE = 8192;

struct SourceSettings {
    std::string modelFile;
    int width = 0; // 0: the model's canvas
    int height = 0;
    int offsetX = 0; // pixels the puppet is moved from where it fills the width
    int offsetY = 0;
    double scale = 1.0;
    std::string idleMotion; // a motion file of the model's folder, by name
    bool blink = true;
    double blinkIntervalSeconds = 4.0;
    std::string physicsFile;
    std::string lipSyncSource; // an audio source of OBS, by name
    std::string lipSyncParam = "PARAM_MOUTH_OPEN_Y";
    tavrix_media::LipSyncSettings lipSync;
    // Values the user set for keys that are none of the above: sliders of
    // model parameters, which win over the animation.
    std::map<std::string, float> paramValues;

    // Whether the puppet stands where its canvas fills the picture's width.
    bool fillsWidth() const { return offsetX == 0 && offsetY == 0 && scale == 1.0; }
};

// Reads settings; a value of the wrong type or out of range falls back to
// the default, and a key that is not a setting is ignored, each with a line
// in problems.
SourceSettings readSourceSettings(obs_data_t* settings, std::vector<std::string>& problems);
// Puts the defaults of the keys above into settings.
void setDefaultSettings(obs_data_t* settings);

} // namespace tavrix_obs
