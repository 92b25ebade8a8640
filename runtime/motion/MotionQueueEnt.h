#pragma once

#include <cstdint>

#include "memory/LDObject.h"

namespace tavrix {

class AMotion;

// One playing instance of a motion in a motion queue, with its timing. Times
// are user-clock milliseconds; a negative end time means open-ended.
class MotionQueueEnt : public LDObject {
public:
    MotionQueueEnt();
    // Deletes the motion when the entry owns it (autoDelete).
    virtual ~MotionQueueEnt();

    // Plans the end at now + fadeOutMsec unless an earlier end is planned
    // already: a planned end is never postponed.
    void startFadeout(int fadeOutMsec);
    void setState(int64_t timeMSec, float weight)
    {
        stateTimeMSec = timeMSec;
        stateWeight = weight;
    }

    bool isFinished() const { return finished; }
    void setFinished(bool f) { finished = f; }
    bool isAvailable() const { return available; }
    void setAvailable(bool a) { available = a; }
    bool isStarted() const { return started; }
    void setStarted(bool s) { started = s; }
    bool isAutoDelete() const { return autoDelete; }
    void setAutoDelete(bool a) { autoDelete = a; }
    AMotion* getMotion() const { return motion; }
    void setMotion(AMotion* m) { motion = m; }
    int64_t getStartTimeMSec() const { return startTimeMSec; }
    void setStartTimeMSec(int64_t t) { startTimeMSec = t; }
    int64_t getFadeInStartTimeMSec() const { return fadeInStartTimeMSec; }
    void setFadeInStartTimeMSec(int64_t t) { fadeInStartTimeMSec = t; }
    int64_t getEndTimeMSec() const { return endTimeMSec; }
    void setEndTimeMSec(int64_t t) { endTimeMSec = t; }
    int getMotionQueueEntNo() const { return motionQueueEntNo; }
    int64_t getStateTimeMSec() const { return stateTimeMSec; }
    float getStateWeight() const { return stateWeight; }

    MotionQueueEnt(const MotionQueueEnt&) = delete;
    MotionQueueEnt& operator=(const MotionQueueEnt&) = delete;

private:
    bool autoDelete;
    AMotion* motion;
    bool available;
    bool finished;
    bool started;
    int64_t startTimeMSec;
    int64_t fadeInStartTimeMSec;
    int64_t endTimeMSec;
    int motionQueueEntNo;
    int64_t stateTimeMSec;
    float stateWeight;

    static int staticMotionQueueEntNo;
};

} // namespace tavrix
