#pragma once

namespace tavrix {
class ATavrixModel;
} // namespace tavrix

// How many of the first sliders stand for model parameters: the number of
// the model's parameter definitions (ATavrixModel::getParamDef, in model
// order), at most the number of sliders.
int sliderParamCount(const tavrix::ATavrixModel* model);
