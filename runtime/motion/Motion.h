#pragma once

#include "memory/LDObject.h"
#include "type/LDVector.h"

namespace tavrix {

class ATavrixModel;
class LDString;
class MemoryParam;
class ParamID;

// One curve of a text motion: a parameter name as written in the file and
// one value per frame.
class Motion : public LDObject {
public:
    static constexpr int MOTION_TYPE_PARAM = 0;
    static constexpr int MOTION_TYPE_VISIBLE = 1;
    static constexpr int MOTION_TYPE_LAYOUT_X = 100;
    static constexpr int MOTION_TYPE_LAYOUT_Y = 101;
    static constexpr int MOTION_TYPE_LAYOUT_ANCHOR_X = 102;
    static constexpr int MOTION_TYPE_LAYOUT_ANCHOR_Y = 103;
    static constexpr int MOTION_TYPE_LAYOUT_SCALE_X = 104;
    static constexpr int MOTION_TYPE_LAYOUT_SCALE_Y = 105;

    // Takes the name; values come from memParam.
    Motion(LDString* name, MemoryParam* memParam);
    virtual ~Motion();

    // The model's index for this curve's parameter, cached for that model.
    int getParamIndex(ATavrixModel* model);

    // False only when the value list could not be allocated.
    bool hasValueList() const { return values != nullptr; }
    const LDString* getParamIDStr() const { return paramIDStr; }
    LDVector<float>& getValues() { return *values; }
    const LDVector<float>& getValues() const { return *values; }
    int getMotionType() const { return motionType; }
    void setMotionType(int type) { motionType = type; }
    int getFadeInMSec() const { return fadeInMSec; }
    void setFadeInMSec(int msec) { fadeInMSec = msec; }
    int getFadeOutMSec() const { return fadeOutMSec; }
    void setFadeOutMSec(int msec) { fadeOutMSec = msec; }

    Motion(const Motion&) = delete;
    Motion& operator=(const Motion&) = delete;

private:
    LDString* paramIDStr;
    ParamID* paramID;
    int cachedParamIndex;
    ATavrixModel* cachedModel;
    LDVector<float>* values;
    int motionType;
    // Negative: the motion's own fade applies.
    int fadeInMSec;
    int fadeOutMSec;
};

} // namespace tavrix
