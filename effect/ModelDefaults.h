#pragma once

#include "PF_Params.h"

namespace tavrix {
class ATavrixModel;
}

// Writes each model parameter's range and default onto its slider (marked
// changed, so the host takes the value) and sets the parameter to its
// default. Only the first 256 parameters have sliders.
void applyModelDefaults(tavrix::ATavrixModel* model, PF_ParamDef* params[]);
