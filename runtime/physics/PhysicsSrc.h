#pragma once

#include "physics/IPhysicsSrc.h"

namespace tavrix {

// A parameter that moves the hair's root (x or y) or tilts its gravity.
class PhysicsSrc : public IPhysicsSrc {
public:
    // Unknown kinds act as SRC_TO_X.
    static constexpr int SRC_TO_X = 0;
    static constexpr int SRC_TO_Y = 1;
    static constexpr int SRC_TO_G_ANGLE = 2;

    PhysicsSrc(int srcType, const char* paramName, float scale, float weight)
        : IPhysicsSrc(paramName, scale, weight), srcType(srcType)
    {
    }
    virtual ~PhysicsSrc() {}
    virtual void updateSrc(ATavrixModel* model, PhysicsHair* hair);

private:
    int srcType;
};

} // namespace tavrix
