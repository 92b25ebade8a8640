#include "motion/MotionQueueEnt.h"

#include "motion/AMotion.h"
#include "util/UtSystem.h"

namespace tavrix {

int MotionQueueEnt::staticMotionQueueEntNo = 0;

MotionQueueEnt::MotionQueueEnt()
    : autoDelete(false), motion(nullptr), available(true), finished(false), started(false),
      startTimeMSec(-1), fadeInStartTimeMSec(-1), endTimeMSec(-1), motionQueueEntNo(staticMotionQueueEntNo++),
      stateTimeMSec(0), stateWeight(0.0f)
{
}

MotionQueueEnt::~MotionQueueEnt()
{
    if (autoDelete) delete motion;
}

void MotionQueueEnt::startFadeout(int fadeOutMsec)
{
    int64_t end = UtSystem::getUserTimeMSec() + fadeOutMsec;
    if (endTimeMSec < 0 || end < endTimeMSec) endTimeMSec = end;
}

} // namespace tavrix
