// Parameter definitions: what an effect declares at parameter set-up and
// what the host hands it, filled with the current values, at every command.
#pragma once

#include "PF_World.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PF_Param_LAYER = 0,
    PF_Param_POINT = 6,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15
};

// PF_ParamDef::flags.
enum {
    PF_ParamFlag_CANNOT_TIME_VARY = 2,
    PF_ParamFlag_SUPERVISE = 64
};

// PF_ParamDef::ui_flags.
enum {
    PF_PUI_STD_CONTROL_ONLY = 4
};

// PF_ParamDef::uu.change_flags: set by an effect that wrote a new value.
enum {
    PF_ChangeFlag_CHANGED_VALUE = 1
};

// PF_FloatSliderDef::display_flags.
enum {
    PF_ValueDisplayFlag_PERCENT = 1
};

enum { PF_MAX_NAME_LEN = 31 };

// Coordinates are 16.16 fixed point: at set-up, percentages of the layer
// size; afterwards, layer pixels at the current resolution.
typedef struct PF_PointDef {
    PF_Fixed x_value;
    PF_Fixed y_value;
    PF_Fixed x_dephault;
    PF_Fixed y_dephault;
    uint8_t restrict_bounds;
} PF_PointDef;

typedef struct PF_FloatSliderDef {
    double value;
    float valid_min;
    float valid_max;
    float slider_min;
    float slider_max;
    double dephault;
    int16_t precision;
    int16_t display_flags;
    uint32_t fs_flags;
    float curve_tolerance;
} PF_FloatSliderDef;

typedef struct PF_ButtonDef {
    // Text on the button.
    const char* namesptr;
} PF_ButtonDef;

typedef struct PF_ParamDef {
    struct {
        int32_t id;
        int32_t change_flags;
    } uu;
    int32_t ui_flags;
    int32_t param_type;
    char name[PF_MAX_NAME_LEN + 1];
    int32_t flags;
    union {
        PF_LayerDef ld;
        PF_PointDef td;
        PF_FloatSliderDef fs_d;
        PF_ButtonDef button_d;
    } u;
} PF_ParamDef;

typedef PF_ParamDef* PF_ParamList;

// The extra block of PF_Cmd_USER_CHANGED_PARAM.
typedef struct PF_UserChangedParamExtra {
    int32_t param_index;
} PF_UserChangedParamExtra;

#ifdef __cplusplus
}
#endif
