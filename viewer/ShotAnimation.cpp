#include "ShotAnimation.h"

#include <algorithm>
#include <cmath>

#include "ATavrixModel.h"
#include "AnimationFiles.h"
#include "JsonText.h"
#include "ModelContext.h"
#include "ParamTrack.h"
#include "Scene.h"

namespace tavrix_viewer {

namespace {

Json::Value choiceJson(const FileChoice& choice)
{
    return choice.upload ? Json::Value(choice.upload) : Json::Value(choice.file);
}

} // namespace

ShotAnimation::~ShotAnimation()
{
    forget();
}

void ShotAnimation::forget()
{
    playback.reset();
    lipSync.reset();
    sound.reset();
    signature.clear();
    played = -1;
}

std::string ShotAnimation::signatureOf(const ViewState& state)
{
    const AnimationSetup& animation = state.animation;
    Json::Value text(Json::arrayValue);
    text.append(state.document);
    text.append(state.frameRate);
    Json::Value motions(Json::arrayValue);
    for (const MotionChoice& motion : animation.motions) {
        motions.append(choiceJson(motion.source));
        motions.append(motion.startSeconds);
    }
    text.append(motions);
    text.append(animation.loop);
    text.append(animation.blink ? Json::Value(animation.blinkSeed) : Json::Value());
    text.append(animation.hasPhysics ? choiceJson(animation.physics) : Json::Value());
    if (animation.hasLipSync) {
        const LipSyncChoice& lip = animation.lipSync;
        for (const Json::Value& part :
             {Json::Value(lip.file), Json::Value(lip.param), Json::Value(lip.settings.gain), Json::Value(lip.settings.gate),
              Json::Value(lip.settings.smoothingSeconds), Json::Value(lip.offsetSeconds)}) {
            text.append(part);
        }
    }
    // Held sliders change what the motions fade from and the hairs swing with.
    Json::Value held(Json::objectValue);
    for (int index : state.pinned) {
        auto value = state.values.find(index);
        if (value != state.values.end()) held[std::to_string(index)] = value->second.x;
    }
    for (const auto& [index, keys] : state.keys) {
        Json::Value track(Json::arrayValue);
        for (const SliderKey& key : keys) {
            track.append(key.frame);
            track.append(key.value.x);
        }
        held["k" + std::to_string(index)] = track;
    }
    text.append(held);
    return tavrix_media::compactJsonText(text);
}

bool ShotAnimation::setUp(const ViewState& state, AnimationFiles& files, std::string& why)
{
    forget();
    tavrix::ATavrixModel* model = scene.puppetModel();
    if (!model) {
        why = "the document shows no puppet to animate";
        return false;
    }
    // As a freshly loaded model stands before `tavrix play`'s frame 0.
    scene.poseModel({});
    const AnimationSetup& animation = state.animation;
    const int fps = static_cast<int>(state.frameRate);
    auto run = std::make_unique<tavrix_stage::Playback>(*model, fps);
    if (animation.hasLipSync) {
        const LipSyncChoice& lip = animation.lipSync;
        const tavrix_stage::PuppetParam* mouth = nullptr;
        for (const auto& param : scene.puppetParams()) {
            if (param.id == lip.param) mouth = &param;
        }
        if (!mouth || mouth->row < 0) {
            why = "state.animation.lipsync.param: the model has no parameter " + lip.param;
            return false;
        }
        sound = files.sound(lip.file, why);
        if (!sound) {
            why = "state.animation.lipsync.file: " + why;
            return false;
        }
        lipSync = std::make_unique<tavrix_media::LipSync>(*sound, lip.settings);
        run->setLipSync(*lipSync, mouth->row, mouth->min, mouth->max, lip.offsetSeconds);
    }
    for (size_t i = 0; i < animation.motions.size(); ++i) {
        const MotionChoice& motion = animation.motions[i];
        std::vector<char> bytes;
        std::string failure;
        if (!files.motion(motion.source, bytes, failure) ||
            !run->addMotionBytes(bytes, motion.startSeconds, animation.loop, failure)) {
            why = "state.animation.motions[" + std::to_string(i) + "]: " + motion.source.label() + ": " + failure;
            return false;
        }
    }
    if (animation.blink) run->enableBlink(animation.blinkSeed);
    if (animation.hasPhysics) {
        std::vector<tavrix_stage::HairSetup> hairs;
        if (!files.physics(animation.physics, hairs, why)) {
            why = "state.animation.physics: " + why;
            return false;
        }
        run->addHairs(hairs);
    }
    // The length `tavrix play` gives a run without --duration.
    int frames = run->framesToCoverMotions();
    if (sound) {
        const double end = animation.lipSync.offsetSeconds + sound->seconds();
        frames = std::max(frames, static_cast<int>(std::ceil(end * fps - 1e-9)));
    }
    naturalFrames = frames > 0 ? frames : 5 * fps;
    playback = std::move(run);
    signature = signatureOf(state);
    return true;
}

void ShotAnimation::holdSliders(const ViewState& state, int frame)
{
    for (const SliderInfo& slider : scene.info().sliders) {
        if (slider.row < 0) continue;
        auto keys = state.keys.find(slider.index);
        if (keys != state.keys.end() && !keys->second.empty()) {
            tavrix_host::ParamTrack track;
            for (const SliderKey& key : keys->second) track.add(key.frame, key.value.x);
            playback->setOverride(slider.row, static_cast<float>(track.valueAt(frame).x));
            continue;
        }
        auto value = state.values.find(slider.index);
        if (state.pinned.count(slider.index) && value != state.values.end()) {
            playback->setOverride(slider.row, static_cast<float>(value->second.x));
        }
    }
}

bool ShotAnimation::valuesAt(const ViewState& state, int frame, AnimationFiles& files, std::vector<float>& rows,
                             std::string& why)
{
    if (!playback || signatureOf(state) != signature || frame < played) {
        if (!setUp(state, files, why)) return false;
    }
    // Frame by frame, so keyed sliders hold their value of each frame.
    while (played < frame) {
        ++played;
        holdSliders(state, played);
        playback->advanceTo(played);
    }
    const tavrix::ModelContext* context = scene.puppetModel()->getModelContext();
    rows.resize(static_cast<size_t>(context->getParamCount()));
    for (int row = 0; row < context->getParamCount(); ++row) rows[static_cast<size_t>(row)] = context->getParamFloat(row);
    return true;
}

} // namespace tavrix_viewer
