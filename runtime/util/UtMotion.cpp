#include "util/UtMotion.h"

#include <cmath>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "id/ParamID.h"
#include "motion/MotionQueueEnt.h"
#include "type/LDString.h"
#include "util/UtDebug.h"
#include "util/UtMath.h"

namespace tavrix {

float UtMotion::getEasingSine(float t)
{
    if (t < 0.0f) return 0.0f;
    if (t > 1.0f) return 1.0f;
    return 0.5f - 0.5f * std::cos(t * 3.1415f);
}

void UtMotion::getPlaybackFrame(int64_t elapsedMSec, float fps, int* frame, float* frac)
{
    if (elapsedMSec < 0) elapsedMSec = 0;
    float t = static_cast<float>(elapsedMSec) * fps / 1000.0f;
    int whole = UtMath::truncToIntSaturated(t);
    *frame = whole;
    *frac = t - static_cast<float>(whole);
}

void UtMotion::setCurveValue(ModelContext* context, int index, float a, float b, float frac, float weight)
{
    if (!context || index < 0 || index >= context->getParamCount()) return;
    float cur = context->getParamFloat(index);
    float threshold = 0.4f * (context->getParamMax(index) - context->getParamMin(index));
    float target = (b - a > threshold || a - b > threshold) ? a : a + (b - a) * frac;
    context->setParamFloat(index, cur + (target - cur) * weight);
}

void UtMotion::endOfFrames(MotionQueueEnt* entry, int64_t now, bool loop, bool restartFadeIn)
{
    if (!loop) {
        entry->setFinished(true);
        return;
    }
    entry->setStartTimeMSec(now);
    if (restartFadeIn) entry->setFadeInStartTimeMSec(now);
}

void UtMotion::dumpCurve(const char* name, int valueCount, const float* firstValues, int shown)
{
    UtDebug::print("paramID[%s] [%d]-> ", name, valueCount);
    for (int i = 0; i < shown; ++i) UtDebug::print("%5.2f ,", firstValues[i]);
    UtDebug::print("\n");
}

int UtMotion::getCachedParamIndex(ATavrixModel* model, const LDString* name, ParamID*& paramID,
                                  int& cachedParamIndex, ATavrixModel*& cachedModel)
{
    if (cachedParamIndex >= 0 && model == cachedModel) return cachedParamIndex;
    if (!paramID && name) paramID = ParamID::getID(*name);
    cachedParamIndex = model->getParamIndex(paramID);
    cachedModel = model;
    return cachedParamIndex;
}

} // namespace tavrix
