#pragma once

#include <cstdint>

#include "motion/AMotion.h"
#include "type/LDMap.h"
#include "type/LDVector.h"

namespace tavrix {

class LDString;
class MemoryHolderFixed;
class MemoryParam;
class Motion;

// A keyframe animation of model parameters read from a ".mtn" text: one
// curve per parameter, all sampled at the same frame rate. Played through a
// MotionQueueManager.
class TavrixMotion : public AMotion {
public:
    TavrixMotion();
    virtual ~TavrixMotion();

    // Null (and load error 1001) when the file cannot be read.
    static TavrixMotion* loadMotion(const LDString& path);
    // Never fails: text it does not understand gives no curves.
    static TavrixMotion* loadMotion(const char* bytes, int size);

    // Fades of the first curve with this written name; -1 when there is
    // none. A negative curve fade means the motion's fade applies.
    void setParamFadeIn(const LDString& paramName, int msec);
    void setParamFadeOut(const LDString& paramName, int msec);
    int getParamFadeIn(const LDString& paramName);
    int getParamFadeOut(const LDString& paramName);

    virtual int getDurationMSec() { return loop ? -1 : loopDurationMSec; }
    virtual int getLoopDurationMSec() { return loopDurationMSec; }
    virtual void updateParamExe(ATavrixModel* model, int64_t timeMSec, float weight, MotionQueueEnt* entry);

    // Restart at the end instead of finishing; loopFadeIn restarts the
    // fade-in with it.
    void setLoop(bool on) { loop = on; }
    bool isLoop() const { return loop; }
    void setLoopFadeIn(bool on) { loopFadeIn = on; }
    bool isLoopFadeIn() const { return loopFadeIn; }
    float getFPS() const { return fps; }
    int getMaxLength() const { return maxLength; }
    float getLastWeight() const { return lastWeight; }
    int getObjectNo() const { return objectNo; }
    int getMotionCount() const { return motions ? motions->size() : 0; }
    Motion* getMotion(int index) const { return (*motions)[index]; }

    // Prints each curve's name, value count and first ten values.
    void dump();

    TavrixMotion(const TavrixMotion&) = delete;
    TavrixMotion& operator=(const TavrixMotion&) = delete;

private:
    // Per-curve fades by written name, applied once every curve exists.
    typedef LDMap<LDString, int> CurveFades;

    Motion* findCurve(const LDString& paramName);
    void parse(const char* text, int size);
    void parseSetting(const char* text, int lineStart, int lineEnd, CurveFades& fadeIns, CurveFades& fadeOuts);
    void parseCurve(const char* text, int lineStart, int lineEnd);

    LDVector<Motion*>* motions;
    float fps;
    int maxLength;
    int loopDurationMSec;
    bool loop;
    bool loopFadeIn;
    int objectNo;
    float lastWeight;
    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolder;

    static int staticObjectNo;
};

} // namespace tavrix
