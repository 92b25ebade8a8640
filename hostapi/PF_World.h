// 8-bit images exchanged between host and effect.
#pragma once

#include "PF_Basic.h"

#ifdef __cplusplus
extern "C" {
#endif

// One pixel; the bytes lie in memory as alpha, red, green, blue.
typedef struct PF_Pixel {
    uint8_t alpha;
    uint8_t red;
    uint8_t green;
    uint8_t blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

typedef struct PF_Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} PF_Rect;

// An image: rows top to bottom, rowbytes apart. host_world is the host's own
// record behind it; effects leave it alone.
typedef struct PF_LayerDef {
    void* host_world;
    PF_Pixel* data;
    int32_t rowbytes;
    int32_t width;
    int32_t height;
    int32_t world_flags;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

#ifdef __cplusplus
}
#endif
