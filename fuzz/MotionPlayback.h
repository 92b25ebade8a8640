// Plays a motion on a small model: a bare model with the demo puppet's
// parameters, driven through the motion queue at a spread of clock times,
// once as loaded and once looping.
#pragma once

#include "motion/AMotion.h"

namespace tavrix_fuzz {

// The motion is the caller's and outlives the call.
void playOnSmallModel(tavrix::AMotion& motion);

} // namespace tavrix_fuzz
