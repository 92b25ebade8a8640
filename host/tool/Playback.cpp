#include "Playback.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ATavrixModel.h"
#include "motion/EyeBlinkMotion.h"
#include "motion/MotionQueueManager.h"
#include "motion/TavrixMotion.h"
#include "motion/TavrixMotionBin.h"
#include "physics/PhysicsHair.h"
#include "type/LDString.h"
#include "util/UtFile.h"
#include "util/UtSystem.h"

using namespace tavrix;

namespace tavrix_tool {

Playback::Playback(ATavrixModel& model, int fps) : model(model), fps(fps), queue(new MotionQueueManager()) {}

Playback::~Playback()
{
    for (PlannedMotion& planned : motions) {
        if (!planned.started) delete planned.motion;
    }
    queue.reset();
}

bool Playback::addMotion(const std::string& path, double startSeconds, bool loop, std::string& why)
{
    int size = 0;
    char* bytes = UtFile::loadFile(LDString(path.c_str()), &size);
    if (!bytes) {
        why = "cannot be read";
        return false;
    }
    AMotion* motion = nullptr;
    int lengthMSec = 0;
    if (size >= 3 && std::memcmp(bytes, "mtb", 3) == 0) {
        // The motion takes the buffer, and releases it even when refused.
        TavrixMotionBin* binary = TavrixMotionBin::loadMotion(bytes, size, TavrixMotionBin::BUF_LOAD_FILE);
        if (!binary) {
            why = "not a usable binary motion";
            return false;
        }
        binary->setLoop(loop);
        lengthMSec = binary->getLoopDurationMSec();
        motion = binary;
    } else if (std::memchr(bytes, '\0', size)) {
        UtFile::releaseLoadBuffer(bytes);
        why = "not a motion: binary data without the .mtnb signature";
        return false;
    } else {
        TavrixMotion* text = TavrixMotion::loadMotion(bytes, size);
        UtFile::releaseLoadBuffer(bytes);
        if (!text || text->getMotionCount() == 0) {
            delete text;
            why = "no motion curves in it";
            return false;
        }
        text->setLoop(loop);
        lengthMSec = text->getLoopDurationMSec();
        motion = text;
    }
    motions.push_back({motion, startSeconds, lengthMSec, false});
    return true;
}

void Playback::enableBlink(unsigned seed)
{
    std::srand(seed);
    blink.reset(new EyeBlinkMotion());
}

void Playback::addHairs(const std::vector<HairSetup>& setups)
{
    for (const HairSetup& setup : setups) {
        std::unique_ptr<PhysicsHair> hair(new PhysicsHair(setup.length, setup.airResistance, setup.mass));
        hair->setGravityAngleDeg(setup.gravityAngleDeg);
        for (const HairLink& source : setup.sources) {
            hairParamNames.push_back(source.id);
            hair->addSrcParam(source.kind, hairParamNames.back().c_str(), source.scale, source.weight);
        }
        for (const HairLink& target : setup.targets) {
            hairParamNames.push_back(target.id);
            hair->addTargetParam(target.kind, hairParamNames.back().c_str(), target.scale, target.weight);
        }
        hairs.push_back(std::move(hair));
    }
}

void Playback::setLipSync(const LipSync& lipSync, int paramIndex, float min, float max)
{
    mouth = Mouth{&lipSync, paramIndex, min, max};
}

int64_t Playback::timeOfFrame(int frame) const
{
    return static_cast<int64_t>(frame) * 1000 / fps;
}

int Playback::framesToCoverMotions() const
{
    if (motions.empty()) return 0;
    double seconds = 0.0;
    for (const PlannedMotion& planned : motions) {
        seconds = std::fmax(seconds, planned.startSeconds + planned.lengthMSec / 1000.0);
    }
    // A frame's time is truncated, so a frame at exactly the end counts.
    return static_cast<int>(std::floor(seconds * fps + 1e-9)) + 1;
}

void Playback::step(int frame)
{
    int64_t now = timeOfFrame(frame);
    UtSystem::setUserTimeMSec(now);
    for (PlannedMotion& planned : motions) {
        if (planned.started || static_cast<double>(now) < planned.startSeconds * 1000.0) continue;
        planned.started = true;
        queue->startMotion(planned.motion, true);
    }
    queue->updateParam(&model);
    // The sound overrides whatever the motions wrote for the mouth.
    if (mouth.lipSync) {
        const double openness = mouth.lipSync->opennessAt(static_cast<double>(frame) / fps);
        model.setParamFloat(mouth.paramIndex, static_cast<float>(LipSync::onRange(openness, mouth.min, mouth.max)));
    }
    if (blink) blink->setParam(&model);
    for (auto& hair : hairs) hair->update(&model, now);
}

} // namespace tavrix_tool
