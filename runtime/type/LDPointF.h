#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class LDPointF : public LDObject {
public:
    LDPointF() : x(0), y(0) {}
    LDPointF(float x, float y) : x(x), y(y) {}
    virtual ~LDPointF() {}

    float x;
    float y;
};

} // namespace tavrix
