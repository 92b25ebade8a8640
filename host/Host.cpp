#include "Host.h"

#include <cstring>

#include "EffectInstance.h"
#include "HostCallbacks.h"
#include "HostWorld.h"

namespace tavrix_host {

Host* Host::activeHost = nullptr;

namespace {

// effect_ref of the effect-wide commands, which concern no instance.
const uintptr_t GLOBAL_EFFECT_REF = 0x7000;

const char* commandName(PF_Cmd cmd)
{
    switch (cmd) {
    case PF_Cmd_ABOUT: return "about";
    case PF_Cmd_GLOBAL_SETUP: return "global set-up";
    case PF_Cmd_GLOBAL_SETDOWN: return "global set-down";
    case PF_Cmd_PARAMS_SETUP: return "parameter set-up";
    case PF_Cmd_SEQUENCE_SETUP: return "sequence set-up";
    case PF_Cmd_SEQUENCE_RESETUP: return "sequence re-set-up";
    case PF_Cmd_SEQUENCE_FLATTEN: return "sequence flatten";
    case PF_Cmd_SEQUENCE_SETDOWN: return "sequence set-down";
    case PF_Cmd_RENDER: return "render";
    case PF_Cmd_USER_CHANGED_PARAM: return "user-changed parameter";
    case PF_Cmd_UPDATE_PARAMS_UI: return "parameter UI update";
    default: return "command";
    }
}

} // namespace

Host::Host()
    : handleTable(hostLog, "handle", false), memHandleTable(hostLog, "memory handle", true),
      effectRefTable(hostLog, "effect"), streamRefTable(hostLog, "stream"),
      applicationId(PF_FOUR_CHAR('T', 'v', 'H', 's'))
{
}

Host::~Host()
{
    close();
}

const SPBasicSuite* Host::basicSuite() const
{
    return &HostCallbacks::basicSuite;
}

bool Host::open(const std::string& pluginPath, std::string& error)
{
    close();
    if (activeHost && activeHost != this) {
        error = "another host is active in this process";
        return false;
    }
    if (!module.load(pluginPath, error)) return false;

    globalSetup = send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr, nullptr);
    if (globalSetup.err) {
        error = "the effect's global set-up failed (" + std::to_string(globalSetup.err) + ")" +
                (globalSetup.message.empty() ? "" : ": " + globalSetup.message);
        module.unload();
        return false;
    }
    // The host's own parameter 0: the layer the effect is applied to.
    declared.clear();
    PF_ParamDef input;
    std::memset(&input, 0, sizeof(input));
    input.param_type = PF_Param_LAYER;
    declared.push_back(input);
    declaring = true;
    CommandResult params = send(PF_Cmd_PARAMS_SETUP, nullptr, nullptr, nullptr, nullptr);
    declaring = false;
    if (params.err) {
        error = "the effect's parameter set-up failed (" + std::to_string(params.err) + ")" +
                (params.message.empty() ? "" : ": " + params.message);
        send(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr, nullptr, nullptr);
        module.unload();
        return false;
    }
    return true;
}

void Host::close()
{
    if (!module.loaded()) return;
    while (!effectInstances.empty()) removeInstance(effectInstances.back().get());
    send(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr, nullptr, nullptr);
    module.unload();
    effectRefTable.reportLeaks();
    streamRefTable.reportLeaks();
    if (!worldTable.empty()) hostLog.misuse(std::to_string(worldTable.size()) + " world(s) never disposed");
    worldTable.clear();
    if (undoStack.depth()) hostLog.misuse(std::to_string(undoStack.depth()) + " undo group(s) never ended");
    undoStack.clear();
    declared.clear();
}

CommandResult Host::about()
{
    return send(PF_Cmd_ABOUT, nullptr, nullptr, nullptr, nullptr);
}

EffectInstance* Host::addInstance(int32_t layerWidth, int32_t layerHeight, const std::string* savedState,
                                  CommandResult* result)
{
    effectInstances.push_back(std::make_unique<EffectInstance>(*this, layerWidth, layerHeight));
    EffectInstance* instance = effectInstances.back().get();
    // Controls are shown as soon as an effect is applied or opened.
    pendingUIRefresh.push_back(instance);
    CommandResult answer = savedState ? instance->resetup(*savedState) : instance->setup();
    if (result) *result = answer;
    if (answer.err) {
        removeInstance(instance);
        return nullptr;
    }
    return instance;
}

CommandResult Host::removeInstance(EffectInstance* instance)
{
    CommandResult result = instance->setdown();
    for (auto it = effectInstances.begin(); it != effectInstances.end(); ++it) {
        if (it->get() == instance) {
            effectInstances.erase(it);
            break;
        }
    }
    dropPendingUI(instance);
    return result;
}

void Host::dropPendingUI(EffectInstance* instance)
{
    for (auto it = pendingUIRefresh.begin(); it != pendingUIRefresh.end();) {
        it = *it == instance ? pendingUIRefresh.erase(it) : it + 1;
    }
}

EffectInstance* Host::instanceFor(PF_ProgPtr effect_ref)
{
    for (const auto& instance : effectInstances) {
        if (effectRefOf(instance.get()) == effect_ref) return instance.get();
    }
    return nullptr;
}

PF_ProgPtr Host::effectRefOf(const EffectInstance* instance) const
{
    return reinterpret_cast<PF_ProgPtr>(const_cast<EffectInstance*>(instance));
}

bool Host::isReturnMessage(const char* buffer) const
{
    for (const PF_OutData* out : openOutData) {
        if (buffer == out->return_msg) return true;
    }
    return false;
}

