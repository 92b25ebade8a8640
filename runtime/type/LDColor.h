#pragma once

#include "memory/LDObject.h"

namespace tavrix {

// A packed colour value; the stream's second constructor argument is not kept.
class LDColor : public LDObject {
public:
    LDColor() : color(0) {}
    LDColor(int color, bool useAlpha) : color(color) { (void)useAlpha; }
    virtual ~LDColor() {}

    int color;
};

} // namespace tavrix
