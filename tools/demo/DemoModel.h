// The bundled demo puppet, described in code.
#pragma once

#include "mocwriter/MocModel.h"

namespace tavrix_demo {

// A small puppet: a body swaying on a grid deformer, a head turning on a
// rotation deformer that hangs below it, two eyes that blink, and an arm part
// hidden by default.
mocwriter::MocModel demoModel();

} // namespace tavrix_demo
