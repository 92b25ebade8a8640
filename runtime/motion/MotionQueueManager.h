#pragma once

#include "memory/LDObject.h"
#include "type/LDVector.h"

namespace tavrix {

class AMotion;
class ATavrixModel;
class MemoryHolderFixed;
class MemoryParam;
class MotionQueueEnt;

// The playing motions of one model, oldest first. Starting a motion fades
// out everything already playing; each update advances every entry in order,
// so newer motions write over older ones by their own weight, and removes
// the finished ones.
class MotionQueueManager : public LDObject {
public:
    MotionQueueManager();
    // Deletes the remaining entries (and the motions they own).
    virtual ~MotionQueueManager();

    // Queues motion (owned by the queue when autoDelete is set) and returns
    // its entry number; -1 for a null motion, which still fades out the rest.
    int startMotion(AMotion* motion, bool autoDelete);
    // Advances every entry once; true when some entry with a motion ran.
    bool updateParam(ATavrixModel* model);
    MotionQueueEnt* getMotionQueueEnt(int motionQueueEntNo);
    // True when no entry with a motion is unfinished; drops empty entries.
    bool isFinished();
    bool isFinished(int motionQueueEntNo);
    void stopAllMotions();
    void setMotionDebugMode(bool on) { motionDebugMode = on; }
    int getQueueSize() const { return motions ? motions->size() : 0; }
    void DUMP();

    MotionQueueManager(const MotionQueueManager&) = delete;
    MotionQueueManager& operator=(const MotionQueueManager&) = delete;

private:
    // Deletes the entry at index (if any) and closes the gap.
    void removeAt(int index);

    LDVector<MotionQueueEnt*>* motions;
    bool motionDebugMode;
    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolder;
};

} // namespace tavrix
