// User changes of supervised parameters, and the request of the render to
// re-apply a model's defaults.
#include "ATavrixModel.h"
#include "GLator.h"
#include "ModelDefaults.h"
#include "ModelParams.h"
#include "SequenceDataLock.h"
#include "param/ParamDefFloat.h"

namespace {

PF_Err reapplyModelDefaults(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[])
{
    PF_Err err = PF_Err_NONE;
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        SequenceDataLock lock(suites, in_data->sequence_data);
        if (lock.record() && lock.record()->model) applyModelDefaults(lock.record()->model, params);
    } catch (PF_Err thrown) {
        err = thrown;
    }
    out_data->out_flags |= PF_OutFlag_FORCE_RERENDER | PF_OutFlag_REFRESH_UI;
    return err;
}

} // namespace

void applyModelDefaults(tavrix::ATavrixModel* model, PF_ParamDef* params[])
{
    const tavrix::LDVector<tavrix::ParamDefFloat*>* defs = modelParamDefs(model);
    const int n = sliderParamCount(model);
    for (int i = 0; i < n; ++i) {
        const tavrix::ParamDefFloat* def = (*defs)[i];
        const float min = def->getMinValue();
        const float max = def->getMaxValue();
        const float dephault = def->getDefaultValue();
        if (params && params[kFirstModelSlider + i]) {
            PF_ParamDef* slider = params[kFirstModelSlider + i];
            slider->u.fs_d.value = dephault;
            slider->u.fs_d.valid_min = slider->u.fs_d.slider_min = min;
            slider->u.fs_d.valid_max = slider->u.fs_d.slider_max = max;
            slider->u.fs_d.dephault = dephault;
            slider->uu.change_flags = PF_ChangeFlag_CHANGED_VALUE;
        }
        model->setParamFloat(i, dephault, 1.0f);
    }
}

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        const PF_UserChangedParamExtra* extra)
{
    if (!extra) return PF_Err_NONE;
    switch (extra->param_index) {
    case kScale:
        return reapplyModelDefaults(in_data, out_data, params);
    case kLoadButton:
        // The load dialog answers here.
        return PF_Err_NONE;
    default:
        return PF_Err_NONE;
    }
}
