#include "LivePuppet.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>

#include "ModelFiles.h"
#include "MotionFolder.h"
#include "ObsLog.h"
#include "PhysicsFile.h"
#include "TavrixModelOpenGL.h"
#include "TextValues.h"

namespace tavrix_obs {

using tavrix_stage::PuppetParam;

namespace {

// A motion file larger than this is no motion anyone made by hand.
const std::streamoff MAX_MOTION_BYTES = 64 << 20;
// A pause of OBS's clock longer than this (a suspended machine) moves the
// puppet's clock on by this much only, rather than playing every frame.
const double MAX_STEP_SECONDS = 1.0;

bool readBytes(const std::string& path, std::vector<char>& bytes, std::string& why)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        why = "cannot be read";
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || size > MAX_MOTION_BYTES) {
        why = "is too large for a motion";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(bytes.data(), size)) {
        why = "cannot be read";
        return false;
    }
    return true;
}

} // namespace

LivePuppet::LivePuppet(int fps, std::shared_ptr<FrameMailbox> mailbox) : fps(std::max(fps, 1)), mailbox(std::move(mailbox))
{
}

LivePuppet::~LivePuppet() = default;

void LivePuppet::log(int level, const std::string& text) const
{
    logSource(level, name, text);
}

LivePuppet::Facts LivePuppet::facts() const
{
    std::lock_guard<std::mutex> guard(factsLock);
    return known;
}

void LivePuppet::release()
{
    playback.reset();
    puppet.reset();
}

void LivePuppet::empty()
{
    mailbox->postEmpty();
}

void LivePuppet::apply(tavrix_stage::Stage* stage, const std::string& sourceName, const SourceSettings& next,
                       std::shared_ptr<const tavrix_media::LipSyncStream> nextStream)
{
    name = sourceName;
    const bool newModel = !configured || next.modelFile != settings.modelFile;
    const bool newPlayback = newModel || next.idleMotion != settings.idleMotion || next.blink != settings.blink ||
                             next.blinkIntervalSeconds != settings.blinkIntervalSeconds ||
                             next.physicsFile != settings.physicsFile || next.lipSyncParam != settings.lipSyncParam ||
                             nextStream != stream;
    settings = next;
    stream = std::move(nextStream);
    configured = true;
    dirty = true;
    if (!stage) {
        empty();
        return;
    }
    if (newModel) load(*stage);
    if (!puppet) return;
    if (newPlayback) setUpPlayback();
    applySliders();
}

void LivePuppet::load(tavrix_stage::Stage& stage)
{
    playback.reset();
    puppet.reset();
    motionBytes.clear();
    overridden.clear();
    Facts facts;
    {
        std::lock_guard<std::mutex> guard(factsLock);
        facts.generation = known.generation + 1;
    }
    facts.modelFile = settings.modelFile;
    if (!settings.modelFile.empty()) {
        tavrix_stage::ModelFiles files;
        std::string why;
        std::vector<std::string> warnings;
        if (!tavrix_stage::resolveModelFiles(settings.modelFile, {}, files, why)) {
            log(LOG_WARNING, "cannot use the model: " + why);
        } else {
            puppet = tavrix_stage::Puppet::load(stage, files, warnings, why);
            if (!puppet) log(LOG_WARNING, why);
            for (const std::string& warning : warnings) log(LOG_WARNING, warning);
        }
    }
    if (puppet) {
        facts.loaded = true;
        facts.params = puppet->params();
        readMotions();
        for (const auto& motion : motionBytes) facts.motions.push_back(motion.first);
        log(LOG_INFO, "loaded " + settings.modelFile + " (" + std::to_string(facts.params.size()) + " parameters, " +
                          std::to_string(facts.motions.size()) + " motions)");
        for (const auto& value : settings.paramValues) {
            if (!puppet->findParam(value.first)) {
                log(LOG_WARNING, "setting " + value.first + " names no parameter of the model; ignored");
            }
        }
    } else {
        empty();
    }
    std::lock_guard<std::mutex> guard(factsLock);
    known = facts;
}

void LivePuppet::readMotions()
{
    const std::string folder = modelFolder(settings.modelFile);
    for (const std::string& file : motionFilesBeside(settings.modelFile)) {
        auto bytes = std::make_shared<std::vector<char>>();
        std::string why;
        if (!readBytes(folder + "/" + file, *bytes, why)) {
            log(LOG_WARNING, "motion " + file + " " + why + "; left out");
            continue;
        }
        motionBytes[file] = std::move(bytes);
    }
}

