#include "PuppetScene.h"

#include <algorithm>
#include <cstring>

#include "ModelData.h"
#include "ModelFiles.h"
#include "PhysicsFile.h"
#include "PlaybackSetup.h"
#include "RenderResources.h"
#include "ReportOnce.h"
#include "Stage.h"
#include "TextValues.h"
#include "TavrixModelOpenGL.h"

namespace tavrix_frei0r {

using namespace tavrix_stage;

namespace {

// Later times draw the frame at this time: a host's time in the wrong unit
// (milliseconds read as seconds) must not make one frame play days of
// animation.
const double MAX_ANIMATION_SECONDS = 24.0 * 3600.0;

// Largest side tried first; OpenGL may take less.
const unsigned MAX_DRAWN_SIDE = 32768;

bool parseSeed(const std::string& text, unsigned& seed)
{
    long value = 0;
    const std::vector<std::string> items = tavrix_media::splitList(text);
    if (items.size() != 1 || !tavrix_media::parseWholeNumber(items[0], value) || value > 4294967295L) return false;
    seed = static_cast<unsigned>(value);
    return true;
}

} // namespace

PuppetScene::PuppetScene(const std::string& pluginName) : pluginName(pluginName) {}

PuppetScene::~PuppetScene()
{
    // The playback works on the puppet's model.
    playback.reset();
    puppet.reset();
}

void PuppetScene::report(const std::string& message) const
{
    reportOnce(pluginName, message);
}

bool PuppetScene::render(RenderResources& resources, const PuppetSettings& settings, double hostTime,
                         const FramePixels& frame)
{
    if (frame.width == 0 || frame.height == 0 || !frame.out) return false;
    if (!setUp(resources, settings)) return false;
    std::string why;
    Stage* stage = resources.stage(why);
    if (!stage) return false;
    mapSliders(settings);

    double seconds = hostTime * settings.timeUnit;
    if (!(seconds > 0.0)) seconds = 0.0;
    seconds = std::min(seconds, MAX_ANIMATION_SECONDS);
    playback->clearPoses();
    for (const Slider& slider : sliders) {
        const float fraction = static_cast<float>(settings.slider[slider.setting]);
        playback->setPose(slider.row, slider.min + fraction * (slider.max - slider.min));
    }
    playback->advanceTo(playback->frameAt(seconds));
    puppet->update();
    puppet->placeInFrame(settings.x, settings.y, settings.sizeFactor());

    const bool over = frame.in != nullptr;
    if (!drawPicture(*stage, frame, over, why)) {
        report(why);
        return false;
    }
    if (over) {
        tavrix_media::paintPremultipliedOver(picture, reinterpret_cast<const uint8_t*>(frame.in),
                                             reinterpret_cast<uint8_t*>(frame.out));
    } else {
        std::memcpy(frame.out, picture.pixels.data(), picture.pixels.size());
    }
    return true;
}

bool PuppetScene::setUp(RenderResources& resources, const PuppetSettings& settings)
{
    if (madeOnce && settings.samePlayback(applied)) return !failed;
    madeOnce = true;
    applied = settings;
    failed = true;
    playback.reset();
    puppet.reset();
    mappedSliders.clear();
    sliders.clear();
    std::string why;
    if (!makePuppet(resources, settings, why)) {
        playback.reset();
        puppet.reset();
        report(why);
        return false;
    }
    failed = false;
    mapSliders(settings);
    return true;
}

bool PuppetScene::makePuppet(RenderResources& resources, const PuppetSettings& settings, std::string& why)
{
    if (settings.model.empty()) {
        why = "no model: give the model parameter a .moc file or a model JSON file";
        return false;
    }
    Stage* stage = resources.stage(why);
    if (!stage) return false;
    ModelFiles files;
    if (!resolveModelFiles(settings.model, {}, files, why)) return false;
    std::vector<std::string> warnings;
    std::shared_ptr<ModelData> data =
        resources.models.get(settings.model, [&] { return ModelData::load(*stage, files, warnings, why); });
    if (!data) return false;
    for (const std::string& warning : warnings) report("warning: " + warning);
    puppet = Puppet::fromData(data);
    if (!puppet) {
        why = files.model + ": cannot load model";
        return false;
    }

    PlaybackSetup setup;
    for (const std::string& text : tavrix_media::splitList(settings.motion)) {
        setup.motions.push_back(parseMotionStart(text));
    }
    setup.loop = settings.loop;
    if (!settings.blink.empty()) {
        if (!parseSeed(settings.blink, setup.blinkSeed)) {
            why = "blink: '" + settings.blink + "' is not a seed (a whole number from 0 to 4294967295)";
            return false;
        }
        setup.blink = true;
    }
    if (!settings.physics.empty() && !readPhysicsFile(settings.physics, setup.hairs, why)) {
        why = settings.physics + ": " + why;
        return false;
    }
    if (!settings.lipsync.empty()) {
        const LipSyncSource source = parseLipSyncSource(settings.lipsync);
        setup.sound = resources.sounds.get(source.path, [&]() -> std::shared_ptr<const tavrix_media::AudioTrack> {
            auto sound = std::make_shared<tavrix_media::AudioTrack>();
            if (tavrix_media::readAudioFile(source.path, *sound, why)) return sound;
            return nullptr;
        });
        if (!setup.sound) {
            why = "lipsync: " + why;
            return false;
        }
        setup.soundParam = source.param;
    }
    if (!tavrix_media::parseParamList(settings.set, setup.holds, why)) {
        why = "set: " + why;
        return false;
    }
    for (const auto& hold : setup.holds) {
        if (!puppet->findParam(hold.first)) {
            report("warning: set " + hold.first + ": the model defines no parameter of that name");
        }
    }
    playback = makePlayback(puppet->model(), settings.clockFps(), setup, files.model, why);
    return playback != nullptr;
}

void PuppetScene::mapSliders(const PuppetSettings& settings)
{
    if (settings.sliders == mappedSliders) return;
    mappedSliders = settings.sliders;
    sliders.clear();
    const std::vector<std::string> names = tavrix_media::splitList(settings.sliders);
    for (size_t i = 0; i < names.size(); ++i) {
        if (i >= static_cast<size_t>(SLIDER_COUNT)) {
            report("warning: sliders: only the first " + std::to_string(SLIDER_COUNT) + " names have sliders");
            break;
        }
        const PuppetParam* param = puppet->findParam(names[i]);
        if (!param || param->row < 0) {
            report("warning: sliders: the model defines no parameter " + names[i]);
            continue;
        }
        sliders.push_back(Slider{static_cast<int>(i), param->row, param->min, param->max});
    }
}

bool PuppetScene::drawPicture(Stage& stage, const FramePixels& frame, bool premultiplied, std::string& why)
{
    unsigned width = frame.width;
    unsigned height = frame.height;
    if (width == fittedFor[0] && height == fittedFor[1]) {
        width = fitted[0];
        height = fitted[1];
    }
    while (width > MAX_DRAWN_SIDE || height > MAX_DRAWN_SIDE) {
        width = (width + 1) / 2;
        height = (height + 1) / 2;
    }
    for (;;) {
        std::string failure;
        const int w = static_cast<int>(width);
        const int h = static_cast<int>(height);
        if (stage.draw(*puppet, w, h, drawn, failure,
                       premultiplied ? tavrix_stage::Stage::Alpha::PREMULTIPLIED : tavrix_stage::Stage::Alpha::STRAIGHT)) {
            break;
        }
        if (width == 1 && height == 1) {
            why = "cannot draw: " + failure;
            return false;
        }
        width = (width + 1) / 2;
        height = (height + 1) / 2;
    }
    fittedFor[0] = frame.width;
    fittedFor[1] = frame.height;
    fitted[0] = width;
    fitted[1] = height;
    if (width == frame.width && height == frame.height) {
        std::swap(picture, drawn);
        return true;
    }
    report("frames of " + std::to_string(frame.width) + " x " + std::to_string(frame.height) +
           " are larger than OpenGL draws here: the puppet is drawn at " + std::to_string(width) + " x " +
           std::to_string(height) + " and enlarged");
    tavrix_media::resizeNearest(drawn, frame.width, frame.height, picture);
    return true;
}

} // namespace tavrix_frei0r
