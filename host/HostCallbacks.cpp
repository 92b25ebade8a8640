// Every callback and suite function the host offers, each a thin layer over
// the active Host: look up what the effect names, refuse what is not live,
// and do the work.
#include "HostCallbacks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "EffectInstance.h"
#include "Host.h"
#include "HostWorld.h"
#include "Utf16.h"
#include "WorldOps.h"

namespace tavrix_host {

namespace {

// Notes the call and gives the failure a test arranged for it, or
// PF_Err_BAD_CALLBACK_PARAM when no host is active.
PF_Err enter(const char* name)
{
    Host* host = Host::active();
    return host ? host->calls().enter(name) : PF_Err_BAD_CALLBACK_PARAM;
}

uintptr_t idOf(const void* opaque)
{
    return reinterpret_cast<uintptr_t>(opaque);
}

// ---- basic suite

SPErr acquireSuite(const char* name, int32_t version, const void** suite);
SPErr releaseSuite(const char* name, int32_t version);

// ---- ANSI and handle callbacks

int hostSprintf(char* buffer, const char* format, ...)
{
    if (enter("sprintf")) return -1;
    va_list args;
    va_start(args, format);
    // An effect's message buffer has a known size; other buffers are the
    // caller's to size, as with the C function.
    const bool message = Host::active()->isReturnMessage(buffer);
    int written = message ? std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args)
                          : std::vsprintf(buffer, format, args);
    va_end(args);
    return written;
}

char* hostStrcpy(char* dest, const char* src)
{
    if (enter("strcpy")) return dest;
    if (Host::active()->isReturnMessage(dest)) {
        std::snprintf(dest, PF_MAX_EFFECT_MSG_LEN + 1, "%s", src);
        return dest;
    }
    return std::strcpy(dest, src);
}

PF_Handle newHandle(uint64_t size)
{
    if (enter("host_new_handle")) return nullptr;
    return reinterpret_cast<PF_Handle>(Host::active()->handles().create(size));
}

void* lockHandle(PF_Handle handle)
{
    if (enter("host_lock_handle")) return nullptr;
    return Host::active()->handles().lock(idOf(handle));
}

void unlockHandle(PF_Handle handle)
{
    if (enter("host_unlock_handle")) return;
    Host::active()->handles().unlock(idOf(handle));
}

void disposeHandle(PF_Handle handle)
{
    if (enter("host_dispose_handle")) return;
    Host::active()->handles().dispose(idOf(handle));
}

uint64_t handleSize(PF_Handle handle)
{
    if (enter("host_get_handle_size")) return 0;
    Host* host = Host::active();
    if (!host->handles().alive(idOf(handle))) {
        host->log().misuse("size of a disposed or unknown handle");
        return 0;
    }
    return host->handles().size(idOf(handle));
}

PF_Err getPixelData8(PF_EffectWorld* world, void* pixels, PF_Pixel8** first)
{
    if (PF_Err err = enter("get_pixel_data8")) return err;
    if (!first) return PF_Err_BAD_CALLBACK_PARAM;
    *first = nullptr;
    if (!world || pixels) return PF_Err_BAD_CALLBACK_PARAM;
    *first = world->data;
    return PF_Err_NONE;
}

PF_Err addParam(PF_ProgPtr effect_ref, int32_t index, PF_ParamDef* def)
{
    if (PF_Err err = enter("add_param")) return err;
    return Host::active()->declareParam(effect_ref, index, def);
}

PF_Err abortCheck(PF_ProgPtr)
{
    if (PF_Err err = enter("abort")) return err;
    return Host::active()->abortPending() ? PF_Interrupt_CANCEL : PF_Err_NONE;
}

// ---- worlds and pixels

HostWorld* liveWorld(const PF_EffectWorld* world, const char* operation)
{
    Host* host = Host::active();
    if (world) {
        auto it = host->worlds().find(world->host_world);
        if (it != host->worlds().end()) return it->second.get();
    }
    host->log().misuse(std::string(operation) + " of a world the host did not make or has disposed");
    return nullptr;
}

// Worlds the host made for effects, or the input, output and others it
// hands over with a command: any world with pixels.
bool usableWorld(const PF_EffectWorld* world)
{
    return world && world->data && world->width >= 0 && world->height >= 0 && world->rowbytes >= world->width * 4;
}

PF_Err newWorld(PF_ProgPtr, int32_t width, int32_t height, int32_t flags, PF_EffectWorld* world)
{
    if (PF_Err err = enter("new_world")) return err;
    if (!world || width < 0 || height < 0) return PF_Err_BAD_CALLBACK_PARAM;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > HandleTable::MAX_BLOCK_SIZE) {
        return PF_Err_OUT_OF_MEMORY;
    }
    // Pixels start cleared whatever the flags say: no stale memory leaks into
    // a frame.
    (void)flags;
    auto made = std::make_unique<HostWorld>(width, height);
    *world = made->world();
    Host::active()->worlds()[made.get()] = std::move(made);
    return PF_Err_NONE;
}

