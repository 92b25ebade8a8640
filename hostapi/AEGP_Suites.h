// Project-level suites: undo, scripts, memory, effect and stream references.
#pragma once

#include "PF_Callbacks.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t A_Err;
typedef uint8_t A_Boolean;
typedef int32_t AEGP_PluginID;
typedef struct AEGP_HostEffectRef* AEGP_EffectRefH;
typedef struct AEGP_HostStreamRef* AEGP_StreamRefH;
typedef struct AEGP_HostMemHandle* AEGP_MemHandle;

enum {
    AEGP_DynStreamFlag_HIDDEN = 2
};

// AEGP_ExecuteScript's answer when the script could not be run or ended
// with an error.
enum {
    A_Err_SCRIPT_FAILED = 1
};

#define kAEGPUtilitySuite "AEGP Utility Suite"
#define kAEGPUtilitySuiteVersion11 11
typedef struct AEGP_UtilitySuite11 {
    // Changes between start and end form one undo step; groups nest.
    A_Err (*AEGP_StartUndoGroup)(const char* undo_name);
    A_Err (*AEGP_EndUndoGroup)(void);
    // Runs the script to completion. Its value comes back as text in
    // *result, an error text in *error when error is not null; the caller
    // frees both. platform_encoding false: script and texts are UTF-8.
    // A script that throws gives A_Err_SCRIPT_FAILED and its message.
    A_Err (*AEGP_ExecuteScript)(AEGP_PluginID plugin_id, const char* script, A_Boolean platform_encoding,
                                AEGP_MemHandle* result, AEGP_MemHandle* error);
} AEGP_UtilitySuite11;

#define kAEGPPFInterfaceSuite "AEGP PF Interface Suite"
#define kAEGPPFInterfaceSuiteVersion1 1
typedef struct AEGP_PFInterfaceSuite1 {
    // A reference to the effect instance behind effect_ref; dispose of it.
    A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref, AEGP_EffectRefH* effect);
} AEGP_PFInterfaceSuite1;

#define kAEGPMemorySuite "AEGP Memory Suite"
#define kAEGPMemorySuiteVersion1 1
typedef struct AEGP_MemorySuite1 {
    A_Err (*AEGP_LockMemHandle)(AEGP_MemHandle mem, void** address);
    A_Err (*AEGP_UnlockMemHandle)(AEGP_MemHandle mem);
    // Freeing a locked handle is allowed; the address is gone afterwards.
    A_Err (*AEGP_FreeMemHandle)(AEGP_MemHandle mem);
    A_Err (*AEGP_GetMemHandleSize)(AEGP_MemHandle mem, uint64_t* size);
} AEGP_MemorySuite1;

#define kAEGPStreamSuite "AEGP Stream Suite"
#define kAEGPStreamSuiteVersion7 7
typedef struct AEGP_StreamSuite7 {
    // The stream of one parameter (index as declared); dispose of it.
    A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect, int32_t param_index,
                                            AEGP_StreamRefH* stream);
    A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH stream);
} AEGP_StreamSuite7;

#define kAEGPDynamicStreamSuite "AEGP Dynamic Stream Suite"
#define kAEGPDynamicStreamSuiteVersion5 5
typedef struct AEGP_DynamicStreamSuite5 {
    // name: zero-terminated UTF-16.
    A_Err (*AEGP_SetStreamName)(AEGP_StreamRefH stream, const A_UTF16Char* name);
} AEGP_DynamicStreamSuite5;

#define kAEGPDynamicStreamSuiteVersion2 2
typedef struct AEGP_DynamicStreamSuite2 {
    A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH stream, int32_t flag, A_Boolean undoable, A_Boolean set);
} AEGP_DynamicStreamSuite2;

#define kAEGPEffectSuite "AEGP Effect Suite"
#define kAEGPEffectSuiteVersion2 2
typedef struct AEGP_EffectSuite2 {
    A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effect);
} AEGP_EffectSuite2;

#define kAEGPEffectSuiteVersion3 3
typedef struct AEGP_EffectSuite3 {
    // Sends cmd to the effect instance behind effect and returns when it has
    // been answered.
    A_Err (*AEGP_EffectCallGeneric)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect, const A_Time* time, PF_Cmd cmd,
                                    void* extra);
} AEGP_EffectSuite3;

#ifdef __cplusplus
}
#endif
