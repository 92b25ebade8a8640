// Hair set-up files of tavrix play: parsed, then every hair simulated on a
// small model for three seconds of frames, as the tool plays them.
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "FuzzTarget.h"
#include "MotionPlayback.h"
#include "PhysicsFile.h"
#include "Playback.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    std::vector<tavrix_stage::HairSetup> hairs;
    std::string why;
    if (!tavrix_stage::parsePhysicsJson(std::string(reinterpret_cast<const char*>(data), size), hairs, why)) {
        tavrix_fuzz::require(!why.empty(), "a refused file says why");
        return 0;
    }
    tavrix_fuzz::RuntimeForInput runtime;
    {
        tavrix::ATavrixModel model;
        tavrix_fuzz::addSmallModelParams(model);
        tavrix_stage::Playback playback(model, 30);
        playback.addHairs(hairs);
        for (int frame = 0; frame <= 90; ++frame) {
            playback.advanceTo(frame);
            model.update();
        }
    }
    return 0;
}