PF_Err disposeWorld(PF_ProgPtr, PF_EffectWorld* world)
{
    if (PF_Err err = enter("dispose_world")) return err;
    HostWorld* made = liveWorld(world, "dispose");
    if (!made) return PF_Err_BAD_CALLBACK_PARAM;
    Host::active()->worlds().erase(made);
    std::memset(world, 0, sizeof(*world));
    return PF_Err_NONE;
}

PF_Err pointValue(PF_ProgPtr, const PF_ParamDef* point, A_FloatPoint* value)
{
    if (PF_Err err = enter("PF_GetFloatingPointValueFromPointDef")) return err;
    if (!point || !value || point->param_type != PF_Param_POINT) return PF_Err_BAD_CALLBACK_PARAM;
    value->x = point->u.td.x_value / 65536.0;
    value->y = point->u.td.y_value / 65536.0;
    return PF_Err_NONE;
}

PF_Err premultiply(PF_ProgPtr, int32_t forward, PF_EffectWorld* world)
{
    if (PF_Err err = enter("premultiply")) return err;
    if (!usableWorld(world)) return PF_Err_BAD_CALLBACK_PARAM;
    if (forward) {
        WorldOps::premultiply(*world);
    } else {
        WorldOps::unpremultiply(*world);
    }
    return PF_Err_NONE;
}

PF_Err copyWorld(const char* name, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_rect,
                 const PF_Rect* dst_rect, bool highQuality)
{
    if (PF_Err err = enter(name)) return err;
    if (!usableWorld(src) || !usableWorld(dst)) return PF_Err_BAD_CALLBACK_PARAM;
    // Whole images only: what effects of this host ask for.
    if (src_rect || dst_rect) return PF_Err_UNSUPPORTED;
    WorldOps::copy(*src, *dst, highQuality);
    return PF_Err_NONE;
}

PF_Err copyFast(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_rect, const PF_Rect* dst_rect)
{
    return copyWorld("copy", src, dst, src_rect, dst_rect, false);
}

PF_Err copyHighQuality(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_rect,
                       const PF_Rect* dst_rect)
{
    return copyWorld("copy_hq", src, dst, src_rect, dst_rect, true);
}

PF_Err iterate(PF_InData*, int32_t, int32_t, PF_EffectWorld* src, const PF_Rect* area, void* refcon,
               PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst)
{
    if (PF_Err err = enter("iterate")) return err;
    if (!pix_fn || !usableWorld(dst) || (src && src->data && !usableWorld(src))) return PF_Err_BAD_CALLBACK_PARAM;
    if (area) return PF_Err_UNSUPPORTED;
    return WorldOps::iterate(src && src->data ? src : nullptr, *dst, refcon, pix_fn);
}

// ---- project suites

A_Err startUndoGroup(const char* name)
{
    if (A_Err err = enter("AEGP_StartUndoGroup")) return err;
    Host::active()->undo().start(name);
    return PF_Err_NONE;
}

