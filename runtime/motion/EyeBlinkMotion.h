#pragma once

#include <cstdint>

#include "memory/LDObject.h"
#include "type/LDString.h"

namespace tavrix {

class ATavrixModel;

// Drives two eye-opening parameters through a blink cycle: open for a random
// interval, closing, closed, opening. Call setParam once per frame before the
// model's update; the interval comes from the C library's rand() unless the
// caller gives a source of its own.
class EyeBlinkMotion : public LDObject {
public:
    static constexpr int STATE_FIRST = 0;
    static constexpr int STATE_INTERVAL = 1;
    static constexpr int STATE_CLOSING = 2;
    static constexpr int STATE_CLOSED = 3;
    static constexpr int STATE_OPENING = 4;

    EyeBlinkMotion();
    virtual ~EyeBlinkMotion() {}

    // Where the intervals' random numbers come from: draw(source) gives 0 to
    // 2147483647; null draw: the C library's rand().
    typedef int (*RandomDraw)(void* source);
    void setRandomSource(RandomDraw draw, void* source)
    {
        randomDraw = draw;
        randomSource = source;
    }

    // A random time within twice the blink interval from now.
    int64_t calcNextBlink();
    void setInterval(int blinkIntervalMsec) { this->blinkIntervalMsec = blinkIntervalMsec; }
    void setEyeMotion(int closingMotionMsec, int closedMotionMsec, int openingMotionMsec);
    // Advances the cycle to the user clock's time and writes both eyes.
    void setParam(ATavrixModel* model);

    // false: a closed eye is written as 0 and an open one as -1 (values negated).
    void setCloseIfZero(bool on) { closeIfZero = on; }
    int getEyeState() const { return eyeState; }
    int64_t getNextBlinkTime() const { return nextBlinkTime; }

private:
    int64_t nextBlinkTime;
    int eyeState;
    int64_t stateStartTime;
    bool closeIfZero;
    LDString eyeIDL;
    LDString eyeIDR;
    int blinkIntervalMsec;
    int closingMotionMsec;
    int closedMotionMsec;
    int openingMotionMsec;
    RandomDraw randomDraw = nullptr;
    void* randomSource = nullptr;
};

} // namespace tavrix
