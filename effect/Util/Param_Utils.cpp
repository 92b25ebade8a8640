#include "Util/Param_Utils.h"

#include <cmath>
#include <cstring>

namespace fxparam_utility {

int32_t RoundF(float value)
{
    return static_cast<int32_t>(std::floor(value + 0.5f));
}

} // namespace fxparam_utility

PF_Err PF_AddPointControl(PF_InData* in_data, const char* name, float x_default, float y_default,
                          bool restrict_bounds, int32_t param_flags, int32_t ui_flags, int32_t param_id)
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof(def));
    def.flags = param_flags;
    def.ui_flags = ui_flags;
    def.param_type = PF_Param_POINT;
    in_data->utils->ansi.strcpy(def.name, name);
    def.u.td.restrict_bounds = restrict_bounds ? 1 : 0;
    def.u.td.x_value = def.u.td.x_dephault = fxparam_utility::RoundF(x_default * 100.0f) * 65536;
    def.u.td.y_value = def.u.td.y_dephault = fxparam_utility::RoundF(y_default * 100.0f) * 65536;
    def.uu.id = param_id;
    return in_data->inter.add_param(in_data->effect_ref, -1, &def);
}
