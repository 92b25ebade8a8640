#pragma once

#include "physics/IPhysicsTarget.h"

namespace tavrix {

// A parameter written from the hair's angle or angular velocity.
class PhysicsTarget : public IPhysicsTarget {
public:
    // Unknown kinds act as TARGET_FROM_ANGLE.
    static constexpr int TARGET_FROM_ANGLE = 0;
    static constexpr int TARGET_FROM_ANGLE_V = 1;

    PhysicsTarget(int targetType, const char* paramName, float scale, float weight)
        : IPhysicsTarget(paramName, scale, weight), targetType(targetType)
    {
    }
    virtual ~PhysicsTarget() {}
    virtual void updateTarget(ATavrixModel* model, PhysicsHair* hair);

private:
    int targetType;
};

} // namespace tavrix
