#include "ModelParams.h"

#include <algorithm>

#include "ATavrixModel.h"
#include "GLator.h"
#include "model/ModelImpl.h"
#include "param/ParamDefSet.h"

const tavrix::LDVector<tavrix::ParamDefFloat*>* modelParamDefs(tavrix::ATavrixModel* model)
{
    tavrix::ParamDefSet* set = model->getModelImpl()->getParamDefSet();
    return set ? set->getParamDefFloatList() : nullptr;
}

int sliderParamCount(tavrix::ATavrixModel* model)
{
    const tavrix::LDVector<tavrix::ParamDefFloat*>* defs = modelParamDefs(model);
    return defs ? std::min(defs->size(), static_cast<int>(kModelSliderCount)) : 0;
}
