#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class ATavrixModel;
class LDString;
class ParamID;

// One curve of a binary motion. Its values stay in the motion's buffer, as
// floats or as 16-bit steps between minValue and maxValue.
class MotionBin : public LDObject {
public:
    // Takes the name; values points into a buffer that outlives the curve.
    MotionBin(LDString* name, bool isShort, const unsigned char* values, int valueCount, float minValue,
              float maxValue);
    virtual ~MotionBin();

    // The model's index for this curve's parameter, cached for that model.
    int getParamIndex(ATavrixModel* model);
    // Value of frame k (0 <= k < valueCount), read byte-wise so that the
    // buffer needs no alignment.
    float getValue(int k) const;

    const LDString* getParamIDStr() const { return paramIDStr; }
    bool isShortValues() const { return isShort; }
    int getValueCount() const { return valueCount; }
    int getMotionType() const { return motionType; }

    MotionBin(const MotionBin&) = delete;
    MotionBin& operator=(const MotionBin&) = delete;

private:
    LDString* paramIDStr;
    ParamID* paramID;
    int cachedParamIndex;
    ATavrixModel* cachedModel;
    bool isShort;
    const unsigned char* values;
    float minValue;
    float maxValue;
    int valueCount;
    int motionType;
};

} // namespace tavrix
