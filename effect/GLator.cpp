// The entry point the host calls, the effect's global set-up and set-down and
// its about text.
#include "GLator.h"

#include "GLator_Sequence.h"
#include "GLator_Strings.h"
#include "PluginContextScope.h"
#include "Tavrix.h"
#include "Util/AEGP_SuiteHandler.h"
#include "Win/TavrixUtil.h"
#include "util/UtDebug.h"

AESDK_OpenGL::AESDK_OpenGL_EffectCommonData S_GLator_EffectCommonData;

namespace {

// Puts the text of an OpenGL layer failure into the host's message and ends
// the command with PF_Err_INTERNAL_STRUCT_DAMAGED.
void throwOnGLError(PF_InData* in_data, PF_OutData* out_data, AESDK_OpenGL::AESDK_OpenGL_Err code)
{
    if (code == AESDK_OpenGL::AESDK_OpenGL_OK) return;
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s", AESDK_OpenGL::ReportError(code));
    throw PF_Err(PF_Err_INTERNAL_STRUCT_DAMAGED);
}

} // namespace

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    suites.ANSICallbacksSuite1()->sprintf(out_data->return_msg,
                                          "%s ver.%d.%d.%d.%d.%d (%s Build)\r\rUsing Tavrix SDK ver.%s\r\r%s",
                                          GetStringPtr(StrID_Name), kMajorVersion, kMinorVersion, kBugVersion,
                                          kStageVersion, kBuildVersion, "Release", tavrix::Tavrix::getVersionStr(),
                                          GetStringPtr(StrID_Description));
    return PF_Err_NONE;
}

PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    out_data->my_version = PF_VERSION(kMajorVersion, kMinorVersion, kBugVersion, kStageVersion, kBuildVersion);
    out_data->out_flags = PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
    out_data->out_flags2 = 0;
    PF_Err err = PF_Err_NONE;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    try {
        throwOnGLError(in_data, out_data, AESDK_OpenGL::AESDK_OpenGL_Startup(S_GLator_EffectCommonData));
        PluginContextScope context;
        throwOnGLError(in_data, out_data,
                       AESDK_OpenGL::AESDK_OpenGL_InitResources(S_GLator_EffectCommonData, 1024, 1024));
        // The host owns standard output: the runtime inside the plug-in says
        // nothing there (failures reach the host through the effect's
        // messages, with Tavrix::getErrorMessage).
        tavrix::UtDebug::setSink(tavrix::UtDebug::discardingSink, nullptr);
        tavrixutil::init();
    } catch (PF_Err thrown) {
        // The context scope has restored the host's context already.
        err = thrown;
    }
    return err;
}

PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    PF_Err err = PF_Err_NONE;
    try {
        {
            PluginContextScope context;
            freeSequenceDataContents(in_data);
            // Ends what tavrixutil::init started at global set-up, so that
            // unloading the effect leaves none of the runtime's memory behind.
            tavrix::Tavrix::dispose();
            throwOnGLError(in_data, out_data, AESDK_OpenGL::AESDK_OpenGL_ReleaseResources(S_GLator_EffectCommonData));
        }
        throwOnGLError(in_data, out_data, AESDK_OpenGL::AESDK_OpenGL_Shutdown(S_GLator_EffectCommonData));
        if (in_data->sequence_data) {
            in_data->utils->host_dispose_handle(in_data->sequence_data);
            out_data->sequence_data = nullptr;
        }
    } catch (PF_Err thrown) {
        err = thrown;
    } catch (...) {
    }
    return err;
}

PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                      PF_LayerDef* output, void* extra)
{
    try {
        switch (cmd) {
        case PF_Cmd_ABOUT:
            return About(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETUP:
            return GlobalSetup(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETDOWN:
            return GlobalSetdown(in_data, out_data, params, output);
        case PF_Cmd_PARAMS_SETUP:
            return ParamsSetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_SETUP:
            return SequenceSetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_RESETUP:
            return SequenceResetup(in_data, out_data);
        case PF_Cmd_SEQUENCE_FLATTEN:
            return SequenceFlatten(in_data, out_data);
        case PF_Cmd_SEQUENCE_SETDOWN:
            return SequenceSetdown(in_data, out_data);
        case PF_Cmd_RENDER:
            return Render(in_data, out_data, params, output);
        case PF_Cmd_USER_CHANGED_PARAM:
            return UserChangedParam(in_data, out_data, params, static_cast<const PF_UserChangedParamExtra*>(extra));
        case PF_Cmd_UPDATE_PARAMS_UI:
            return UpdateParamsUI(in_data, out_data, params);
        default:
            return PF_Err_NONE;
        }
    } catch (PF_Err thrown) {
        return thrown;
    }
}
