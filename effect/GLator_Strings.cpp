#include "GLator_Strings.h"

namespace {

const TableString g_strs[StrID_NUMTYPES] = {
    {StrID_NONE, ""},
    {StrID_Name, "Tavrix Loader"},
    {StrID_Description, "This plugin loads Tavrix models into AfterEffects."},
};

} // namespace

const char* GetStringPtr(int32_t id)
{
    if (id < 0 || id >= StrID_NUMTYPES) return g_strs[StrID_NONE].str;
    return g_strs[id].str;
}
