#pragma once

#include "type/LDVector.h"

namespace tavrix {
class ATavrixModel;
class ParamDefFloat;
} // namespace tavrix

// The model's parameter definitions in model order; null when it has none.
const tavrix::LDVector<tavrix::ParamDefFloat*>* modelParamDefs(tavrix::ATavrixModel* model);

// How many of the first sliders stand for model parameters: the number of
// definitions, at most the number of sliders.
int sliderParamCount(tavrix::ATavrixModel* model);
