#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AEGP_Suites.h"
#include "CallLog.h"
#include "HandleTable.h"
#include "HostLog.h"
#include "PluginModule.h"
#include "RefTable.h"
#include "UndoStack.h"

namespace tavrix_host {

class EffectInstance;
class HostWorld;

// The answer to one command: the effect's result and the message it left.
struct CommandResult {
    PF_Err err = PF_Err_NONE;
    std::string message;
    int32_t outFlags = 0;
};

// Runs a script for the effect; false with error text when it fails.
using ScriptRunner = std::function<bool(const std::string& script, std::string& result, std::string& error)>;

// The substitute host: loads an effect plug-in, sends it commands in the
// order a compositing host does, and answers every callback and suite
// function with real behaviour: handles, worlds, effect and stream
// references, undo groups, memory handles and re-entrant effect calls.
// Callbacks carry no context, so one host is active in a process at a time.
class Host {
public:
    Host();
    ~Host();

    // Loads the plug-in and sends global and parameter set-up. False with
    // the reason when the library cannot be loaded or either command fails.
    bool open(const std::string& pluginPath, std::string& error);
    // Sets down every instance (disposing of flattened ones), then the
    // effect itself, and unloads it. Leaked references are reported.
    void close();
    bool isOpen() const { return module.loaded(); }

    CommandResult about();
    // A new instance on a layer of that size: sequence set-up, or re-set-up
    // from savedState (the text of a flattened instance) when given, then a
    // parameter UI update. Null with the result when the effect refuses.
    EffectInstance* addInstance(int32_t layerWidth, int32_t layerHeight, const std::string* savedState,
                                CommandResult* result = nullptr);
    // Sequence set-down (or disposal of the flat block) and removal.
    CommandResult removeInstance(EffectInstance* instance);
    const std::vector<std::unique_ptr<EffectInstance>>& instances() const { return effectInstances; }

    // What parameter set-up declared, index 0 the input layer.
    const std::vector<PF_ParamDef>& declaredParams() const { return declared; }
    const CommandResult& globalSetupResult() const { return globalSetup; }
    uint32_t effectVersion() const { return version; }
    int32_t globalOutFlags() const { return outFlags; }

    HostLog& log() { return hostLog; }
    CallLog& calls() { return callLog; }
    HandleTable& handles() { return handleTable; }
    HandleTable& memHandles() { return memHandleTable; }
    UndoStack& undo() { return undoStack; }
    void setScriptRunner(ScriptRunner runner) { scriptRunner = std::move(runner); }
    // A cancel request: the effect's next abort check answers
    // PF_Interrupt_CANCEL.
    void requestAbort(bool on) { abortRequested = on; }
    // Four-character code of the application the effect is told it runs in.
    void setApplicationId(int32_t id) { applicationId = id; }

    // Sends one command. instance is null for the effect-wide commands.
    CommandResult send(PF_Cmd cmd, EffectInstance* instance, PF_ParamDef** params, PF_LayerDef* output, void* extra,
                       const PF_InData* inDataTemplate = nullptr);

    static Host* active() { return activeHost; }

    // For the callbacks (HostCallbacks.cpp).
    EffectInstance* instanceFor(PF_ProgPtr effect_ref);
    PF_ProgPtr effectRefOf(const EffectInstance* instance) const;
    RefTable<EffectInstance*>& effectRefs() { return effectRefTable; }
    struct StreamTarget {
        EffectInstance* instance;
        int32_t index;
    };
    RefTable<StreamTarget>& streamRefs() { return streamRefTable; }
    std::map<const void*, std::unique_ptr<HostWorld>>& worlds() { return worldTable; }
    const SPBasicSuite* basicSuite() const;
    bool isReturnMessage(const char* buffer) const;
    PF_Err declareParam(PF_ProgPtr effect_ref, int32_t index, const PF_ParamDef* def);
    bool abortPending() const { return abortRequested; }
    bool runScript(const std::string& script, std::string& result, std::string& error);
    std::map<std::string, int>& acquiredSuites() { return suitesHeld; }

    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

private:
    friend class EffectInstance;
    void afterCommand(PF_Cmd cmd, EffectInstance* instance, const PF_OutData& out, PF_Err err);
    void refreshPendingUI();
    void dropPendingUI(EffectInstance* instance);

    static Host* activeHost;

    PluginModule module;
    HostLog hostLog;
    CallLog callLog;
    HandleTable handleTable;
    HandleTable memHandleTable;
    UndoStack undoStack;
    RefTable<EffectInstance*> effectRefTable;
    RefTable<StreamTarget> streamRefTable;
    std::map<const void*, std::unique_ptr<HostWorld>> worldTable;
    std::map<std::string, int> suitesHeld;
    std::vector<std::unique_ptr<EffectInstance>> effectInstances;
    std::vector<PF_ParamDef> declared;
    bool declaring = false;
    CommandResult globalSetup;
    uint32_t version = 0;
    int32_t outFlags = 0;
    ScriptRunner scriptRunner;
    bool abortRequested = false;
    int32_t applicationId;
    int commandDepth = 0;
    std::vector<const PF_OutData*> openOutData;
    std::vector<EffectInstance*> pendingUIRefresh;
};

} // namespace tavrix_host
