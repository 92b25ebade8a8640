#include "EffectInstance.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "SavedState.h"

namespace tavrix_host {

namespace {

PF_Fixed toFixed(double value)
{
    return static_cast<PF_Fixed>(std::lround(value * 65536.0));
}

double fromFixed(PF_Fixed value)
{
    return value / 65536.0;
}

uintptr_t handleId(PF_Handle handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

} // namespace

EffectInstance::EffectInstance(Host& host, int32_t layerWidth, int32_t layerHeight)
    : host(host), width(layerWidth), height(layerHeight)
{
    for (const PF_ParamDef& declared : host.declaredParams()) {
        Param param;
        param.def = declared;
        param.streamName = declared.name;
        if (declared.param_type == PF_Param_POINT) {
            // Declared as percentages of the layer; kept in layer pixels.
            param.def.u.td.x_value = toFixed(fromFixed(declared.u.td.x_dephault) * width / 100.0);
            param.def.u.td.y_value = toFixed(fromFixed(declared.u.td.y_dephault) * height / 100.0);
        }
        params.push_back(param);
    }
}

int EffectInstance::findStream(const std::string& name) const
{
    int found = -1;
    for (size_t i = 0; i < params.size(); ++i) {
        if (params[i].streamName != name) continue;
        if (found != -1) return -2;
        found = static_cast<int>(i);
    }
    return found;
}

void EffectInstance::buildParams(double frame, int32_t downsample, const PF_EffectWorld* input,
                                 std::vector<PF_ParamDef>& defs, std::vector<PF_ParamDef*>& pointers) const
{
    defs.clear();
    for (const Param& param : params) {
        PF_ParamDef def = param.def;
        def.uu.change_flags = 0;
        switch (def.param_type) {
        case PF_Param_LAYER:
            if (input) {
                def.u.ld = *input;
            } else {
                std::memset(&def.u.ld, 0, sizeof(def.u.ld));
            }
            break;
        case PF_Param_POINT: {
            double x = fromFixed(def.u.td.x_value);
            double y = fromFixed(def.u.td.y_value);
            if (!param.track.empty()) {
                ParamTrack::Key key = param.track.valueAt(frame);
                x = key.x;
                y = key.y;
            }
            def.u.td.x_value = toFixed(x / downsample);
            def.u.td.y_value = toFixed(y / downsample);
            break;
        }
        case PF_Param_FLOAT_SLIDER: {
            PF_FloatSliderDef& slider = def.u.fs_d;
            double value = param.track.empty() ? slider.value : param.track.valueAt(frame).x;
            if (param.rangeShare) value = slider.valid_min + param.rangeShare(frame) * (slider.valid_max - slider.valid_min);
            slider.value = std::clamp(value, static_cast<double>(slider.valid_min), static_cast<double>(slider.valid_max));
            break;
        }
        default:
            break;
        }
        defs.push_back(def);
    }
    pointers.clear();
    for (PF_ParamDef& def : defs) pointers.push_back(&def);
}

void EffectInstance::applyChanges(const std::vector<PF_ParamDef>& defs)
{
    for (size_t i = 0; i < defs.size() && i < params.size(); ++i) {
        if (!(defs[i].uu.change_flags & PF_ChangeFlag_CHANGED_VALUE)) continue;
        PF_ParamDef& kept = params[i].def;
        switch (kept.param_type) {
        case PF_Param_FLOAT_SLIDER: {
            const PF_FloatSliderDef& changed = defs[i].u.fs_d;
            kept.u.fs_d.value = changed.value;
            kept.u.fs_d.valid_min = changed.valid_min;
            kept.u.fs_d.valid_max = changed.valid_max;
            kept.u.fs_d.slider_min = changed.slider_min;
            kept.u.fs_d.slider_max = changed.slider_max;
            kept.u.fs_d.dephault = changed.dephault;
            break;
        }
        case PF_Param_POINT:
            kept.u.td.x_value = defs[i].u.td.x_value;
            kept.u.td.y_value = defs[i].u.td.y_value;
            break;
        default:
            continue;
        }
        changedDuringCommand = true;
    }
}

PF_InData EffectInstance::timing(double frame, int32_t downsample, int32_t quality) const
{
    PF_InData in;
    std::memset(&in, 0, sizeof(in));
    in.quality = quality;
    in.downsample_x = in.downsample_y = PF_RationalScale{1, static_cast<uint32_t>(std::max(downsample, 1))};
    // Times in hundredths of a frame.
    in.time_step = 100;
    in.time_scale = static_cast<uint32_t>(std::lround(frameRate * 100));
    in.current_time = static_cast<int32_t>(std::lround(frame * 100));
    return in;
}

CommandResult EffectInstance::sendWithParams(PF_Cmd cmd, double frame, int32_t downsample, const PF_EffectWorld* input,
                                             PF_LayerDef* output, void* extra, const PF_InData* inTemplate)
{
    std::vector<PF_ParamDef> defs;
    std::vector<PF_ParamDef*> pointers;
    buildParams(frame, downsample, input, defs, pointers);
    PF_InData in = inTemplate ? *inTemplate : timing(frame, downsample, PF_Quality_HI);
    CommandResult result = host.send(cmd, this, pointers.data(), output, extra, &in);
    // A render reads its parameters; other commands may write new values.
    if (cmd != PF_Cmd_RENDER) applyChanges(defs);
    return result;
}

CommandResult EffectInstance::setup()
{
    return host.send(PF_Cmd_SEQUENCE_SETUP, this, nullptr, nullptr, nullptr);
}

CommandResult EffectInstance::resetup(const std::string& savedState)
{
    if (sequence) setdown();
    sequence = reinterpret_cast<PF_Handle>(host.handles().adopt(SavedState::blockFor(savedState)));
    flat = true;
    return reopen();
}

CommandResult EffectInstance::reopen()
{
    if (!flat) return CommandResult();
    return host.send(PF_Cmd_SEQUENCE_RESETUP, this, nullptr, nullptr, nullptr);
}

CommandResult EffectInstance::flatten(std::string& savedState)
{
    CommandResult result = host.send(PF_Cmd_SEQUENCE_FLATTEN, this, nullptr, nullptr, nullptr);
    const std::vector<uint8_t>* block = host.handles().bytes(handleId(sequence));
    savedState = block && !result.err ? SavedState::textOf(*block) : std::string();
    return result;
}

CommandResult EffectInstance::setdown()
{
    if (flat) {
        // A flat block is the host's to dispose of; the effect has no record
        // behind it to free.
        if (sequence && host.handles().alive(handleId(sequence))) host.handles().dispose(handleId(sequence));
        sequence = nullptr;
        flat = false;
        return CommandResult();
    }
    return host.send(PF_Cmd_SEQUENCE_SETDOWN, this, nullptr, nullptr, nullptr);
}

CommandResult EffectInstance::updateParamsUI()
{
    return sendWithParams(PF_Cmd_UPDATE_PARAMS_UI, 0, 1, nullptr, nullptr, nullptr, nullptr);
}

CommandResult EffectInstance::userChangedParam(int32_t index)
{
    PF_UserChangedParamExtra extra;
    extra.param_index = index;
    return sendWithParams(PF_Cmd_USER_CHANGED_PARAM, 0, 1, nullptr, nullptr, &extra, nullptr);
}

CommandResult EffectInstance::render(const RenderRequest& request)
{
    CommandResult result;
    for (int pass = 0; pass < 2; ++pass) {
        changedDuringCommand = false;
        PF_InData in = timing(request.frame, request.downsample, request.quality);
        result = sendWithParams(PF_Cmd_RENDER, request.frame, request.downsample, request.input, request.output,
                                nullptr, &in);
        if (result.err || !changedDuringCommand) break;
    }
    return result;
}

CommandResult EffectInstance::callGeneric(PF_Cmd cmd, const A_Time& time, void* extra)
{
    const double frame = time.scale ? static_cast<double>(time.value) / time.scale * frameRate : 0;
    return sendWithParams(cmd, frame, 1, nullptr, nullptr, extra, nullptr);
}

} // namespace tavrix_host
