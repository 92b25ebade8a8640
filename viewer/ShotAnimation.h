// The animation of a state on the puppet layer's bare model: motions,
// blinking, hairs and lip sync played through the stage's Playback frame by
// frame, as `tavrix play` plays them, with the sliders a page pinned or
// keyed held at their values. Asked for a later frame it plays on from the
// last; an earlier frame or a changed set-up plays again from frame 0, so a
// frame's values never depend on what was asked before.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "LipSync.h"
#include "Playback.h"
#include "ViewState.h"

namespace tavrix_viewer {

class AnimationFiles;
class Scene;

class ShotAnimation {
public:
    explicit ShotAnimation(Scene& scene) : scene(scene) {}
    ~ShotAnimation();

    // The values of every parameter row at the state's frame; the bare model
    // holds them. False with the reason (a file that cannot be used, a
    // parameter the model lacks).
    bool valuesAt(const ViewState& state, int frame, AnimationFiles& files, std::vector<float>& rows,
                  std::string& why);
    // The frames `tavrix play` would run for the last set-up: to the end of
    // the longest motion or of the sound, else five seconds.
    int naturalFrameCount() const { return naturalFrames; }
    // Drops the playback, so the bare model can be posed otherwise.
    void forget();

    ShotAnimation(const ShotAnimation&) = delete;
    ShotAnimation& operator=(const ShotAnimation&) = delete;

private:
    bool setUp(const ViewState& state, AnimationFiles& files, std::string& why);
    // What the set-up depends on, as one text.
    static std::string signatureOf(const ViewState& state);
    void holdSliders(const ViewState& state, int frame);

    Scene& scene;
    std::string signature;
    std::unique_ptr<tavrix_stage::Playback> playback;
    std::shared_ptr<const tavrix_media::AudioTrack> sound;
    std::unique_ptr<tavrix_media::LipSync> lipSync;
    int played = -1;
    int naturalFrames = 0;
};

} // namespace tavrix_viewer
