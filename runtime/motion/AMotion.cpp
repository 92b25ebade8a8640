#include "motion/AMotion.h"

#include "motion/MotionQueueEnt.h"
#include "util/UtMotion.h"
#include "util/UtSystem.h"

namespace tavrix {

AMotion::AMotion() : fadeInMsec(1000), fadeOutMsec(1000), weight(1.0f), offsetMsec(0) {}

void AMotion::updateParam(ATavrixModel* model, MotionQueueEnt* entry)
{
    if (!entry->isAvailable() || entry->isFinished()) return;
    int64_t now = UtSystem::getUserTimeMSec();

    if (!entry->isStarted()) {
        entry->setStarted(true);
        entry->setStartTimeMSec(now - offsetMsec);
        entry->setFadeInStartTimeMSec(now);
        if (entry->getEndTimeMSec() < 0) {
            int duration = getDurationMSec();
            entry->setEndTimeMSec(duration > 0 ? entry->getStartTimeMSec() + duration : -1);
        }
    }

    float fadeIn = fadeInMsec == 0
        ? 1.0f
        : UtMotion::getEasingSine(static_cast<float>(now - entry->getFadeInStartTimeMSec()) / fadeInMsec);
    float fadeOut = (fadeOutMsec == 0 || entry->getEndTimeMSec() < 0)
        ? 1.0f
        : UtMotion::getEasingSine(static_cast<float>(entry->getEndTimeMSec() - now) / fadeOutMsec);
    float w = weight * fadeIn * fadeOut;
    entry->setState(now, w);
    updateParamExe(model, now, w, entry);

    // An end time of 0 is a real time; only negative ones are open-ended.
    if (entry->getEndTimeMSec() >= 0 && entry->getEndTimeMSec() < now) entry->setFinished(true);
}

float AMotion::getEasing(float time, float totalTime, float accelerateTime)
{
    if (totalTime == 0.0f) return 1.0f;
    float t = time / totalTime;
    if (t <= 0.0f) return 0.0f;
    if (t >= 1.0f) return 1.0f;
    float a = accelerateTime / totalTime;
    float b = 1.0f - a;
    float c = 1.0f - b * b;
    float d = b * 0.333333f;
    float e = 1.0f - c;
    float p1 = d * c + (a * 0.666666f + d) * e;
    float f = b * 0.666666f;
    float p2 = 3.0f * ((a + f) * c + (a * 0.333333f + f) * e);
    float q = 3.0f * p1;
    return (1.0f - p2 + q) * t * t * t + (p2 - 6.0f * p1) * t * t + q * t;
}

} // namespace tavrix
