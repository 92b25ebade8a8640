#include "PagePuppet.h"

#include <emscripten/emscripten.h>

#include "ATavrixModel.h"
#include "ModelFacts.h"
#include "TavrixModelOpenGL.h"
#include "Tavrix.h"
#include "util/UtDebug.h"

namespace tavrix_web {

using tavrix_stage::PuppetParam;

bool PagePuppet::fail(const std::string& why)
{
    text = why;
    return false;
}

bool PagePuppet::open()
{
    std::string why;
    // The page hears of failures through messages; the runtime's own text
    // would only clutter its console.
    tavrix::UtDebug::setSink(tavrix::UtDebug::discardingSink, nullptr);
    if (!stage.open(why)) return fail(why);
    opened = true;
    return true;
}

bool PagePuppet::load(const tavrix_stage::ModelFiles& files, const std::vector<unsigned char>& model,
                      const std::vector<std::vector<unsigned char>>& pngs, int fps, int& loadResult)
{
    if (!opened) return fail("the stage is not open");
    if (fps < 1 || fps > 1000) return fail("fps " + std::to_string(fps) + " must be from 1 to 1000");
    stopLipSync();
    playback.reset();
    puppet.reset();
    std::vector<std::string> warnings;
    std::string why;
    loadResult = 0;
    puppet = tavrix_stage::Puppet::loadFromBytes(stage, files, model, pngs, warnings, why, &loadResult);
    // why carries the runtime's own message.
    if (!puppet) return fail(why);
    playback.reset(new tavrix_stage::Playback(puppet->model(), fps));
    text.clear();
    for (const std::string& warning : warnings) text += (text.empty() ? "" : "\n") + warning;
    return true;
}

const std::vector<PuppetParam>& PagePuppet::params() const
{
    static const std::vector<PuppetParam> none;
    return puppet ? puppet->params() : none;
}

bool PagePuppet::setParam(const std::string& id, float value)
{
    const PuppetParam* param = puppet ? puppet->findParam(id) : nullptr;
    if (!param || param->row < 0) return fail("the model defines no parameter " + id);
    playback->setOverride(param->row, value);
    return true;
}

void PagePuppet::clearParam(const std::string& id)
{
    const PuppetParam* param = puppet ? puppet->findParam(id) : nullptr;
    if (param && param->row >= 0) playback->clearOverride(param->row);
}

float PagePuppet::paramValue(const std::string& id)
{
    return puppet ? puppet->model().getParamFloat(id.c_str()) : 0.0f;
}

bool PagePuppet::addMotion(const std::vector<char>& bytes, double startSeconds, bool loop)
{
    if (!playback) return fail("no puppet is loaded");
    std::string why;
    if (!playback->addMotionBytes(bytes, startSeconds, loop, why)) {
        const std::string detail = tavrix::Tavrix::getErrorMessage();
        return fail(detail.empty() ? why : why + ": " + detail);
    }
    return true;
}

void PagePuppet::enableBlink(unsigned seed)
{
    if (playback) playback->enableBlink(seed);
}

void PagePuppet::addHairs(const std::vector<tavrix_stage::HairSetup>& hairs)
{
    if (playback) playback->addHairs(hairs);
}

bool PagePuppet::startLipSync(const std::string& paramId, const tavrix_media::LipSyncSettings& settings,
                              int sampleRate)
{
    const PuppetParam* param = puppet ? puppet->findParam(paramId) : nullptr;
    if (!param || param->row < 0) return fail("the model has no parameter " + paramId + " for the lip sync");
    if (sampleRate < 8000 || sampleRate > 768000) return fail("lip sync: no sound at " + std::to_string(sampleRate) + " samples a second");
    playback->clearLipSync();
    lipSync.reset(new tavrix_media::LipSyncStream(settings, sampleRate));
    playback->setLipSync(*lipSync, param->row, param->min, param->max);
    return true;
}

void PagePuppet::stopLipSync()
{
    if (playback) playback->clearLipSync();
    lipSync.reset();
}

float* PagePuppet::heardSamples(int count)
{
    heard.assign(count > 0 ? static_cast<size_t>(count) : 0, 0.0f);
    return heard.data();
}

void PagePuppet::hear(int count)
{
    if (lipSync && count > 0 && static_cast<size_t>(count) <= heard.size()) lipSync->addSamples(heard.data(), count);
}

void PagePuppet::place(double x, double y, float scale)
{
    if (puppet) puppet->place(x, y, scale);
}

void PagePuppet::fillWidth()
{
    if (puppet) puppet->fillWidth();
}

int PagePuppet::frameAt(double seconds) const
{
    return playback ? playback->frameAt(seconds) : 0;
}

double PagePuppet::timeUpdates(const std::string& first, const std::string& second, int count)
{
    if (!puppet || count < 1 || !puppet->findParam(first) || !puppet->findParam(second)) return 0.0;
    const double begin = emscripten_get_now();
    float angle = 0.0f;
    for (int i = 0; i < count; ++i) {
        angle = angle > 29.0f ? -29.0f : angle + 0.5f;
        puppet->setParam(first, angle);
        puppet->setParam(second, angle / 3.0f);
        puppet->update();
    }
    return (emscripten_get_now() - begin) / count;
}

bool PagePuppet::pose(int frame)
{
    if (!puppet) return fail("no puppet is loaded");
    if (!stage.makeCurrent()) return fail("the WebGL context is lost");
    playback->advanceTo(frame < 0 ? 0 : frame);
    puppet->update();
    return true;
}

bool PagePuppet::render(int frame, int width, int height)
{
    std::string why;
    if (!pose(frame)) return false;
    if (!stage.render(*puppet, width, height, why)) return fail(why);
    return true;
}

bool PagePuppet::inspect(int frame)
{
    if (!pose(frame)) return false;
    factsJson = tavrix_stage::modelFactsJson(puppet->model());
    return true;
}

bool PagePuppet::draw(int frame, int width, int height)
{
    std::string why;
    if (!pose(frame)) return false;
    if (!stage.draw(*puppet, width, height, image, why)) return fail(why);
    return true;
}

} // namespace tavrix_web
