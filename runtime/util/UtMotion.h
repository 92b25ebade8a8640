#pragma once

#include <cstdint>

namespace tavrix {

class ATavrixModel;
class LDString;
class ModelContext;
class MotionQueueEnt;
class ParamID;

// Arithmetic shared by the motion classes.
class UtMotion {
public:
    // Values a curve dump shows.
    static constexpr int DUMP_VALUE_COUNT = 10;

    // Sine ease from 0 to 1 over t in [0, 1]; uses 3.1415 in single
    // precision, so the midpoint is not exactly 0.5.
    static float getEasingSine(float t);

    // Frame number and the fraction towards the next frame after elapsedMSec
    // (negative counts as 0) at fps frames per second.
    static void getPlaybackFrame(int64_t elapsedMSec, float fps, int* frame, float* frac);

    // Moves parameter index of context towards a curve's value by weight.
    // The value lies between frame values a and b at frac, except that a
    // step wider than 0.4 of the parameter's range holds a. An index
    // outside the table is ignored.
    static void setCurveValue(ModelContext* context, int index, float a, float b, float frac, float weight);

    // At the end of a motion's frames: a looping motion restarts its entry
    // (and the entry's fade-in with restartFadeIn), any other finishes it.
    static void endOfFrames(MotionQueueEnt* entry, int64_t now, bool loop, bool restartFadeIn);

    // One dump line: "paramID[name] [valueCount]-> " and the shown values.
    static void dumpCurve(const char* name, int valueCount, const float* firstValues, int shown);

    // Parameter index of a curve named name, cached per model: the
    // identifier is interned on first use.
    static int getCachedParamIndex(ATavrixModel* model, const LDString* name, ParamID*& paramID,
                                   int& cachedParamIndex, ATavrixModel*& cachedModel);
};

} // namespace tavrix