A_Err endUndoGroup()
{
    if (A_Err err = enter("AEGP_EndUndoGroup")) return err;
    Host* host = Host::active();
    if (!host->undo().end()) {
        host->log().misuse("undo group ended that was never started");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return PF_Err_NONE;
}

AEGP_MemHandle textHandle(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return reinterpret_cast<AEGP_MemHandle>(Host::active()->memHandles().adopt(bytes));
}

A_Err executeScript(AEGP_PluginID, const char* script, A_Boolean, AEGP_MemHandle* result, AEGP_MemHandle* error)
{
    if (A_Err err = enter("AEGP_ExecuteScript")) return err;
    if (!script || !result) return PF_Err_BAD_CALLBACK_PARAM;
    std::string value;
    std::string errorText;
    const bool ran = Host::active()->runScript(script, value, errorText);
    *result = textHandle(ran ? value : std::string());
    if (error) *error = textHandle(ran ? std::string() : errorText);
    return ran ? A_Err(PF_Err_NONE) : A_Err(A_Err_SCRIPT_FAILED);
}

A_Err newEffectForEffect(AEGP_PluginID, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect)
{
    if (A_Err err = enter("AEGP_GetNewEffectForEffect")) return err;
    if (!effect) return PF_Err_BAD_CALLBACK_PARAM;
    Host* host = Host::active();
    EffectInstance* instance = host->instanceFor(effect_ref);
    if (!instance) {
        host->log().misuse("effect reference asked for an unknown instance");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *effect = reinterpret_cast<AEGP_EffectRefH>(host->effectRefs().add(instance));
    return PF_Err_NONE;
}

A_Err disposeEffect(AEGP_EffectRefH effect)
{
    if (A_Err err = enter("AEGP_DisposeEffect")) return err;
    return Host::active()->effectRefs().dispose(idOf(effect), "dispose") ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

A_Err effectCallGeneric(AEGP_PluginID, AEGP_EffectRefH effect, const A_Time* time, PF_Cmd cmd, void* extra)
{
    if (A_Err err = enter("AEGP_EffectCallGeneric")) return err;
    Host* host = Host::active();
    EffectInstance* const* instance = host->effectRefs().find(idOf(effect), "call");
    if (!instance) return PF_Err_BAD_CALLBACK_PARAM;
    const A_Time at = time ? *time : A_Time{0, 100};
    return (*instance)->callGeneric(cmd, at, extra).err;
}

A_Err lockMemHandle(AEGP_MemHandle mem, void** address)
{
    if (A_Err err = enter("AEGP_LockMemHandle")) return err;
    if (!address) return PF_Err_BAD_CALLBACK_PARAM;
    *address = Host::active()->memHandles().lock(idOf(mem));
    return *address ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

A_Err unlockMemHandle(AEGP_MemHandle mem)
{
    if (A_Err err = enter("AEGP_UnlockMemHandle")) return err;
    Host::active()->memHandles().unlock(idOf(mem));
    return PF_Err_NONE;
}

A_Err freeMemHandle(AEGP_MemHandle mem)
{
    if (A_Err err = enter("AEGP_FreeMemHandle")) return err;
    Host* host = Host::active();
    if (!host->memHandles().alive(idOf(mem))) {
        host->memHandles().dispose(idOf(mem));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    host->memHandles().dispose(idOf(mem));
    return PF_Err_NONE;
}

A_Err memHandleSize(AEGP_MemHandle mem, uint64_t* size)
{
    if (A_Err err = enter("AEGP_GetMemHandleSize")) return err;
    if (!size) return PF_Err_BAD_CALLBACK_PARAM;
    Host* host = Host::active();
    if (!host->memHandles().alive(idOf(mem))) {
        host->log().misuse("size of a freed or unknown memory handle");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *size = host->memHandles().size(idOf(mem));
    return PF_Err_NONE;
}

A_Err newEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH effect, int32_t index, AEGP_StreamRefH* stream)
{
    if (A_Err err = enter("AEGP_GetNewEffectStreamByIndex")) return err;
    if (!stream) return PF_Err_BAD_CALLBACK_PARAM;
    Host* host = Host::active();
    EffectInstance* const* instance = host->effectRefs().find(idOf(effect), "stream lookup");
    if (!instance) return PF_Err_BAD_CALLBACK_PARAM;
    // Parameter 0 is the layer itself and has no stream of the effect.
    if (index <= 0 || static_cast<size_t>(index) >= (*instance)->paramCount()) return PF_Err_INVALID_INDEX;
    *stream = reinterpret_cast<AEGP_StreamRefH>(host->streamRefs().add(Host::StreamTarget{*instance, index}));
    return PF_Err_NONE;
}

A_Err disposeStream(AEGP_StreamRefH stream)
{
    if (A_Err err = enter("AEGP_DisposeStream")) return err;
    return Host::active()->streamRefs().dispose(idOf(stream), "dispose") ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

A_Err setStreamName(AEGP_StreamRefH stream, const A_UTF16Char* name)
{
    if (A_Err err = enter("AEGP_SetStreamName")) return err;
    const Host::StreamTarget* target = Host::active()->streamRefs().find(idOf(stream), "rename");
    if (!target || !name) return PF_Err_BAD_CALLBACK_PARAM;
    target->instance->param(target->index).streamName = Utf16::toUtf8(name);
    return PF_Err_NONE;
}

A_Err setDynamicStreamFlag(AEGP_StreamRefH stream, int32_t flag, A_Boolean, A_Boolean set)
{
    if (A_Err err = enter("AEGP_SetDynamicStreamFlag")) return err;
    const Host::StreamTarget* target = Host::active()->streamRefs().find(idOf(stream), "flag change");
    if (!target) return PF_Err_BAD_CALLBACK_PARAM;
    if (flag != AEGP_DynStreamFlag_HIDDEN) return PF_Err_UNSUPPORTED;
    target->instance->param(target->index).hidden = set != 0;
    return PF_Err_NONE;
}

// ---- the suite tables

const PF_ANSISuite1 ansiSuite1 = {hostSprintf};
const PF_HandleSuite2 handleSuite2 = {newHandle, lockHandle, unlockHandle, disposeHandle, handleSize};
const PF_WorldSuite1 worldSuite1 = {newWorld, disposeWorld};
const PF_PointParamSuite1 pointParamSuite1 = {pointValue};
const PF_FillMatteSuite2 fillMatteSuite2 = {premultiply};
const PF_WorldTransformSuite1 worldTransformSuite1 = {copyFast, copyHighQuality};
const PF_Iterate8Suite1 iterate8Suite1 = {iterate};
const AEGP_UtilitySuite11 utilitySuite11 = {startUndoGroup, endUndoGroup, executeScript};
const AEGP_PFInterfaceSuite1 pfInterfaceSuite1 = {newEffectForEffect};
const AEGP_MemorySuite1 memorySuite1 = {lockMemHandle, unlockMemHandle, freeMemHandle, memHandleSize};
const AEGP_StreamSuite7 streamSuite7 = {newEffectStreamByIndex, disposeStream};
const AEGP_DynamicStreamSuite5 dynamicStreamSuite5 = {setStreamName};
const AEGP_DynamicStreamSuite2 dynamicStreamSuite2 = {setDynamicStreamFlag};
const AEGP_EffectSuite2 effectSuite2 = {disposeEffect};
const AEGP_EffectSuite3 effectSuite3 = {effectCallGeneric};

struct SuiteEntry {
    const char* name;
    int32_t version;
    const void* table;
};

const SuiteEntry SUITES[] = {
    {kPFANSISuite, kPFANSISuiteVersion1, &ansiSuite1},
    {kPFHandleSuite, kPFHandleSuiteVersion2, &handleSuite2},
    {kPFWorldSuite, kPFWorldSuiteVersion1, &worldSuite1},
    {kPFPointParamSuite, kPFPointParamSuiteVersion1, &pointParamSuite1},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2, &fillMatteSuite2},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1, &worldTransformSuite1},
    {kPFIterate8Suite, kPFIterate8SuiteVersion1, &iterate8Suite1},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion11, &utilitySuite11},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &pfInterfaceSuite1},
    {kAEGPMemorySuite, kAEGPMemorySuiteVersion1, &memorySuite1},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion7, &streamSuite7},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion5, &dynamicStreamSuite5},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion2, &dynamicStreamSuite2},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion2, &effectSuite2},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion3, &effectSuite3},
};

