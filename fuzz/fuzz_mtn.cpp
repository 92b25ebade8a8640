// ".mtn" text motions: parse, then play on a small model, as loaded and
// looping.
#include "FuzzTarget.h"
#include "MotionPlayback.h"
#include "motion/TavrixMotion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    tavrix_fuzz::RuntimeForInput runtime;
    tavrix::TavrixMotion* motion =
        tavrix::TavrixMotion::loadMotion(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (!motion) return 0;
    tavrix_fuzz::playOnSmallModel(*motion);
    motion->setLoop(true);
    tavrix_fuzz::playOnSmallModel(*motion);
    delete motion;
    return 0;
}
