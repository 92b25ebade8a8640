// User changes of supervised parameters: the load button, which runs the
// load dialog and loads the model it names, and the render's request to
// re-apply a model's defaults.
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "GLator.h"
#include "GLator_Sequence.h"
#include "HostRef.h"
#include "LoadDialogScript.h"
#include "LoadInfo.h"
#include "ModelDefaults.h"
#include "ModelParams.h"
#include "PluginContextScope.h"
#include "SequenceDataLock.h"
#include "StreamName.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "UndoGroup.h"
#include "Win/TavrixUtil.h"

namespace {

// The host whose application id is this one loads no models through the
// dialog; the button only leaves a message there.
const int32_t NO_DIALOG_APPLICATION = PF_FOUR_CHAR('P', 'r', 'M', 'r');

// Leaves text as the command's message, cut to what the host's buffer holds
// (at a character boundary): the host's sprintf does not check the length.
void setMessage(PF_InData* in_data, PF_OutData* out_data, const std::string& text)
{
    size_t length = text.size();
    if (length > PF_MAX_EFFECT_MSG_LEN) {
        length = PF_MAX_EFFECT_MSG_LEN;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s", text.substr(0, length).c_str());
}

// "The model file PATH could not be loaded (error N: what the runtime said)."
std::string loadFailure(const std::string& path)
{
    const unsigned int error = tavrix::Tavrix::getError();
    const std::string said = tavrix::Tavrix::getErrorMessage();
    return "The model file " + path + " could not be loaded (error " + std::to_string(error) +
           (said.empty() ? "" : ": " + said) + ").";
}

// The text of a memory handle the host filled; empty without one.
std::string handleText(AEGP_SuiteHandler& suites, AEGP_MemHandle handle)
{
    void* text = nullptr;
    if (!handle || suites.MemorySuite1()->AEGP_LockMemHandle(handle, &text) != PF_Err_NONE || !text) return "";
    std::string copy(static_cast<const char*>(text));
    suites.MemorySuite1()->AEGP_UnlockMemHandle(handle);
    return copy;
}

// Loads the files the dialog's result names and, when the model loads,
// gives it to the instance in place of its model, textures and text, and
// writes the model's defaults onto the sliders. False with a message for
// the user otherwise; the instance then keeps what it had.
bool takeModel(AEGP_SuiteHandler& suites, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
               const std::vector<std::string>& paths, const std::string& loadResult)
{
    if (paths.empty() || paths[0].empty()) {
        setMessage(in_data, out_data, "No model file was chosen; nothing was loaded.");
        return false;
    }
    SequenceDataLock lock(suites, in_data->sequence_data);
    SequenceData* record = lock.record();
    tavrix::TavrixModelOpenGL* model = nullptr;
    {
        // The previous model's textures belong to the private context, so
        // they are freed while it is current.
        PluginContextScope context;
        std::vector<unsigned int> textures;
        model = tavrixutil::loadModel(paths, static_cast<float>(in_data->width), static_cast<float>(in_data->height),
                                      textures);
        if (model && !record) {
            tavrix::ATavrixModel* orphan = model;
            freeTavrixModel(&orphan, &textures);
            model = nullptr;
        }
        if (model) {
            if (!record->loadInfoJson) record->loadInfoJson = new std::string();
            if (!record->textureIds) record->textureIds = new std::vector<uint32_t>();
            *record->loadInfoJson = loadResult;
            if (record->model) freeTavrixModel(&record->model, record->textureIds);
            record->model = model;
            *record->textureIds = textures;
        }
    }
    if (!model) {
        setMessage(in_data, out_data,
                   record ? loadFailure(paths[0]) : std::string("The effect has no instance data to load a model into."));
        return false;
    }
    applyModelDefaults(model, params);
    return true;
}

// The load button: the dialog script runs in the host's script engine and
// the model it names is loaded, all in one undo group.
PF_Err loadThroughDialog(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[])
{
    if (in_data->appl_id == NO_DIALOG_APPLICATION) {
        in_data->utils->ansi.strcpy(out_data->return_msg, "Load Model.");
        return PF_Err_NONE;
    }
    PF_Err err = PF_Err_NONE;
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        UndoGroup undo(suites, err);
        HostRef<AEGP_EffectRefH> effect(suites.EffectSuite2()->AEGP_DisposeEffect);
        effect.acquire(err, [&](AEGP_EffectRefH* h) {
            return suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, in_data->effect_ref, h);
        });

        // The call returns when the dialog has closed.
        HostRef<AEGP_MemHandle> result(suites.MemorySuite1()->AEGP_FreeMemHandle);
        HostRef<AEGP_MemHandle> scriptError(suites.MemorySuite1()->AEGP_FreeMemHandle);
        chain(err, [&] {
            AEGP_MemHandle resultHandle = nullptr;
            AEGP_MemHandle errorHandle = nullptr;
            A_Err ran = suites.UtilitySuite11()->AEGP_ExecuteScript(0, loadDialogScript(), false, &resultHandle,
                                                                    &errorHandle);
            result.adopt(resultHandle);
            scriptError.adopt(errorHandle);
            return ran;
        });
        if (err != PF_Err_NONE) {
            // The script's own words name the problem (a model JSON file
            // without textures, one that cannot be read).
            const std::string why = handleText(suites, scriptError.get());
            setMessage(in_data, out_data,
                       why.empty() ? "The load dialog could not be run (error " + std::to_string(err) + ")." : why);
        }
        scriptError.dispose(err);

        std::string loadResult;
        chain(err, [&] {
            void* text = nullptr;
            A_Err locked = suites.MemorySuite1()->AEGP_LockMemHandle(result.get(), &text);
            if (locked == PF_Err_NONE && text) loadResult = static_cast<const char*>(text);
            return locked;
        });

        // Empty when the user cancelled; the button then loses its name.
        std::string buttonName;
        bool loaded = false;
        if (err == PF_Err_NONE && !loadResult.empty()) {
            std::vector<std::string> paths;
            if (modelPathsFromLoadInfo(loadResult, paths)) {
                loaded = takeModel(suites, in_data, out_data, params, paths, loadResult);
                buttonName = loadResult;
            } else {
                setMessage(in_data, out_data, "The load dialog's answer could not be read; nothing was loaded.");
            }
        }

        HostRef<AEGP_StreamRefH> button(suites.StreamSuite7()->AEGP_DisposeStream);
        button.acquire(err, [&](AEGP_StreamRefH* h) {
            return suites.StreamSuite7()->AEGP_GetNewEffectStreamByIndex(0, effect.get(), kLoadButton, h);
        });
        chain(err, [&] {
            std::vector<A_UTF16Char> name = toStreamName(buttonName, kStreamNameMaxUnits);
            return suites.DynamicStreamSuite5()->AEGP_SetStreamName(button.get(), name.data());
        });
        button.dispose(err);
        result.dispose(err);
        effect.dispose(err);

        if (loaded) {
            out_data->out_flags |= PF_OutFlag_FORCE_RERENDER | PF_OutFlag_REFRESH_UI;
            chain(err, [&] { return renameParams(in_data, out_data, params); });
        }
        undo.end(err);
    } catch (PF_Err thrown) {
        err = thrown;
    } catch (...) {
    }
    return err;
}

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
    const int n = sliderParamCount(model);
    for (int i = 0; i < n; ++i) {
        tavrix::ParamDefinition definition;
        if (!model->getParamDef(i, definition)) continue;
        const float min = definition.min;
        const float max = definition.max;
        const float dephault = definition.defaultValue;
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
        return loadThroughDialog(in_data, out_data, params);
    default:
        return PF_Err_NONE;
    }
}
