#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class LDRectF : public LDObject {
public:
    LDRectF() : x(0), y(0), width(0), height(0) {}
    LDRectF(float x, float y, float width, float height) : x(x), y(y), width(width), height(height) {}
    virtual ~LDRectF() {}

    float x;
    float y;
    float width;
    float height;
};

} // namespace tavrix