void LivePuppet::setUpPlayback()
{
    // A new playback starts from the model at rest, as a fresh load does.
    playback.reset();
    for (const PuppetParam& param : puppet->params()) puppet->setParam(param.id, param.defaultValue);
    overridden.clear();
    elapsed = 0;
    playback = std::make_unique<tavrix_stage::Playback>(puppet->model(), fps);
    std::string why;
    if (!settings.idleMotion.empty()) {
        const auto idle = motionBytes.find(settings.idleMotion);
        if (idle == motionBytes.end()) {
            log(LOG_WARNING, "idle motion " + settings.idleMotion + " is not beside the model; none plays");
        } else if (!playback->setIdleMotion(idle->second, why)) {
            log(LOG_WARNING, "idle motion " + settings.idleMotion + ": " + why);
        }
    }
    if (settings.blink) {
        // Each source blinks at its own moments.
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const unsigned seed = static_cast<unsigned>(now ^ reinterpret_cast<uintptr_t>(this));
        playback->enableBlink(seed, static_cast<int>(std::lround(settings.blinkIntervalSeconds * 1000.0)));
    }
    if (!settings.physicsFile.empty()) {
        std::vector<tavrix_stage::HairSetup> hairs;
        if (!tavrix_stage::readPhysicsFile(settings.physicsFile, hairs, why)) {
            log(LOG_WARNING, settings.physicsFile + ": " + why + "; no hair physics");
        } else {
            playback->addHairs(hairs);
        }
    }
    if (stream) {
        const PuppetParam* mouth = puppet->findParam(settings.lipSyncParam);
        if (!mouth || mouth->row < 0) {
            log(LOG_WARNING, "the model has no parameter " + settings.lipSyncParam + " for lip sync");
        } else {
            playback->setLipSync(*stream, mouth->row, mouth->min, mouth->max);
        }
    }
}

void LivePuppet::applySliders()
{
    std::set<int> now;
    for (const PuppetParam& param : puppet->params()) {
        if (param.row < 0) continue;
        const auto value = settings.paramValues.find(param.id);
        if (value != settings.paramValues.end()) {
            playback->setOverride(param.row, value->second);
            puppet->setParam(param.id, value->second);
            now.insert(param.row);
        } else if (overridden.count(param.row)) {
            // Back to rest; the animation takes it from there.
            playback->clearOverride(param.row);
            puppet->setParam(param.id, param.defaultValue);
        }
    }
    overridden = now;
}

bool LivePuppet::pictureSize(int& width, int& height)
{
    width = settings.width;
    height = settings.height;
    if (width > 0 && height > 0) return true;
    int canvasWidth = 0;
    int canvasHeight = 0;
    if (!tavrix_media::imageSizeOfCanvas(puppet->canvasWidth(), puppet->canvasHeight(), canvasWidth, canvasHeight)) {
        return false;
    }
    if (width <= 0) width = canvasWidth;
    if (height <= 0) height = canvasHeight;
    return true;
}

void LivePuppet::advance(tavrix_stage::Stage* stage, double seconds, bool visible)
{
    if (!stage || !puppet || !playback) return;
    elapsed += std::min(std::max(seconds, 0.0), MAX_STEP_SECONDS);
    const int frame = playback->frameAt(elapsed);
    if (frame != playback->lastPlayedFrame()) {
        playback->advanceTo(frame);
        dirty = true;
    }
    if (!visible || !dirty) return;
    puppet->update();
    int width = 0;
    int height = 0;
    std::string why;
    if (!pictureSize(width, height)) {
        why = "the model's canvas has no size; give the source a width and a height";
    } else {
        if (settings.fillsWidth()) {
            puppet->fillWidth();
        } else {
            puppet->place(width / 2.0 + settings.offsetX, width / 2.0 + settings.offsetY,
                          static_cast<float>(settings.scale));
        }
        if (stage->draw(*puppet, width, height, picture, why, tavrix_stage::Stage::Alpha::PREMULTIPLIED)) {
            mailbox->post(picture);
            lastDrawFailure.clear();
            dirty = false;
            return;
        }
    }
    if (why != lastDrawFailure) log(LOG_WARNING, "cannot draw: " + why);
    lastDrawFailure = why;
    empty();
    dirty = false;
}

void LivePuppet::playMotion(const std::string& fileName)
{
    if (!playback) return;
    const auto bytes = motionBytes.find(fileName);
    if (bytes == motionBytes.end()) return;
    const int frame = playback->lastPlayedFrame() + 1;
    std::string why;
    if (!playback->addMotionAt(bytes->second, playback->timeOfFrame(frame), false, why)) {
        log(LOG_WARNING, "motion " + fileName + ": " + why);
        return;
    }
    log(LOG_INFO, "playing " + fileName + " from frame " + std::to_string(frame));
}

} // namespace tavrix_obs
