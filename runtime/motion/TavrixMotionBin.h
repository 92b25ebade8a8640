#pragma once

#include <cstdint>

#include "motion/AMotion.h"

namespace tavrix {

class LDString;
class MemoryHolderFixed;
class MemoryParam;
class MotionBin;

// The binary form of a motion (".mtnb"): frame curves stored as float or
// 16-bit arrays in one buffer that the motion keeps and reads in place.
// Plays through a MotionQueueManager like a text motion, without per-curve
// fades.
class TavrixMotionBin : public AMotion {
public:
    // How loadMotion takes the buffer and how the motion releases it.
    static constexpr int BUF_COPY = 1;           // copied; the caller keeps its bytes
    static constexpr int BUF_FREE = 2;           // kept; released with free()
    static constexpr int BUF_DELETE_ARRAY = 3;   // kept; released with delete[]
    static constexpr int BUF_DELETE = 4;         // kept; released with delete
    static constexpr int BUF_UT_MEMORY = 5;      // the copy made for BUF_COPY
    static constexpr int BUF_LOAD_FILE = 6;      // kept; from UtFile::loadFile
    // Any other kind: kept and never released by the motion.

    TavrixMotionBin();
    virtual ~TavrixMotionBin();

    // Null when the file cannot be read or is refused.
    static TavrixMotionBin* loadMotion(const LDString& path);
    // The buffer is read as untrusted: null, with a message, for a wrong
    // signature or version and for any size, offset or count that does not
    // fit the buffer. Except for BUF_COPY the buffer is handed over even
    // then (and released by its kind). A big-endian file is turned into host
    // order in place once; its order flag is rewritten so that loading the
    // same buffer again does not swap it back.
    static TavrixMotionBin* loadMotion(char* bytes, int size, int bufType);

    virtual int getDurationMSec() { return loop ? -1 : loopDurationMSec; }
    virtual int getLoopDurationMSec() { return loopDurationMSec; }
    virtual void updateParamExe(ATavrixModel* model, int64_t timeMSec, float weight, MotionQueueEnt* entry);

    void setLoop(bool on) { loop = on; }
    bool isLoop() const { return loop; }
    float getFPS() const { return fps; }
    int getMaxLength() const { return maxLength; }
    float getLastWeight() const { return lastWeight; }
    int getObjectNo() const { return objectNo; }
    int getMotionCount() const { return motionCount; }
    MotionBin* getMotion(int index) const { return motions[index]; }

    // Prints each curve's name, value count and first ten values.
    void dump();

    TavrixMotionBin(const TavrixMotionBin&) = delete;
    TavrixMotionBin& operator=(const TavrixMotionBin&) = delete;

private:
    // Takes (or copies) the buffer; false when a copy cannot be made.
    bool takeBuffer(char* bytes, int size, int bufType);
    void releaseBuffer();
    // Everything after the buffer is taken; false when refused.
    bool load(int size);

    char* buf;
    int bufType;
    MotionBin** motions;
    int motionCount;
    float fps;
    int maxLength;
    int loopDurationMSec;
    bool loop;
    int objectNo;
    float lastWeight;
    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolder;

    static int staticObjectNo;
};

} // namespace tavrix
