#pragma once

#include <cstdint>

#include "memory/LDObject.h"

namespace tavrix {

class ATavrixModel;
class MotionQueueEnt;

// A motion that a motion queue plays: fade-in and fade-out lengths, an
// overall weight and a start offset. Subclasses write the parameters.
class AMotion : public LDObject {
public:
    AMotion();
    virtual ~AMotion() {}

    // -1: open-ended.
    virtual int getDurationMSec() { return -1; }
    virtual int getLoopDurationMSec() { return -1; }
    // Writes the motion's values for timeMSec, blended by weight.
    virtual void updateParamExe(ATavrixModel* model, int64_t timeMSec, float weight, MotionQueueEnt* entry) = 0;

    // 0 turns the fade off.
    void setFadeIn(int msec) { fadeInMsec = msec; }
    void setFadeOut(int msec) { fadeOutMsec = msec; }
    int getFadeIn() const { return fadeInMsec; }
    int getFadeOut() const { return fadeOutMsec; }
    void setWeight(float w) { weight = w; }
    float getWeight() const { return weight; }
    void setOffsetMSec(int msec) { offsetMsec = msec; }
    int getOffsetMSec() const { return offsetMsec; }

    // One playback step of entry at the user clock's time: starts the entry
    // on its first call, computes the faded weight, writes the parameters and
    // marks the entry finished once its end time has passed.
    void updateParam(ATavrixModel* model, MotionQueueEnt* entry);

    // Cubic ease over totalTime whose first accelerateTime accelerates;
    // 0 before the start, 1 from the end on (and for a total time of 0).
    static float getEasing(float time, float totalTime, float accelerateTime);

protected:
    int fadeInMsec;
    int fadeOutMsec;
    float weight;
    int offsetMsec;
};

} // namespace tavrix
