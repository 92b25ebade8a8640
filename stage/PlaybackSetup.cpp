#include "PlaybackSetup.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

#include "Puppet.h"

namespace tavrix_stage {

MotionStart parseMotionStart(const std::string& text)
{
    MotionStart motion;
    motion.path = text;
    const size_t at = text.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 == text.size()) return motion;
    const char* number = text.c_str() + at + 1;
    char* after = nullptr;
    errno = 0;
    const double seconds = std::strtod(number, &after);
    if (*after != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0.0) return motion;
    motion.path = text.substr(0, at);
    motion.startSeconds = seconds;
    return motion;
}

LipSyncSource parseLipSyncSource(const std::string& text)
{
    LipSyncSource source;
    source.path = text;
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return source;
    if (text.find('/', colon) != std::string::npos || access(text.c_str(), F_OK) == 0) return source;
    source.path = text.substr(0, colon);
    source.param = text.substr(colon + 1);
    return source;
}

std::unique_ptr<Playback> makePlayback(tavrix::ATavrixModel& model, int fps, const PlaybackSetup& setup,
                                       const std::string& modelPath, std::string& why)
{
    auto playback = std::make_unique<Playback>(model, fps);
    if (setup.sound) {
        const std::vector<PuppetParam> params = modelParams(model);
        const auto mouth = std::find_if(params.begin(), params.end(),
                                        [&](const PuppetParam& param) { return param.id == setup.soundParam; });
        if (mouth == params.end() || mouth->row < 0) {
            why = modelPath + ": the model has no parameter " + setup.soundParam + " for --lipsync";
            return nullptr;
        }
        playback->setLipSync(setup.sound, setup.lipSync, mouth->row, mouth->min, mouth->max);
    }
    for (const MotionStart& motion : setup.motions) {
        if (!playback->addMotion(motion.path, motion.startSeconds, setup.loop, why)) {
            why = motion.path + ": " + why;
            return nullptr;
        }
    }
    if (setup.blink) playback->enableBlink(setup.blinkSeed);
    playback->addHairs(setup.hairs);
    for (const auto& [id, value] : setup.holds) playback->holdParam(id, value);
    return playback;
}

} // namespace tavrix_stage
