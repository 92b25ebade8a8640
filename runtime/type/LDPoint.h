#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class LDPoint : public LDObject {
public:
    LDPoint() : x(0), y(0) {}
    LDPoint(int x, int y) : x(x), y(y) {}
    virtual ~LDPoint() {}

    int x;
    int y;
};

} // namespace tavrix
