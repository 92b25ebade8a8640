// The web module's functions, as the page's script (tavrix.js) calls them:
// plain C functions over the module's one PagePuppet. Texts go in and out
// as NUL-terminated UTF-8 in the module's memory; a call that fails returns
// 0 (or null) and leaves the reason in tavrix_message().
#include <emscripten/emscripten.h>

#include <cstdint>
#include <sstream>

#include "PagePuppet.h"

using tavrix_web::PagePuppet;

namespace {

PagePuppet page;
// Hair set-ups the page describes one call at a time, added together.
std::vector<tavrix_stage::HairSetup> hairsToAdd;

const tavrix_stage::PuppetParam* paramAt(int index)
{
    const auto& params = page.params();
    return index >= 0 && index < static_cast<int>(params.size()) ? &params[index] : nullptr;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* tavrix_message()
{
    return page.message().c_str();
}

EMSCRIPTEN_KEEPALIVE int tavrix_open()
{
    return page.open();
}

// names: the model's name, then each texture's, one a line. pngs and
// pngSizes: textureCount pointers and sizes.
EMSCRIPTEN_KEEPALIVE int tavrix_load(const char* names, const unsigned char* model, int modelSize,
                                     const unsigned char* const* pngs, const int* pngSizes, int textureCount, int fps)
{
    tavrix_stage::ModelFiles files;
    std::istringstream lines(names);
    std::getline(lines, files.model);
    for (std::string name; std::getline(lines, name);) files.textures.push_back(name);
    std::vector<std::vector<unsigned char>> pngBytes;
    for (int i = 0; i < textureCount; ++i) pngBytes.emplace_back(pngs[i], pngs[i] + pngSizes[i]);
    int loadResult = 0;
    return page.load(files, std::vector<unsigned char>(model, model + modelSize), pngBytes, fps, loadResult);
}

EMSCRIPTEN_KEEPALIVE int tavrix_param_count()
{
    return static_cast<int>(page.params().size());
}

EMSCRIPTEN_KEEPALIVE const char* tavrix_param_id(int index)
{
    const auto* param = paramAt(index);
    return param ? param->id.c_str() : "";
}

// which: 0 the minimum, 1 the maximum, 2 the default.
EMSCRIPTEN_KEEPALIVE float tavrix_param_range(int index, int which)
{
    const auto* param = paramAt(index);
    if (!param) return 0.0f;
    return which == 0 ? param->min : which == 1 ? param->max : param->defaultValue;
}

EMSCRIPTEN_KEEPALIVE int tavrix_set_param(const char* id, float value)
{
    return page.setParam(id, value);
}

EMSCRIPTEN_KEEPALIVE void tavrix_clear_param(const char* id)
{
    page.clearParam(id);
}

EMSCRIPTEN_KEEPALIVE float tavrix_param_value(const char* id)
{
    return page.paramValue(id);
}

EMSCRIPTEN_KEEPALIVE int tavrix_add_motion(const char* bytes, int size, double startSeconds, int loop)
{
    return page.addMotion(std::vector<char>(bytes, bytes + size), startSeconds, loop != 0);
}

EMSCRIPTEN_KEEPALIVE void tavrix_blink(unsigned seed)
{
    page.enableBlink(seed);
}

EMSCRIPTEN_KEEPALIVE void tavrix_hair(float length, float airResistance, float mass, float gravityAngleDeg)
{
    tavrix_stage::HairSetup hair;
    hair.length = length;
    hair.airResistance = airResistance;
    hair.mass = mass;
    hair.gravityAngleDeg = gravityAngleDeg;
    hairsToAdd.push_back(hair);
}

// A source (target 0) or target (target 1) of the hair described last.
EMSCRIPTEN_KEEPALIVE void tavrix_hair_link(int target, int kind, const char* id, float scale, float weight)
{
    if (hairsToAdd.empty()) return;
    tavrix_stage::HairLink link{kind, id, scale, weight};
    (target ? hairsToAdd.back().targets : hairsToAdd.back().sources).push_back(link);
}

EMSCRIPTEN_KEEPALIVE void tavrix_add_hairs()
{
    page.addHairs(hairsToAdd);
    hairsToAdd.clear();
}

EMSCRIPTEN_KEEPALIVE int tavrix_lipsync(const char* paramId, double gain, double gate, double smoothingSeconds,
                                         int sampleRate)
{
    tavrix_media::LipSyncSettings settings;
    settings.gain = gain;
    settings.gate = gate;
    settings.smoothingSeconds = smoothingSeconds;
    return page.startLipSync(paramId, settings, sampleRate);
}

EMSCRIPTEN_KEEPALIVE void tavrix_lipsync_stop()
{
    page.stopLipSync();
}

EMSCRIPTEN_KEEPALIVE float* tavrix_heard_samples(int count)
{
    return page.heardSamples(count);
}

EMSCRIPTEN_KEEPALIVE void tavrix_hear(int count)
{
    page.hear(count);
}

EMSCRIPTEN_KEEPALIVE void tavrix_place(double x, double y, float scale)
{
    page.place(x, y, scale);
}

EMSCRIPTEN_KEEPALIVE void tavrix_fill_width()
{
    page.fillWidth();
}

EMSCRIPTEN_KEEPALIVE int tavrix_frame_at(double seconds)
{
    return page.frameAt(seconds);
}

EMSCRIPTEN_KEEPALIVE double tavrix_time_updates(const char* first, const char* second, int count)
{
    return page.timeUpdates(first, second, count);
}

EMSCRIPTEN_KEEPALIVE int tavrix_render(int frame, int width, int height)
{
    return page.render(frame, width, height);
}

// The frame read back: width * height * 4 bytes of straight RGBA, rows top
// first, valid until the next call; null on failure.
EMSCRIPTEN_KEEPALIVE const uint8_t* tavrix_draw(int frame, int width, int height)
{
    return page.draw(frame, width, height) ? page.picture().pixels.data() : nullptr;
}

// The frame's model facts and evaluated geometry as one JSON document (the
// format of `tavrix inspect --json`), valid until the next call; null on
// failure.
EMSCRIPTEN_KEEPALIVE const char* tavrix_inspect(int frame)
{
    return page.inspect(frame) ? page.facts().c_str() : nullptr;
}

} // extern "C"
