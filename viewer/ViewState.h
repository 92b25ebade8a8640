// What a page asks to see: the document, the frame, the composition, the
// sliders' values and keys, the animation and what to show over the
// picture. Every request carries all of it, so any request can be answered
// on its own and the newest one always wins.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include <json/json.h>

#include "LipSync.h"
#include "SceneInfo.h"
#include "TextValues.h"

namespace tavrix_viewer {

// A file of the opened folder, or one dropped onto the page (its upload
// number).
struct FileChoice {
    std::string file;
    int upload = 0;
    std::string label() const { return upload ? "dropped file " + std::to_string(upload) : file; }
};

struct MotionChoice {
    FileChoice source;
    double startSeconds = 0;
};

struct LipSyncChoice {
    std::string file;
    // A model parameter id.
    std::string param = "PARAM_MOUTH_OPEN_Y";
    tavrix_media::LipSyncSettings settings;
    double offsetSeconds = 0;
};

// The animation `tavrix play` would run with the same options.
struct AnimationSetup {
    std::vector<MotionChoice> motions;
    bool loop = false;
    bool blink = false;
    unsigned blinkSeed = 0;
    bool hasPhysics = false;
    FileChoice physics;
    bool hasLipSync = false;
    LipSyncChoice lipSync;

    bool active() const { return !motions.empty() || blink || hasPhysics || hasLipSync; }
};

struct ViewState {
    // Largest picture side and longest shot the viewer takes.
    static constexpr int MAX_SIDE = 4096;
    static constexpr int MAX_FRAME_COUNT = 100000;
    static constexpr size_t MAX_MOTIONS = 32;

    std::string document;
    int frame = 0;
    int width = 0;
    int height = 0;
    double frameRate = 0;
    int frameCount = 0;
    bool hasBackground = false;
    tavrix_media::Rgba8 background;
    std::map<int, SliderValue> values;
    std::map<int, std::vector<SliderKey>> keys;
    std::set<int> pinned;
    AnimationSetup animation;
    bool rig = false;
};

// Parses JSON text a page sent (strict, and only a few levels deep: the
// server's threads have small stacks); false with the reader's report.
bool parsePageJson(const std::string& text, Json::Value& root, std::string& why);
// Reads a page's state; false with the member at fault and why (such as
// "state.composition.width: must lie between 1 and 4096 (is 0)").
bool readViewState(const Json::Value& root, ViewState& state, std::string& why);
// Checks the sliders a state names against the document's: each must exist
// and every value lie in its range.
bool checkSliders(const ViewState& state, const SceneInfo& scene, std::string& why);

} // namespace tavrix_viewer
