// The blocks passed with every command: in_data with the host's callbacks and
// facts about the layer, out_data for the effect's answers.
#pragma once

#include <stddef.h>

#include "PF_Params.h"
#include "SPBasicSuite.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct PF_ANSICallbacks {
    int (*sprintf)(char* buffer, const char* format, ...);
    char* (*strcpy)(char* dest, const char* src);
} PF_ANSICallbacks;

// Movable memory blocks that persist between commands. A block's address is
// valid only while it is locked.
typedef PF_Handle (*PF_NewHandleFunc)(uint64_t size);
typedef void* (*PF_LockHandleFunc)(PF_Handle handle);
typedef void (*PF_UnlockHandleFunc)(PF_Handle handle);
typedef void (*PF_DisposeHandleFunc)(PF_Handle handle);
typedef uint64_t (*PF_GetHandleSizeFunc)(PF_Handle handle);

typedef struct PF_UtilCallbacks {
    PF_ANSICallbacks ansi;
    PF_NewHandleFunc host_new_handle;
    PF_LockHandleFunc host_lock_handle;
    PF_UnlockHandleFunc host_unlock_handle;
    PF_DisposeHandleFunc host_dispose_handle;
    PF_GetHandleSizeFunc host_get_handle_size;
    // The address of the world's first pixel; pixels must be null.
    PF_Err (*get_pixel_data8)(PF_EffectWorld* world, void* pixels, PF_Pixel8** first_pixel);
} PF_UtilCallbacks;

typedef struct PF_InteractCallbacks {
    // index -1 appends the parameter to the effect's list.
    PF_Err (*add_param)(PF_ProgPtr effect_ref, int32_t index, PF_ParamDef* def);
    // Non-zero when the user asked the host to stop.
    PF_Err (*abort)(PF_ProgPtr effect_ref);
} PF_InteractCallbacks;

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    int32_t quality;
    // Four-character code of the host application.
    int32_t appl_id;
    int32_t num_params;
    int32_t current_time;
    int32_t time_step;
    uint32_t time_scale;
    // Layer size in full-resolution pixels.
    int32_t width;
    int32_t height;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_Handle global_data;
    PF_Handle sequence_data;
    const SPBasicSuite* pica_basicP;
} PF_InData;

typedef struct PF_OutData {
    uint32_t my_version;
    PF_Handle global_data;
    PF_Handle sequence_data;
    int32_t num_params;
    int32_t out_flags;
    int32_t out_flags2;
    char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
} PF_OutData;

// The one function an effect exports, under this unmangled name.
typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                    PF_LayerDef* output, void* extra);
#define PF_ENTRY_POINT_NAME "EntryPointFunc"

#define PF_FOUR_CHAR(a, b, c, d) ((int32_t)(((uint32_t)(a) << 24) | ((b) << 16) | ((c) << 8) | (d)))

#ifdef __cplusplus
}
#endif
