#include "motion/Motion.h"

#include "type/LDString.h"
#include "util/UtMotion.h"

namespace tavrix {

Motion::Motion(LDString* name, MemoryParam* memParam)
    : paramIDStr(name), paramID(nullptr), cachedParamIndex(-1), cachedModel(nullptr),
      values(new (memParam) LDVector<float>(memParam)), motionType(MOTION_TYPE_PARAM), fadeInMSec(-1),
      fadeOutMSec(-1)
{
}

Motion::~Motion()
{
    delete paramIDStr;
    delete values;
}

int Motion::getParamIndex(ATavrixModel* model)
{
    return UtMotion::getCachedParamIndex(model, paramIDStr, paramID, cachedParamIndex, cachedModel);
}

} // namespace tavrix
