#include "ViewState.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "CheckedJson.h"
#include "JsonText.h"

namespace tavrix_viewer {

namespace {

using namespace tavrix_media::checked_json;

std::string numberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// A slider's index as the member name it is given under.
int sliderIndex(const std::string& name, const std::string& where)
{
    if (name.empty() || name.size() > 4 || name.find_first_not_of("0123456789") != std::string::npos) {
        refuse(where, "slider names are effect parameter indices");
    }
    return std::atoi(name.c_str());
}

SliderValue readValue(const Json::Value& value, const std::string& where)
{
    if (value.isArray()) {
        if (value.size() != 2) refuse(where, "a point must be [x, y]");
        return SliderValue{number(value[0], element(where, 0)), number(value[1], element(where, 1)), true};
    }
    return SliderValue{number(value, where), 0, false};
}

FileChoice readFileChoice(const Json::Value& value, const std::string& where)
{
    FileChoice choice;
    if (value.isString()) {
        choice.file = value.asString();
        if (choice.file.empty()) refuse(where, "must name a file");
        return choice;
    }
    allowOnly(value, where, {"upload"});
    choice.upload = static_cast<int>(wholeNumber(value["upload"], member(where, "upload"), 1, 1 << 30));
    return choice;
}

void readAnimation(const Json::Value& value, const std::string& where, AnimationSetup& animation)
{
    allowOnly(value, where, {"motions", "loop", "blink", "physics", "lipsync"});
    if (value.isMember("motions")) {
        const std::string motionsWhere = member(where, "motions");
        const Json::Value& motions = value["motions"];
        if (!motions.isArray()) refuse(motionsWhere, "must be an array");
        if (motions.size() > ViewState::MAX_MOTIONS) {
            refuse(motionsWhere, "at most " + std::to_string(ViewState::MAX_MOTIONS) + " motions are played");
        }
        for (Json::ArrayIndex i = 0; i < motions.size(); ++i) {
            const std::string motionWhere = element(motionsWhere, i);
            allowOnly(motions[i], motionWhere, {"file", "upload", "start"});
            MotionChoice motion;
            if (motions[i].isMember("file") == motions[i].isMember("upload")) {
                refuse(motionWhere, "needs either \"file\" or \"upload\"");
            }
            if (motions[i].isMember("file")) {
                motion.source = readFileChoice(motions[i]["file"], member(motionWhere, "file"));
            } else {
                Json::Value upload(Json::objectValue);
                upload["upload"] = motions[i]["upload"];
                motion.source = readFileChoice(upload, motionWhere);
            }
            if (motions[i].isMember("start")) {
                motion.startSeconds = numberBetween(motions[i]["start"], member(motionWhere, "start"), 0, 86400);
            }
            animation.motions.push_back(motion);
        }
    }
    if (value.isMember("loop")) {
        if (!value["loop"].isBool()) refuse(member(where, "loop"), "must be true or false");
        animation.loop = value["loop"].asBool();
    }
    if (value.isMember("blink") && !value["blink"].isNull()) {
        animation.blink = true;
        animation.blinkSeed = static_cast<unsigned>(wholeNumber(value["blink"], member(where, "blink"), 0, 4294967295LL));
    }
    if (value.isMember("physics") && !value["physics"].isNull()) {
        animation.hasPhysics = true;
        animation.physics = readFileChoice(value["physics"], member(where, "physics"));
    }
    if (value.isMember("lipsync") && !value["lipsync"].isNull()) {
        using tavrix_media::LipSyncSettings;
        const std::string lipWhere = member(where, "lipsync");
        const Json::Value& lip = value["lipsync"];
        allowOnly(lip, lipWhere, {"file", "param", "gain", "gate", "smoothing", "offset"});
        animation.hasLipSync = true;
        LipSyncChoice& choice = animation.lipSync;
        if (!lip.isMember("file")) refuse(member(lipWhere, "file"), "is missing");
        choice.file = text(lip["file"], member(lipWhere, "file"));
        if (choice.file.empty()) refuse(member(lipWhere, "file"), "must name a sound file");
        if (lip.isMember("param")) choice.param = text(lip["param"], member(lipWhere, "param"));
        if (lip.isMember("gain")) {
            choice.settings.gain = numberBetween(lip["gain"], member(lipWhere, "gain"), 0, LipSyncSettings::MAX_GAIN);
        }
        if (lip.isMember("gate")) {
            choice.settings.gate = numberBetween(lip["gate"], member(lipWhere, "gate"), 0, LipSyncSettings::MAX_GATE);
        }
        if (lip.isMember("smoothing")) {
            choice.settings.smoothingSeconds =
                numberBetween(lip["smoothing"], member(lipWhere, "smoothing"), tavrix_media::LipSync::LOUDNESS_WINDOW_SECONDS,
                              LipSyncSettings::MAX_SMOOTHING_SECONDS);
        }
        if (lip.isMember("offset")) {
            choice.offsetSeconds = numberBetween(lip["offset"], member(lipWhere, "offset"), -tavrix_media::MAX_AUDIO_SECONDS,
                                                 tavrix_media::MAX_AUDIO_SECONDS);
        }
    }
}

void readState(const Json::Value& root, ViewState& state)
{
    const std::string where = "state";
    allowOnly(root, where, {"document", "frame", "composition", "background", "values", "keys", "pinned",
                            "animation", "rig"});
    if (root.isMember("document")) state.document = text(root["document"], member(where, "document"));

    const std::string compositionWhere = member(where, "composition");
    if (!root.isMember("composition")) refuse(compositionWhere, "is missing");
    const Json::Value& composition = root["composition"];
    allowOnly(composition, compositionWhere, {"width", "height", "frameRate", "frameCount"});
    for (const char* name : {"width", "height", "frameRate", "frameCount"}) {
        if (!composition.isMember(name)) refuse(member(compositionWhere, name), "is missing");
    }
    state.width = static_cast<int>(wholeNumber(composition["width"], member(compositionWhere, "width"), 1, ViewState::MAX_SIDE));
    state.height =
        static_cast<int>(wholeNumber(composition["height"], member(compositionWhere, "height"), 1, ViewState::MAX_SIDE));
    state.frameRate = number(composition["frameRate"], member(compositionWhere, "frameRate"));
    if (state.frameRate <= 0 || state.frameRate > 1000) {
        refuse(member(compositionWhere, "frameRate"), "must lie above 0 and at most 1000");
    }
    state.frameCount = static_cast<int>(
        wholeNumber(composition["frameCount"], member(compositionWhere, "frameCount"), 1, ViewState::MAX_FRAME_COUNT));
    if (root.isMember("frame")) {
        state.frame = static_cast<int>(wholeNumber(root["frame"], member(where, "frame"), 0, state.frameCount - 1));
    }

    if (root.isMember("background") && !root["background"].isNull()) {
        std::string why;
        if (!tavrix_media::parseColor(text(root["background"], member(where, "background")), state.background, why)) {
            refuse(member(where, "background"), why);
        }
        state.hasBackground = true;
    }
    if (root.isMember("values")) {
        const std::string valuesWhere = member(where, "values");
        if (!root["values"].isObject()) refuse(valuesWhere, "must be an object");
        for (const std::string& name : root["values"].getMemberNames()) {
            const std::string valueWhere = member(valuesWhere, name);
            state.values[sliderIndex(name, valueWhere)] = readValue(root["values"][name], valueWhere);
        }
    }
    if (root.isMember("keys")) {
        const std::string keysWhere = member(where, "keys");
        if (!root["keys"].isObject()) refuse(keysWhere, "must be an object");
        for (const std::string& name : root["keys"].getMemberNames()) {
            const std::string trackWhere = member(keysWhere, name);
            const Json::Value& track = root["keys"][name];
            if (!track.isArray()) refuse(trackWhere, "must be an array of [frame, value] keys");
            if (track.size() > static_cast<Json::ArrayIndex>(ViewState::MAX_FRAME_COUNT)) {
                refuse(trackWhere, "has more keys than a shot has frames");
            }
            std::vector<SliderKey>& keys = state.keys[sliderIndex(name, trackWhere)];
            for (Json::ArrayIndex i = 0; i < track.size(); ++i) {
                const std::string keyWhere = element(trackWhere, i);
                if (!track[i].isArray() || track[i].size() != 2) refuse(keyWhere, "a key is [frame, value]");
                SliderKey key;
                key.frame = numberBetween(track[i][0], element(keyWhere, 0), 0, ViewState::MAX_FRAME_COUNT);
                if (!keys.empty() && key.frame <= keys.back().frame) {
                    refuse(element(keyWhere, 0), "must come after the frame of the key before");
                }
                key.value = readValue(track[i][1], element(keyWhere, 1));
                keys.push_back(key);
            }
        }
    }
    if (root.isMember("pinned")) {
        const std::string pinnedWhere = member(where, "pinned");
        const Json::Value& pinned = root["pinned"];
        if (!pinned.isArray()) refuse(pinnedWhere, "must be an array of slider indices");
        for (Json::ArrayIndex i = 0; i < pinned.size(); ++i) {
            state.pinned.insert(static_cast<int>(wholeNumber(pinned[i], element(pinnedWhere, i), 0, 9999)));
        }
    }
    if (root.isMember("animation")) readAnimation(root["animation"], member(where, "animation"), state.animation);
    if (state.animation.active() && state.frameRate != std::floor(state.frameRate)) {
        refuse(member(compositionWhere, "frameRate"), "motions, blinking, hairs and lip sync play at a whole number of "
                                                      "frames per second (is " + numberText(state.frameRate) + ")");
    }
    if (root.isMember("rig")) {
        if (!root["rig"].isBool()) refuse(member(where, "rig"), "must be true or false");
        state.rig = root["rig"].asBool();
    }
}

void checkValue(const SliderInfo& slider, const SliderValue& value, const std::string& where)
{
    if (value.point != slider.point) refuse(where, slider.point ? "a point takes [x, y]" : "takes a number");
    // A point may leave the layer; a slider keeps to its range.
    if (slider.point) {
        const double limit = 1e6;
        if (std::fabs(value.x) > limit || std::fabs(value.y) > limit) {
            refuse(where, "a point's coordinates must lie within " + numberText(limit) + " pixels");
        }
        return;
    }
    if (value.x < slider.min || value.x > slider.max) {
        refuse(where, "must lie between " + numberText(slider.min) + " and " + numberText(slider.max) + " (is " +
                          numberText(value.x) + ")");
    }
}

const SliderInfo& sliderOf(const SceneInfo& scene, int index, const std::string& where)
{
    const SliderInfo* slider = scene.slider(index);
    if (!slider) refuse(where, "the document has no slider " + std::to_string(index));
    return *slider;
}

} // namespace

bool parsePageJson(const std::string& text, Json::Value& root, std::string& why)
{
    // A page's state is a few levels deep.
    const int deepest = 64;
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    builder.settings_["stackLimit"] = deepest;
    std::string report;
    if (tavrix_media::parseJsonText(text, builder, root, &report)) return true;
    for (char& c : report) {
        if (c == '\n') c = ' ';
    }
    why = "not valid JSON: " + report;
    return false;
}

bool readViewState(const Json::Value& root, ViewState& state, std::string& why)
{
    state = ViewState();
    try {
        readState(root, state);
    } catch (const Refusal& refusal) {
        why = refusal.where + ": " + refusal.what;
        return false;
    }
    return true;
}

bool checkSliders(const ViewState& state, const SceneInfo& scene, std::string& why)
{
    try {
        for (const auto& [index, value] : state.values) {
            const std::string where = "state.values." + std::to_string(index);
            const SliderInfo& slider = sliderOf(scene, index, where);
            checkValue(slider, value, where + " (" + slider.name + ")");
        }
        for (const auto& [index, keys] : state.keys) {
            const std::string where = "state.keys." + std::to_string(index);
            const SliderInfo& slider = sliderOf(scene, index, where);
            for (size_t i = 0; i < keys.size(); ++i) {
                checkValue(slider, keys[i].value, where + "[" + std::to_string(i) + "] (" + slider.name + ")");
            }
        }
        for (int index : state.pinned) sliderOf(scene, index, "state.pinned");
    } catch (const Refusal& refusal) {
        why = refusal.where + ": " + refusal.what;
        return false;
    }
    return true;
}

} // namespace tavrix_viewer
