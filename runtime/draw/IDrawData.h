#pragma once

#include "io/ISerializableV2.h"

namespace tavrix {

// Drawable of the model data. Only what owners of drawables need so far: a
// drawable is read from the stream and deleted through this base.
class IDrawData : public ISerializableV2 {
public:
    virtual ~IDrawData() {}
};

} // namespace tavrix
