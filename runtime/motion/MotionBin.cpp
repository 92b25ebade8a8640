#include "motion/MotionBin.h"

#include <cstdint>
#include <cstring>

#include "type/LDString.h"
#include "util/UtMotion.h"

namespace tavrix {

MotionBin::MotionBin(LDString* name, bool isShort, const unsigned char* values, int valueCount, float minValue,
                     float maxValue)
    : paramIDStr(name), paramID(nullptr), cachedParamIndex(-1), cachedModel(nullptr), isShort(isShort),
      values(values), minValue(minValue), maxValue(maxValue), valueCount(valueCount), motionType(0)
{
}

MotionBin::~MotionBin()
{
    delete paramIDStr;
}

int MotionBin::getParamIndex(ATavrixModel* model)
{
    return UtMotion::getCachedParamIndex(model, paramIDStr, paramID, cachedParamIndex, cachedModel);
}

float MotionBin::getValue(int k) const
{
    if (!isShort) {
        float value;
        std::memcpy(&value, values + 4 * k, sizeof(value));
        return value;
    }
    uint16_t step;
    std::memcpy(&step, values + 2 * k, sizeof(step));
    return minValue + static_cast<float>(step) / 65535.0f * (maxValue - minValue);
}

} // namespace tavrix
