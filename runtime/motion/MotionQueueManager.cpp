#include "motion/MotionQueueManager.h"

#include <cstring>

#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "motion/AMotion.h"
#include "motion/MotionQueueEnt.h"
#include "util/UtDebug.h"

namespace tavrix {

MotionQueueManager::MotionQueueManager()
    : motions(nullptr), motionDebugMode(false), memoryParam(nullptr), memoryHolder(nullptr)
{
    memoryParam = MemoryParam::newWithFixedHolder("MotionQueueManager", 2048, memoryHolder);
    if (memoryParam) motions = new (memoryParam) LDVector<MotionQueueEnt*>(memoryParam);
}

MotionQueueManager::~MotionQueueManager()
{
    if (motions) {
        for (int i = motions->size() - 1; i >= 0; --i) delete (*motions)[i];
    }
    delete motions;
    delete memoryParam;
    delete memoryHolder;
}

void MotionQueueManager::removeAt(int index)
{
    delete (*motions)[index];
    MotionQueueEnt** slots = motions->getPtr();
    std::memmove(slots + index, slots + index + 1, sizeof(MotionQueueEnt*) * (motions->size() - index - 1));
    motions->updateSize(motions->size() - 1, nullptr);
}

int MotionQueueManager::startMotion(AMotion* motion, bool autoDelete)
{
    if (motions) {
        for (int i = 0; i < motions->size(); ++i) {
            MotionQueueEnt* entry = (*motions)[i];
            if (!entry || !entry->getMotion()) continue;
            entry->startFadeout(entry->getMotion()->getFadeOut());
            if (motionDebugMode) {
                UtDebug::print("MotionQueueManager[size:%2d]->startMotion() / start fade out (m%d)\n",
                               motions->size(), entry->getMotionQueueEntNo());
            }
        }
    }
    if (!motion) return -1;

    MotionQueueEnt* entry = motions ? new (memoryParam) MotionQueueEnt() : nullptr;
    if (entry) {
        entry->setAutoDelete(autoDelete);
        entry->setMotion(motion);
        int before = motions->size();
        motions->push_back(entry);
        if (motions->size() > before) {
            if (motionDebugMode) {
                UtDebug::print("MotionQueueManager[size:%2d]->startMotion() / TVX_NEW_TMP motion (m%d)\n", before,
                               entry->getMotionQueueEntNo());
            }
            return entry->getMotionQueueEntNo();
        }
        delete entry;
        return -1;
    }
    // Out of memory: a motion handed over to the queue is still the queue's.
    if (autoDelete) delete motion;
    return -1;
}

bool MotionQueueManager::updateParam(ATavrixModel* model)
{
    if (!motions) return false;
    bool updated = false;
    for (int i = 0; i < motions->size();) {
        MotionQueueEnt* entry = (*motions)[i];
        if (!entry || !entry->getMotion()) {
            removeAt(i);
            continue;
        }
        entry->getMotion()->updateParam(model, entry);
        updated = true;
        if (entry->isFinished()) {
            if (motionDebugMode) {
                UtDebug::print("MotionQueueManager[size:%2d]->updateParam() / finish motion (m%d)\n",
                               motions->size() - 1, entry->getMotionQueueEntNo());
            }
            removeAt(i);
            continue;
        }
        ++i;
    }
    return updated;
}

MotionQueueEnt* MotionQueueManager::getMotionQueueEnt(int motionQueueEntNo)
{
    if (!motions) return nullptr;
    for (int i = 0; i < motions->size(); ++i) {
        MotionQueueEnt* entry = (*motions)[i];
        if (entry && entry->getMotionQueueEntNo() == motionQueueEntNo) return entry;
    }
    return nullptr;
}

bool MotionQueueManager::isFinished()
{
    if (!motions) return true;
    for (int i = 0; i < motions->size();) {
        MotionQueueEnt* entry = (*motions)[i];
        if (!entry || !entry->getMotion()) {
            removeAt(i);
            continue;
        }
        if (!entry->isFinished()) return false;
        ++i;
    }
    return true;
}

bool MotionQueueManager::isFinished(int motionQueueEntNo)
{
    MotionQueueEnt* entry = getMotionQueueEnt(motionQueueEntNo);
    return !entry || entry->isFinished();
}

void MotionQueueManager::stopAllMotions()
{
    if (!motions) return;
    for (int i = motions->size() - 1; i >= 0; --i) delete (*motions)[i];
    motions->clear();
}

void MotionQueueManager::DUMP()
{
    UtDebug::print("-- MotionQueueManager::Dump --\n");
    if (!motions) return;
    for (int i = 0; i < motions->size(); ++i) {
        MotionQueueEnt* entry = (*motions)[i];
        UtDebug::print("MotionQueueEnt[%d] :: %d\n", i, entry ? entry->getMotionQueueEntNo() : -1);
    }
}

} // namespace tavrix
