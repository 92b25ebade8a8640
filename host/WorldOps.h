#pragma once

#include <stdint.h>

#include <vector>

#include "PF_Suites.h"

namespace tavrix_host {

// Pixel work the host does on 8-bit worlds for effects and for its own
// compositing. Straight RGBA buffers are rows top to bottom, 4 bytes a pixel.
class WorldOps {
public:
    // Premultiplied colour to straight colour, rounded; alpha 0 gives
    // transparent black.
    static void unpremultiply(PF_EffectWorld& world);
    // Straight colour to premultiplied, rounded.
    static void premultiply(PF_EffectWorld& world);
    // The whole of src into the whole of dst; a size change samples the
    // nearest pixel, or bilinearly when highQuality is set.
    static void copy(const PF_EffectWorld& src, PF_EffectWorld& dst, bool highQuality);
    // pix_fn once per pixel of dst, with the src pixel at the same place
    // (transparent where src has none). Large images are split into bands
    // of rows that run on threads of their own, so pix_fn must be safe to
    // call from several threads at once. Each band stops at its first error;
    // the error of the topmost failing band is returned.
    static PF_Err iterate(const PF_EffectWorld* src, PF_EffectWorld& dst, void* refcon, PF_IteratePixel8Func pix_fn);
    static void fill(PF_EffectWorld& world, PF_Pixel colour);

    static void fromRGBA(const uint8_t* rgba, PF_EffectWorld& world);
    static void toRGBA(const PF_EffectWorld& world, std::vector<uint8_t>& rgba);
    // Straight-alpha "over": world placed at (left, top) onto a straight RGBA
    // frame of frameWidth x frameHeight. A pixel over transparent stays
    // exactly itself.
    static void compositeOver(const PF_EffectWorld& world, int32_t left, int32_t top, std::vector<uint8_t>& frame,
                              int32_t frameWidth, int32_t frameHeight);
};

} // namespace tavrix_host