PF_Err Host::declareParam(PF_ProgPtr, int32_t index, const PF_ParamDef* def)
{
    if (!declaring) {
        hostLog.misuse("add_param outside parameter set-up");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!def) return PF_Err_BAD_CALLBACK_PARAM;
    if (index != -1 && index != static_cast<int32_t>(declared.size())) return PF_Err_INVALID_INDEX;
    declared.push_back(*def);
    declared.back().name[PF_MAX_NAME_LEN] = '\0';
    return PF_Err_NONE;
}

bool Host::runScript(const std::string& script, std::string& result, std::string& error)
{
    if (!scriptRunner) {
        error = "this host runs no scripts";
        return false;
    }
    return scriptRunner(script, result, error);
}

CommandResult Host::send(PF_Cmd cmd, EffectInstance* instance, PF_ParamDef** params, PF_LayerDef* output,
                         void* extra, const PF_InData* inDataTemplate)
{
    CommandResult result;
    if (!module.loaded()) {
        result.err = PF_Err_BAD_CALLBACK_PARAM;
        result.message = "no effect is loaded";
        return result;
    }
    Host* previous = activeHost;
    activeHost = this;

    PF_InData in;
    if (inDataTemplate) {
        in = *inDataTemplate;
    } else {
        std::memset(&in, 0, sizeof(in));
        in.quality = PF_Quality_HI;
        in.downsample_x = in.downsample_y = PF_RationalScale{1, 1};
        in.time_scale = 100;
    }
    in.inter = HostCallbacks::interact;
    in.utils = &HostCallbacks::utils;
    in.effect_ref = instance ? effectRefOf(instance) : reinterpret_cast<PF_ProgPtr>(GLOBAL_EFFECT_REF);
    in.appl_id = applicationId;
    in.num_params = static_cast<int32_t>(declared.size());
    in.pica_basicP = basicSuite();
    if (instance) {
        in.width = instance->layerWidth();
        in.height = instance->layerHeight();
        in.sequence_data = instance->sequenceData();
    }
    PF_OutData out;
    std::memset(&out, 0, sizeof(out));
    out.sequence_data = in.sequence_data;

    callLog.note(std::string("command ") + commandName(cmd));
    const size_t undoDepth = undoStack.depth();
    ++commandDepth;
    openOutData.push_back(&out);
    try {
        result.err = module.entryPoint()(cmd, &in, &out, params, output, extra);
    } catch (...) {
        hostLog.misuse(std::string("an exception left the effect's ") + commandName(cmd));
        result.err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    openOutData.pop_back();
    --commandDepth;

    result.message.assign(out.return_msg, strnlen(out.return_msg, sizeof(out.return_msg)));
    result.outFlags = out.out_flags;
    if (undoStack.depth() != undoDepth) {
        hostLog.misuse(std::string("the ") + commandName(cmd) + " left " +
                       std::to_string(static_cast<long>(undoStack.depth()) - static_cast<long>(undoDepth)) +
                       " undo group(s) open");
    }
    afterCommand(cmd, instance, out, result.err);
    if (commandDepth == 0) {
        for (auto& held : suitesHeld) {
            if (held.second) hostLog.misuse("suite " + held.first + " acquired and never released");
            held.second = 0;
        }
        refreshPendingUI();
    }
    activeHost = previous;
    return result;
}

void Host::afterCommand(PF_Cmd cmd, EffectInstance* instance, const PF_OutData& out, PF_Err err)
{
    if (cmd == PF_Cmd_GLOBAL_SETUP) {
        version = out.my_version;
        outFlags = out.out_flags;
    }
    if (cmd == PF_Cmd_PARAMS_SETUP && out.num_params != static_cast<int32_t>(declared.size())) {
        hostLog.misuse("parameter set-up declared " + std::to_string(declared.size()) + " parameters but reported " +
                       std::to_string(out.num_params));
    }
    if (!instance) return;

    const PF_Handle before = instance->sequence;
    instance->sequence = out.sequence_data;
    if (cmd == PF_Cmd_SEQUENCE_RESETUP && before && before != out.sequence_data &&
        handleTable.alive(reinterpret_cast<uintptr_t>(before))) {
        // The flat block was handed over; an effect that keeps no use for it
        // leaves it to the host.
        handleTable.dispose(reinterpret_cast<uintptr_t>(before));
    }
    if (cmd == PF_Cmd_SEQUENCE_FLATTEN) instance->flat = true;
    if (cmd == PF_Cmd_SEQUENCE_SETUP || cmd == PF_Cmd_SEQUENCE_RESETUP) {
        instance->flat = false;
        // An instance that could not be set up is not shown.
        if (err) dropPendingUI(instance);
    }
    if (cmd == PF_Cmd_SEQUENCE_SETDOWN && out.sequence_data) {
        hostLog.misuse("sequence set-down left its sequence data");
        if (handleTable.alive(reinterpret_cast<uintptr_t>(out.sequence_data))) {
            handleTable.dispose(reinterpret_cast<uintptr_t>(out.sequence_data));
        }
        instance->sequence = nullptr;
    }
    // The parameter UI update itself asks for a refresh; answering that
    // with another update would never end.
    if ((out.out_flags & PF_OutFlag_REFRESH_UI) && !err && cmd != PF_Cmd_UPDATE_PARAMS_UI &&
        cmd != PF_Cmd_SEQUENCE_SETDOWN) {
        pendingUIRefresh.push_back(instance);
    }
}

void Host::refreshPendingUI()
{
    // Flattened instances are not shown; effects that did not ask for
    // updates get none.
    while (!pendingUIRefresh.empty()) {
        EffectInstance* instance = pendingUIRefresh.front();
        dropPendingUI(instance);
        if (!instance->isFlat() && (outFlags & PF_OutFlag_SEND_UPDATE_PARAMS_UI)) instance->updateParamsUI();
    }
}

} // namespace tavrix_host