std::string suiteKey(const char* name, int32_t version)
{
    return std::string(name) + " " + std::to_string(version);
}

SPErr acquireSuite(const char* name, int32_t version, const void** suite)
{
    if (!suite || !name) return kSPSuiteNotFoundError;
    *suite = nullptr;
    Host* host = Host::active();
    // A test withholds a suite by failing "AcquireSuite <name> <version>".
    if (!host || host->calls().enter("AcquireSuite " + suiteKey(name, version))) return kSPSuiteNotFoundError;
    for (const SuiteEntry& entry : SUITES) {
        if (entry.version == version && std::strcmp(entry.name, name) == 0) {
            *suite = entry.table;
            ++host->acquiredSuites()[suiteKey(name, version)];
            return kSPNoError;
        }
    }
    return kSPSuiteNotFoundError;
}

SPErr releaseSuite(const char* name, int32_t version)
{
    Host* host = Host::active();
    if (!host || !name) return kSPSuiteNotFoundError;
    int& held = host->acquiredSuites()[suiteKey(name, version)];
    if (held == 0) {
        host->log().misuse("suite " + suiteKey(name, version) + " released more often than acquired");
        return kSPSuiteNotFoundError;
    }
    --held;
    return kSPNoError;
}

} // namespace

const SPBasicSuite HostCallbacks::basicSuite = {acquireSuite, releaseSuite};
const PF_InteractCallbacks HostCallbacks::interact = {addParam, abortCheck};
PF_UtilCallbacks HostCallbacks::utils = {{hostSprintf, hostStrcpy}, newHandle,  lockHandle, unlockHandle,
                                         disposeHandle,             handleSize, getPixelData8};

} // namespace tavrix_host
