#include "physics/PhysicsSrc.h"

#include "ATavrixModel.h"
#include "physics/PhysicsHair.h"

namespace tavrix {

void PhysicsSrc::updateSrc(ATavrixModel* model, PhysicsHair* hair)
{
    float value = scale * model->getParamFloat(paramName);
    PhysicsPoint& root = hair->getPhysicsPoint1();
    switch (srcType) {
    case SRC_TO_Y:
        root.y += (value - root.y) * weight;
        break;
    case SRC_TO_G_ANGLE: {
        float angle = hair->getGravityAngleDeg();
        hair->setGravityAngleDeg(angle + (value - angle) * weight);
        break;
    }
    default:
        root.x += (value - root.x) * weight;
        break;
    }
}

} // namespace tavrix
