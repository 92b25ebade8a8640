// A playback as a user describes it, on a command line or in a plug-in's
// parameters: motion files with their start times, looping, blinking, hairs,
// a sound that moves a parameter, parameters held at values. `tavrix play`
// and the video plug-ins both make their playbacks here, so the same
// description gives the same frames.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AudioFile.h"
#include "LipSync.h"
#include "PhysicsFile.h"
#include "Playback.h"

namespace tavrix {
class ATavrixModel;
}

namespace tavrix_stage {

struct MotionStart {
    std::string path;
    double startSeconds = 0.0;
};

// FILE or FILE@SECONDS; an '@' not followed by a number of seconds (0 or
// more) belongs to the name.
MotionStart parseMotionStart(const std::string& text);

// The parameter a sound moves unless the user names another.
constexpr const char* DEFAULT_MOUTH_PARAM = "PARAM_MOUTH_OPEN_Y";

struct LipSyncSource {
    std::string path;
    std::string param = DEFAULT_MOUTH_PARAM;
};

// AUDIO or AUDIO:PARAM. The ':' belongs to the file name when the whole text
// names a file, or when what follows it cannot be a parameter name.
LipSyncSource parseLipSyncSource(const std::string& text);

struct PlaybackSetup {
    std::vector<MotionStart> motions;
    bool loop = false;
    bool blink = false;
    unsigned blinkSeed = 0;
    std::vector<HairSetup> hairs;
    // No sound: no lip sync.
    std::shared_ptr<const tavrix_media::AudioTrack> sound;
    std::string soundParam = DEFAULT_MOUTH_PARAM;
    tavrix_media::LipSyncSettings lipSync;
    // Parameters held at a value after the animation of every frame.
    std::vector<std::pair<std::string, float>> holds;
};

// A playback of model at fps frames per second set up as described: the
// sound's parameter looked up, the motion files read, blinking, hairs and
// held values added. Null with why naming the file at fault (modelPath for
// a parameter the model lacks).
std::unique_ptr<Playback> makePlayback(tavrix::ATavrixModel& model, int fps, const PlaybackSetup& setup,
                                       const std::string& modelPath, std::string& why);

} // namespace tavrix_stage
