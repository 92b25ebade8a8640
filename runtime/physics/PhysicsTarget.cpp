#include "physics/PhysicsTarget.h"

#include "ATavrixModel.h"
#include "physics/PhysicsHair.h"

namespace tavrix {

void PhysicsTarget::updateTarget(ATavrixModel* model, PhysicsHair* hair)
{
    float source = targetType == TARGET_FROM_ANGLE_V ? hair->getAngleP1toP2Deg_velocity() : hair->getAngleP1toP2Deg();
    model->setParamFloat(paramName, scale * source, weight);
}

} // namespace tavrix
