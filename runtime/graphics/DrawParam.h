#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class DrawDataID;

// Drawing back-end of a model (placeholder until the full back-end lands).
class DrawParam : public LDObject {
public:
    virtual ~DrawParam() {}
    virtual void setupDraw() {}
    virtual void drawTexture(int textureNo, int indexCount, int numPoints, unsigned short* indexArray,
                             float* vertexArray, float* uvArray, float opacity, int compositionMode) = 0;
};

} // namespace tavrix
