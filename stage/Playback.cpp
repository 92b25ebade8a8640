#include "Playback.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "motion/EyeBlinkMotion.h"
#include "motion/MotionQueueManager.h"
#include "motion/TavrixMotion.h"
#include "motion/TavrixMotionBin.h"
#include "physics/PhysicsHair.h"
#include "type/LDString.h"
#include "util/UtFile.h"
#include "util/UtSystem.h"

using namespace tavrix;

namespace tavrix_stage {

namespace {

// Bytes of the C library's generator state: the size srand() seeds by
// default, so a seed gives the same numbers as srand(seed) and rand().
const size_t RANDOM_STATE_BYTES = 128;

// Makes a playback's generator state the one rand() draws from while alive.
class RandomStateScope {
public:
    explicit RandomStateScope(std::vector<char>& state) : previous(setstate(state.data())) {}
    ~RandomStateScope() { setstate(previous); }
    RandomStateScope(const RandomStateScope&) = delete;
    RandomStateScope& operator=(const RandomStateScope&) = delete;

private:
    char* previous;
};

AMotion* makeMotion(const std::vector<char>& bytes, bool binary, bool loop)
{
    if (binary) {
        TavrixMotionBin* motion = TavrixMotionBin::loadMotion(const_cast<char*>(bytes.data()),
                                                              static_cast<int>(bytes.size()), TavrixMotionBin::BUF_COPY);
        if (motion) motion->setLoop(loop);
        return motion;
    }
    TavrixMotion* motion = TavrixMotion::loadMotion(bytes.data(), static_cast<int>(bytes.size()));
    if (motion) motion->setLoop(loop);
    return motion;
}

} // namespace

Playback::Playback(ATavrixModel& model, int fps) : model(model), fps(fps), queue(new MotionQueueManager())
{
    const ModelContext* context = model.getModelContext();
    for (int row = 0; context && row < context->getParamCount(); ++row) initialValues.push_back(context->getParamFloat(row));
}

Playback::~Playback()
{
    releaseMotions();
    queue.reset();
}

void Playback::releaseMotions()
{
    for (PlannedMotion& planned : motions) {
        if (!planned.started) delete planned.motion;
        planned.motion = nullptr;
    }
}

bool Playback::addMotion(const std::string& path, double startSeconds, bool loop, std::string& why)
{
    int size = 0;
    char* bytes = UtFile::loadFile(LDString(path.c_str()), &size);
    if (!bytes) {
        why = "cannot be read";
        return false;
    }
    std::vector<char> copy(bytes, bytes + size);
    UtFile::releaseLoadBuffer(bytes);
    return addMotionBytes(copy, startSeconds, loop, why);
}

bool Playback::addMotionBytes(const std::vector<char>& bytes, double startSeconds, bool loop, std::string& why)
{
    const bool binary = bytes.size() >= 3 && std::memcmp(bytes.data(), "mtb", 3) == 0;
    if (!binary && std::memchr(bytes.data(), '\0', bytes.size())) {
        why = "not a motion: binary data without the .mtnb signature";
        return false;
    }
    AMotion* motion = makeMotion(bytes, binary, loop);
    int lengthMSec = 0;
    if (binary) {
        if (!motion) {
            why = "not a usable binary motion";
            return false;
        }
        lengthMSec = static_cast<TavrixMotionBin*>(motion)->getLoopDurationMSec();
    } else {
        TavrixMotion* text = static_cast<TavrixMotion*>(motion);
        if (!text || text->getMotionCount() == 0) {
            delete text;
            why = "no motion curves in it";
            return false;
        }
        lengthMSec = text->getLoopDurationMSec();
    }
    motions.push_back({bytes, binary, loop, startSeconds, lengthMSec, motion, false});
    return true;
}

void Playback::enableBlink(unsigned seed)
{
    blinking = true;
    blinkSeed = seed;
    randomState.assign(RANDOM_STATE_BYTES, 0);
    char* previous = initstate(seed, randomState.data(), randomState.size());
    setstate(previous);
    RandomStateScope scope(randomState);
    blink.reset(new EyeBlinkMotion());
}

void Playback::addHairs(const std::vector<HairSetup>& setups)
{
    for (const HairSetup& setup : setups) {
        hairSetups.push_back(setup);
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

void Playback::setLipSync(const tavrix_media::LipSync& lipSync, int paramIndex, float min, float max,
                          double offsetSeconds)
{
    mouth = Mouth{&lipSync, paramIndex, min, max, offsetSeconds};
}

void Playback::setOverride(int paramIndex, float value)
{
    overrides[paramIndex] = value;
}

void Playback::clearOverride(int paramIndex)
{
    overrides.erase(paramIndex);
}

int64_t Playback::timeOfFrame(int frame) const
{
    return static_cast<int64_t>(frame) * 1000 / fps;
}

int Playback::frameAt(double seconds) const
{
    if (!(seconds > 0)) return 0;
    const double frame = std::floor(seconds * fps + 1e-9);
    return frame >= 2147483647.0 ? 2147483647 : static_cast<int>(frame);
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

void Playback::restart()
{
    // Motions fade in from the values they find, so frame 0 must find what
    // it found the first time.
    ModelContext* context = model.getModelContext();
    for (int row = 0; context && row < context->getParamCount(); ++row) {
        context->setParamFloat(static_cast<unsigned>(row),
                               static_cast<size_t>(row) < initialValues.size() ? initialValues[static_cast<size_t>(row)] : 0.0f);
    }
    releaseMotions();
    queue.reset(new MotionQueueManager());
    for (PlannedMotion& planned : motions) {
        planned.motion = makeMotion(planned.bytes, planned.binary, planned.loop);
        planned.started = false;
    }
    if (blinking) enableBlink(blinkSeed);
    const std::vector<HairSetup> setups = std::move(hairSetups);
    hairSetups.clear();
    hairs.clear();
    hairParamNames.clear();
    addHairs(setups);
    lastFrame = -1;
}

void Playback::advanceTo(int frame)
{
    if (frame < lastFrame) restart();
    while (lastFrame < frame) step(++lastFrame);
}

void Playback::step(int frame)
{
    int64_t now = timeOfFrame(frame);
    UtSystem::setUserTimeMSec(now);
    for (PlannedMotion& planned : motions) {
        if (planned.started || !planned.motion || static_cast<double>(now) < planned.startSeconds * 1000.0) continue;
        planned.started = true;
        queue->startMotion(planned.motion, true);
    }
    queue->updateParam(&model);
    // The sound overrides whatever the motions wrote for the mouth.
    if (mouth.lipSync) {
        const double openness = mouth.lipSync->opennessAt(static_cast<double>(frame) / fps - mouth.offsetSeconds);
        model.setParamFloat(mouth.paramIndex, static_cast<float>(tavrix_media::LipSync::onRange(openness, mouth.min, mouth.max)));
    }
    if (blink) {
        RandomStateScope scope(randomState);
        blink->setParam(&model);
    }
    for (auto& hair : hairs) hair->update(&model, now);
    for (const auto& [row, value] : overrides) model.setParamFloat(row, value);
}

} // namespace tavrix_stage
