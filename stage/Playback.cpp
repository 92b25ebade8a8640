#include "Playback.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "id/ParamID.h"
#include "motion/EyeBlinkMotion.h"
#include "motion/MotionQueueManager.h"
#include "motion/TavrixMotion.h"
#include "motion/TavrixMotionBin.h"
#include "physics/PhysicsHair.h"
#include "SeededRandom.h"
#include "type/LDString.h"
#include "util/UtFile.h"
#include "util/UtSystem.h"

using namespace tavrix;

namespace tavrix_stage {

namespace {

bool isBinaryMotion(const std::vector<char>& bytes)
{
    return bytes.size() >= 3 && std::memcmp(bytes.data(), "mtb", 3) == 0;
}

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
    for (int row = 0; context && row < context->getParamCount(); ++row) {
        initialValues.push_back(context->getParamFloat(row));
    }
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
    // A frame at time now (whole ms) starts it when now >= startSeconds *
    // 1000, that is when now >= the ceiling of that product.
    const double startProduct = std::ceil(startSeconds * 1000.0);
    const int64_t startMSec = startProduct >= 9.0e18 ? INT64_MAX : static_cast<int64_t>(std::fmax(startProduct, 0.0));
    if (!addMotionAt(std::make_shared<const std::vector<char>>(bytes), startMSec, loop, why)) return false;
    motions.back().startSeconds = startSeconds;
    return true;
}

bool Playback::addMotionAt(std::shared_ptr<const std::vector<char>> bytes, int64_t startMSec, bool loop,
                           std::string& why)
{
    int lengthMSec = 0;
    AMotion* motion = checkedMotion(*bytes, loop, lengthMSec, why);
    if (!motion) return false;
    motions.push_back({bytes, isBinaryMotion(*bytes), loop, startMSec / 1000.0, startMSec, lengthMSec, motion, false});
    return true;
}

AMotion* Playback::checkedMotion(const std::vector<char>& bytes, bool loop, int& lengthMSec, std::string& why)
{
    const bool binary = isBinaryMotion(bytes);
    if (!binary && std::memchr(bytes.data(), '\0', bytes.size())) {
        why = "not a motion: binary data without the .mtnb signature";
        return nullptr;
    }
    AMotion* motion = makeMotion(bytes, binary, loop);
    if (binary) {
        if (!motion) {
            why = "not a usable binary motion";
            return nullptr;
        }
        lengthMSec = static_cast<TavrixMotionBin*>(motion)->getLoopDurationMSec();
    } else {
        TavrixMotion* text = static_cast<TavrixMotion*>(motion);
        if (!text || text->getMotionCount() == 0) {
            delete text;
            why = "no motion curves in it";
            return nullptr;
        }
        lengthMSec = text->getLoopDurationMSec();
    }
    return motion;
}

bool Playback::setIdleMotion(std::shared_ptr<const std::vector<char>> bytes, std::string& why)
{
    int lengthMSec = 0;
    AMotion* motion = checkedMotion(*bytes, true, lengthMSec, why);
    if (!motion) return false;
    delete motion;
    idleBytes = std::move(bytes);
    return true;
}

void Playback::enableBlink(unsigned seed, int intervalMSec)
{
    blinking = true;
    blinkSeed = seed;
    blinkIntervalMSec = intervalMSec;
    random.reset(new SeededRandom(seed));
    blink.reset(new EyeBlinkMotion());
    blink->setRandomSource(SeededRandom::draw, random.get());
    blink->setInterval(intervalMSec);
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
    mouth = Mouth{&lipSync, nullptr, paramIndex, min, max, offsetSeconds};
}

void Playback::setLipSync(const tavrix_media::LipSyncStream& stream, int paramIndex, float min, float max)
{
    mouth = Mouth{nullptr, &stream, paramIndex, min, max};
}

void Playback::clearLipSync()
{
    mouth = Mouth{};
}

void Playback::setLipSync(std::shared_ptr<const tavrix_media::AudioTrack> sound,
                          const tavrix_media::LipSyncSettings& settings, int paramIndex, float min, float max)
{
    ownedLipSync.reset();
    ownedSound = std::move(sound);
    if (!ownedSound) {
        mouth = Mouth{};
        return;
    }
    ownedLipSync = std::make_unique<tavrix_media::LipSync>(*ownedSound, settings);
    setLipSync(*ownedLipSync, paramIndex, min, max);
}

void Playback::setOverride(int paramIndex, float value)
{
    overrides[paramIndex] = value;
}

void Playback::clearOverride(int paramIndex)
{
    overrides.erase(paramIndex);
}

void Playback::holdParam(const std::string& id, float value)
{
    const int row = model.getParamIndex(ParamID::getID(id.c_str()));
    if (row >= 0) setOverride(row, value);
}

void Playback::setPose(int paramIndex, float value)
{
    poses[paramIndex] = value;
}

void Playback::clearPoses()
{
    poses.clear();
}

void Playback::liftPose()
{
    for (const auto& [row, value] : underPose) model.setParamFloat(row, value);
    underPose.clear();
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
        const size_t index = static_cast<size_t>(row);
        context->setParamFloat(static_cast<unsigned>(row), index < initialValues.size() ? initialValues[index] : 0.0f);
    }
    releaseMotions();
    queue.reset(new MotionQueueManager());
    for (PlannedMotion& planned : motions) {
        planned.motion = makeMotion(*planned.bytes, planned.binary, planned.loop);
        planned.started = false;
    }
    if (blinking) enableBlink(blinkSeed, blinkIntervalMSec);
    const std::vector<HairSetup> setups = std::move(hairSetups);
    hairSetups.clear();
    hairs.clear();
    hairParamNames.clear();
    addHairs(setups);
    lastFrame = -1;
}

void Playback::advanceTo(int frame)
{
    liftPose();
    if (frame < lastFrame) restart();
    while (lastFrame < frame) step(++lastFrame);
    for (const auto& [row, value] : poses) {
        underPose.emplace_back(row, model.getParamFloat(row));
        model.setParamFloat(row, value);
    }
}

void Playback::step(int frame)
{
    int64_t now = timeOfFrame(frame);
    UtSystem::setUserTimeMSec(now);
    for (PlannedMotion& planned : motions) {
        if (planned.started || !planned.motion || now < planned.startMSec) continue;
        planned.started = true;
        queue->startMotion(planned.motion, true);
    }
    if (idleBytes && queue->isFinished()) {
        queue->startMotion(makeMotion(*idleBytes, isBinaryMotion(*idleBytes), true), true);
    }
    queue->updateParam(&model);
    // The sound overrides whatever the motions wrote for the mouth.
    if (mouth.lipSync || mouth.stream) {
        const double openness = mouth.lipSync
                                    ? mouth.lipSync->opennessAt(static_cast<double>(frame) / fps - mouth.offsetSeconds)
                                    : mouth.stream->openness();
        model.setParamFloat(mouth.paramIndex,
                            static_cast<float>(tavrix_media::LipSync::onRange(openness, mouth.min, mouth.max)));
    }
    if (blink) blink->setParam(&model);
    for (auto& hair : hairs) hair->update(&model, now);
    for (const auto& [row, value] : overrides) model.setParamFloat(row, value);
}

} // namespace tavrix_stage
