#pragma once

#include "memory/LDObject.h"

namespace tavrix {

// Per-texture record of a drawing back-end. A texture number without one is
// not drawn. Drawing reads the colour factors and the scale; the alpha,
// interpolation and blend mode are kept for callers only.
class TextureInfo : public LDObject {
public:
    TextureInfo() : a(1.0f), r(1.0f), g(1.0f), b(1.0f), scale(1.0f), interpolate(1.0f), blendMode(0) {}
    virtual ~TextureInfo() {}

    float a;
    float r;
    float g;
    float b;
    float scale;
    float interpolate;
    int blendMode;
};

} // namespace tavrix
