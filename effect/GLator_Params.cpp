// The parameter table and the answer to the host's control refresh.
#include <cstring>

#include "GLator.h"
#include "Util/Param_Utils.h"

namespace {

// Clears def and fills in what every parameter has.
void startParam(PF_InData* in_data, PF_ParamDef& def, int32_t type, const char* name, int32_t id)
{
    std::memset(&def, 0, sizeof(def));
    def.param_type = type;
    in_data->utils->ansi.strcpy(def.name, name);
    def.uu.id = id;
}

PF_Err addParam(PF_InData* in_data, PF_ParamDef& def)
{
    return in_data->inter.add_param(in_data->effect_ref, -1, &def);
}

PF_Err addGroupStart(PF_InData* in_data, const char* name, int32_t id)
{
    PF_ParamDef def;
    startParam(in_data, def, PF_Param_GROUP_START, name, id);
    return addParam(in_data, def);
}

PF_Err addGroupEnd(PF_InData* in_data, int32_t id)
{
    PF_ParamDef def;
    startParam(in_data, def, PF_Param_GROUP_END, "", id);
    return addParam(in_data, def);
}

PF_Err addFloatSlider(PF_InData* in_data, const char* name, float min, float max, double dephault,
                      int16_t precision, int16_t display_flags, int32_t id)
{
    PF_ParamDef def;
    startParam(in_data, def, PF_Param_FLOAT_SLIDER, name, id);
    PF_FloatSliderDef& slider = def.u.fs_d;
    slider.valid_min = slider.slider_min = min;
    slider.valid_max = slider.slider_max = max;
    slider.value = slider.dephault = dephault;
    slider.precision = precision;
    slider.display_flags = display_flags;
    slider.curve_tolerance = 0.05f;
    return addParam(in_data, def);
}

PF_Err addLoadButton(PF_InData* in_data, int32_t id)
{
    PF_ParamDef def;
    startParam(in_data, def, PF_Param_BUTTON, "", id);
    def.ui_flags = PF_PUI_STD_CONTROL_ONLY;
    def.flags = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY;
    def.u.button_d.namesptr = "Load .moc";
    return addParam(in_data, def);
}

} // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    PF_Err err = PF_Err_NONE;
    // The input layer is the host's own parameter 0; ids count from 1.
    int32_t id = kModelGroupStart;
    if ((err = addGroupStart(in_data, "Model Settings", id++))) return err;
    if ((err = addLoadButton(in_data, id++))) return err;
    if ((err = PF_AddPointControl(in_data, "Position", 0.5f, 0.5f, false, 0, 0, id++))) return err;
    if ((err = addFloatSlider(in_data, "Scale", 0, 1000, 100, 0, PF_ValueDisplayFlag_PERCENT, id++))) return err;
    if ((err = addGroupEnd(in_data, id++))) return err;
    if ((err = addGroupStart(in_data, "Tavrix Params", id++))) return err;
    while (id < kParamsGroupEnd) {
        if ((err = addFloatSlider(in_data, "Slider", -1000, 1000, 0, 2, 0, id++))) return err;
    }
    if ((err = addGroupEnd(in_data, id++))) return err;
    out_data->num_params = id;
    return PF_Err_NONE;
}

PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[])
{
    PF_Err err = renameParams(in_data, out_data, params);
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}
