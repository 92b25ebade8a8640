// Image and utility suites an effect acquires by name and version through
// the basic suite.
#pragma once

#include "PF_Callbacks.h"

#ifdef __cplusplus
extern "C" {
#endif

#define kPFANSISuite "PF ANSI Suite"
#define kPFANSISuiteVersion1 1
typedef struct PF_ANSISuite1 {
    int (*sprintf)(char* buffer, const char* format, ...);
} PF_ANSISuite1;

#define kPFHandleSuite "PF Handle Suite"
#define kPFHandleSuiteVersion2 2
typedef struct PF_HandleSuite2 {
    PF_NewHandleFunc host_new_handle;
    PF_LockHandleFunc host_lock_handle;
    PF_UnlockHandleFunc host_unlock_handle;
    PF_DisposeHandleFunc host_dispose_handle;
    PF_GetHandleSizeFunc host_get_handle_size;
} PF_HandleSuite2;

#define kPFWorldSuite "PF World Suite"
#define kPFWorldSuiteVersion1 1
typedef struct PF_WorldSuite1 {
    // An 8-bit image of that size; PF_NewWorldFlag_CLEAR_PIXELS makes it
    // transparent black.
    PF_Err (*new_world)(PF_ProgPtr effect_ref, int32_t width, int32_t height, int32_t flags, PF_EffectWorld* world);
    PF_Err (*dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
} PF_WorldSuite1;

#define kPFPointParamSuite "PF PointParamSuite"
#define kPFPointParamSuiteVersion1 1
typedef struct PF_PointParamSuite1 {
    // The point in layer pixels at the current resolution, y downwards.
    PF_Err (*PF_GetFloatingPointValueFromPointDef)(PF_ProgPtr effect_ref, const PF_ParamDef* point,
                                                   A_FloatPoint* value);
} PF_PointParamSuite1;

#define kPFFillMatteSuite "PF Fill Matte Suite"
#define kPFFillMatteSuiteVersion2 2
typedef struct PF_FillMatteSuite2 {
    // forward non-zero: straight to premultiplied; zero: premultiplied to
    // straight. In place.
    PF_Err (*premultiply)(PF_ProgPtr effect_ref, int32_t forward, PF_EffectWorld* world);
} PF_FillMatteSuite2;

#define kPFWorldTransformSuite "PF World Transform Suite"
#define kPFWorldTransformSuiteVersion1 1
typedef struct PF_WorldTransformSuite1 {
    // Null rectangles mean the whole image; differing sizes are resampled,
    // nearest pixel by copy and bilinear by copy_hq.
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_rect,
                   const PF_Rect* dst_rect);
    PF_Err (*copy_hq)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* src_rect,
                      const PF_Rect* dst_rect);
} PF_WorldTransformSuite1;

typedef PF_Err (*PF_IteratePixel8Func)(void* refcon, int32_t x, int32_t y, PF_Pixel8* in, PF_Pixel8* out);

#define kPFIterate8Suite "PF Iterate8 Suite"
#define kPFIterate8SuiteVersion1 1
typedef struct PF_Iterate8Suite1 {
    // Calls pix_fn once per pixel of area (null: all of dst) with the source
    // pixel at the same place and the destination pixel to change in place.
    PF_Err (*iterate)(PF_InData* in_data, int32_t progress_base, int32_t progress_final, PF_EffectWorld* src,
                      const PF_Rect* area, void* refcon, PF_IteratePixel8Func pix_fn, PF_EffectWorld* dst);
} PF_Iterate8Suite1;

#ifdef __cplusplus
}
#endif
