#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class LDRect : public LDObject {
public:
    LDRect() : x(0), y(0), width(0), height(0) {}
    LDRect(int x, int y, int width, int height) : x(x), y(y), width(width), height(height) {}
    virtual ~LDRect() {}

    int x;
    int y;
    int width;
    int height;
};

} // namespace tavrix
