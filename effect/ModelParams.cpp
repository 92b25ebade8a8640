#include "ModelParams.h"

#include <algorithm>

#include "ATavrixModel.h"
#include "GLator.h"

int sliderParamCount(const tavrix::ATavrixModel* model)
{
    return model ? std::min(model->getParamDefCount(), static_cast<int>(kModelSliderCount)) : 0;
}
