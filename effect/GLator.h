// The effect's command handlers and its parameter table.
#pragma once

#include "PF_Callbacks.h"

// Parameter indices; each parameter's id equals its index.
enum {
    kLayerInput = 0,
    kModelGroupStart = 1,
    kLoadButton = 2,
    kPosition = 3,
    kScale = 4,
    kModelGroupEnd = 5,
    kParamsGroupStart = 6,
    kFirstModelSlider = 7,
    kModelSliderCount = 256,
    kParamsGroupEnd = kFirstModelSlider + kModelSliderCount,
    kNumParams = kParamsGroupEnd + 1
};

// The effect's version as the host sees it: 0.9.3, development stage, build 2.
enum {
    kMajorVersion = 0,
    kMinorVersion = 9,
    kBugVersion = 3,
    kStageVersion = PF_Stage_DEVELOP,
    kBuildVersion = 2
};

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data,
                                                                         PF_OutData* out_data, PF_ParamDef* params[],
                                                                         PF_LayerDef* output, void* extra);

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err GlobalSetdown(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err UpdateParamsUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceFlatten(PF_InData* in_data, PF_OutData* out_data);
PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data);

PF_Err UserChangedParam(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                        const PF_UserChangedParamExtra* extra);

// Names the sliders after the loaded model's parameters and hides the rest.
PF_Err renameParams(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

// Masking step of Render: out.alpha = out.alpha * in.alpha / 255.
PF_Err MultAlpha(void* refcon, int32_t x, int32_t y, PF_Pixel* in, PF_Pixel* out);
