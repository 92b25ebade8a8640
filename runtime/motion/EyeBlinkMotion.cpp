#include "motion/EyeBlinkMotion.h"

#include <cstdlib>

#include "ATavrixModel.h"
#include "util/UtSystem.h"

namespace tavrix {

namespace {

// Share of a phase of length msec that has passed since start; a phase of
// no length is over at once.
double phaseProgress(int64_t now, int64_t start, int msec)
{
    if (msec <= 0) return 1.0;
    return static_cast<double>(now - start) / msec;
}

} // namespace

EyeBlinkMotion::EyeBlinkMotion()
    : nextBlinkTime(0), eyeState(STATE_FIRST), stateStartTime(0), closeIfZero(true), eyeIDL("PARAM_EYE_L_OPEN"),
      eyeIDR("PARAM_EYE_R_OPEN"), blinkIntervalMsec(4000), closingMotionMsec(100), closedMotionMsec(50),
      openingMotionMsec(150)
{
}

int64_t EyeBlinkMotion::calcNextBlink()
{
    double r = (randomDraw ? randomDraw(randomSource) : std::rand()) / 2147483647.0;
    double span = 2.0 * blinkIntervalMsec - 1.0;
    return static_cast<int64_t>(static_cast<double>(UtSystem::getUserTimeMSec()) + r * span);
}

void EyeBlinkMotion::setEyeMotion(int closingMotionMsec, int closedMotionMsec, int openingMotionMsec)
{
    this->closingMotionMsec = closingMotionMsec;
    this->closedMotionMsec = closedMotionMsec;
    this->openingMotionMsec = openingMotionMsec;
}

void EyeBlinkMotion::setParam(ATavrixModel* model)
{
    int64_t now = UtSystem::getUserTimeMSec();
    double value;
    switch (eyeState) {
    case STATE_INTERVAL:
        if (nextBlinkTime < now) {
            eyeState = STATE_CLOSING;
            stateStartTime = now;
        }
        value = 1.0;
        break;
    case STATE_CLOSING: {
        double t = phaseProgress(now, stateStartTime, closingMotionMsec);
        if (t >= 1.0) {
            eyeState = STATE_CLOSED;
            stateStartTime = now;
            t = 1.0;
        }
        value = 1.0 - t;
        break;
    }
    case STATE_CLOSED:
        if (phaseProgress(now, stateStartTime, closedMotionMsec) >= 1.0) {
            eyeState = STATE_OPENING;
            stateStartTime = now;
        }
        value = 0.0;
        break;
    case STATE_OPENING: {
        double t = phaseProgress(now, stateStartTime, openingMotionMsec);
        if (t >= 1.0) {
            eyeState = STATE_INTERVAL;
            t = 1.0;
            nextBlinkTime = calcNextBlink();
        }
        value = t;
        break;
    }
    default:
        eyeState = STATE_INTERVAL;
        nextBlinkTime = calcNextBlink();
        value = 1.0;
        break;
    }
    if (!closeIfZero) value = -value;
    model->setParamFloat(eyeIDL.c_str(), static_cast<float>(value), 1.0f);
    model->setParamFloat(eyeIDR.c_str(), static_cast<float>(value), 1.0f);
}

} // namespace tavrix
