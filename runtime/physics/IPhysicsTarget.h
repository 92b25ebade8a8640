#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class ATavrixModel;
class PhysicsHair;

// An output of a hair: a model parameter written from the hair's state.
class IPhysicsTarget : public LDObject {
public:
    // paramName is kept, not copied: it must outlive the target.
    IPhysicsTarget(const char* paramName, float scale, float weight)
        : paramName(paramName), scale(scale), weight(weight)
    {
    }
    virtual ~IPhysicsTarget() {}
    virtual void updateTarget(ATavrixModel*, PhysicsHair*) {}

protected:
    const char* paramName;
    float scale;
    float weight;
};

} // namespace tavrix
