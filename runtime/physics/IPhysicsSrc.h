#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class ATavrixModel;
class PhysicsHair;

// An input of a hair: a model parameter, scaled, moving the hair by weight.
class IPhysicsSrc : public LDObject {
public:
    // paramName is kept, not copied: it must outlive the source.
    IPhysicsSrc(const char* paramName, float scale, float weight) : paramName(paramName), scale(scale), weight(weight) {}
    virtual ~IPhysicsSrc() {}
    virtual void updateSrc(ATavrixModel*, PhysicsHair*) {}

protected:
    const char* paramName;
    float scale;
    float weight;
};

} // namespace tavrix
