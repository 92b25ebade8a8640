// Plays a motion on a small model: a bare model with the demo puppet's
// parameters, driven through the motion queue at a spread of clock times,
// once as loaded and once looping.
#pragma once

#include "motion/AMotion.h"

namespace tavrix {
class ATavrixModel;
}

namespace tavrix_fuzz {

// Gives a bare model the demo puppet's parameters, at their defaults.
void addSmallModelParams(tavrix::ATavrixModel& model);

// The motion is the caller's and outlives the call.
void playOnSmallModel(tavrix::AMotion& motion);

} // namespace tavrix_fuzz
