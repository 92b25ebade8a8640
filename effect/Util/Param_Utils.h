#pragma once

#include <stdint.h>

#include "PF_Callbacks.h"

namespace fxparam_utility {

// Nearest integer, halves going up: floor(value + 0.5).
int32_t RoundF(float value);

} // namespace fxparam_utility

// Declares one point parameter. x_default and y_default are fractions of the
// layer size (0 to 1); the host takes point defaults as percentages.
PF_Err PF_AddPointControl(PF_InData* in_data, const char* name, float x_default, float y_default,
                          bool restrict_bounds, int32_t param_flags, int32_t ui_flags, int32_t param_id);
