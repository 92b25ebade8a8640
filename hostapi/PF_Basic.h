// Basic types, codes and flag words of the host's effect interface: what an
// effect and a host must agree on before any structure is exchanged.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
// 16.16 fixed-point number.
typedef int32_t PF_Fixed;
typedef uint16_t A_UTF16Char;

typedef struct A_Time {
    int32_t value;
    uint32_t scale;
} A_Time;

typedef struct A_FloatPoint {
    double x;
    double y;
} A_FloatPoint;

// num / den: 1/2 means the host renders at half resolution.
typedef struct PF_RationalScale {
    int32_t num;
    uint32_t den;
} PF_RationalScale;

// Opaque host objects: the effect only passes them back.
typedef struct PF_HostHandle* PF_Handle;
typedef struct PF_HostEffect* PF_ProgPtr;

enum {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_BAD_CALLBACK_PARAM = 516,
    PF_Err_UNSUPPORTED = 520,
    // The user stopped the render.
    PF_Interrupt_CANCEL = 530
};

// Commands the host sends to the entry point.
enum {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14
};

// out_data->out_flags.
enum {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_REFRESH_UI = 0x20000,
    PF_OutFlag_FORCE_RERENDER = 0x400000,
    PF_OutFlag_I_HAVE_EXTERNAL_DEPENDENCIES = 0x1000000,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x4000000
};

// in_data->quality.
enum {
    PF_Quality_LO = 0,
    PF_Quality_HI = 1
};

enum {
    PF_NewWorldFlag_NONE = 0,
    PF_NewWorldFlag_CLEAR_PIXELS = 1
};

// Longest message an effect may leave in out_data->return_msg.
enum { PF_MAX_EFFECT_MSG_LEN = 255 };

#define PF_VERSION(major, minor, bugfix, stage, build)                                                   \
    ((uint32_t)(((major) << 19) | ((minor) << 15) | ((bugfix) << 11) | ((stage) << 9) | (build)))

enum {
    PF_Stage_DEVELOP = 0
};

#ifdef __cplusplus
}
#endif
