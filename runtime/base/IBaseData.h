#pragma once

#include "io/ISerializableV2.h"

namespace tavrix {

// Deformer of the model data. Only what owners of deformers need so far: a
// deformer is read from the stream and deleted through this base.
class IBaseData : public ISerializableV2 {
public:
    virtual ~IBaseData() {}
};

} // namespace tavrix
