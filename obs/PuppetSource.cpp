#include "PuppetSource.h"

#include <cmath>

#include "ObsLog.h"
#include "RenderThread.h"
#include "SourceProperties.h"
#include "SourceSettings.h"

namespace tavrix_obs {

namespace {

int videoFps()
{
    struct obs_video_info video = {};
    if (!obs_get_video_info(&video) || video.fps_den == 0) return 30;
    return std::max(1, static_cast<int>(std::lround(static_cast<double>(video.fps_num) / video.fps_den)));
}

std::string nameOf(obs_source_t* source)
{
    const char* name = obs_source_get_name(source);
    return name ? name : "";
}

} // namespace

PuppetSource::PuppetSource(obs_data_t* settings, obs_source_t* source)
    : source(source),
      mailbox(std::make_shared<FrameMailbox>()),
      live(std::make_shared<LivePuppet>(videoFps(), mailbox)),
      audio(nameOf(source)),
      framePending(std::make_shared<std::atomic<bool>>(false))
{
    post(settings);
}

PuppetSource::~PuppetSource()
{
    unregisterHotkeys();
    std::shared_ptr<LivePuppet> puppet = std::move(live);
    RenderThread::instance().post([puppet](tavrix_stage::Stage*) { puppet->release(); });
    destroyTexture();
}

void PuppetSource::destroyTexture()
{
    if (!texture) return;
    obs_enter_graphics();
    gs_texture_destroy(texture);
    obs_leave_graphics();
    texture = nullptr;
}

void PuppetSource::update(obs_data_t* settings)
{
    post(settings);
}

void PuppetSource::post(obs_data_t* settings)
{
    std::vector<std::string> problems;
    SourceSettings values = readSourceSettings(settings, problems);
    const std::string name = nameOf(source);
    for (const std::string& problem : problems) {
        if (reported.insert(problem).second) logSource(LOG_WARNING, name, problem);
    }
    audio.follow(values.lipSyncSource, values.lipSync);
    std::shared_ptr<const tavrix_media::LipSyncStream> stream = audio.stream();
    RenderThread::instance().post([puppet = live, name, values, stream](tavrix_stage::Stage* stage) {
        puppet->apply(stage, name, values, stream);
    });
}

LivePuppet::Facts PuppetSource::factsFor(obs_data_t* settings, int waitMs)
{
    LivePuppet::Facts facts = live->facts();
    const char* modelFile = obs_data_get_string(settings, keys::MODEL_FILE);
    if (facts.generation > 0 && facts.modelFile == modelFile) return facts;
    // Not loaded yet (a new source, or a file just chosen in the dialog):
    // load it now and wait a little, so the sliders can be listed.
    std::vector<std::string> problems;
    SourceSettings values = readSourceSettings(settings, problems);
    RenderThread::instance().call(
        [puppet = live, name = nameOf(source), values, stream = audio.stream()](tavrix_stage::Stage* stage) {
            puppet->apply(stage, name, values, stream);
        },
        waitMs);
    return live->facts();
}

void PuppetSource::resetParameters()
{
    obs_data_t* settings = obs_source_get_settings(source);
    const LivePuppet::Facts facts = live->facts();
    for (const tavrix_stage::PuppetParam& param : facts.params) obs_data_unset_user_value(settings, param.id.c_str());
    obs_data_release(settings);
    obs_source_update(source, nullptr);
}

obs_properties_t* PuppetSource::properties()
{
    return buildProperties(*this, source);
}

void PuppetSource::tick(float seconds)
{
    audio.tick(seconds);
    const LivePuppet::Facts facts = live->facts();
    if (facts.generation != hotkeysOfGeneration) {
        hotkeysOfGeneration = facts.generation;
        registerHotkeys(facts.motions);
    }
    unplayedSeconds += seconds;
    // One frame at a time: a render thread that falls behind drops frames
    // but keeps the clock.
    if (framePending->exchange(true)) return;
    const double step = unplayedSeconds;
    unplayedSeconds = 0;
    const bool visible = obs_source_showing(source);
    RenderThread::instance().post([puppet = live, pending = framePending, step, visible](tavrix_stage::Stage* stage) {
        puppet->advance(stage, step, visible);
        pending->store(false);
    });
}

void PuppetSource::render(gs_effect_t* effect)
{
    if (mailbox->take(upload)) {
        if (upload.width == 0 || upload.height == 0) {
            if (texture) gs_texture_destroy(texture);
            texture = nullptr;
        } else {
            if (texture && (gs_texture_get_width(texture) != upload.width ||
                            gs_texture_get_height(texture) != upload.height)) {
                gs_texture_destroy(texture);
                texture = nullptr;
            }
            if (!texture) texture = gs_texture_create(upload.width, upload.height, GS_RGBA, 1, nullptr, GS_DYNAMIC);
            if (texture) gs_texture_set_image(texture, upload.pixels.data(), upload.width * 4, false);
        }
    }
    if (!texture) return;
    // OBS runs the default effect's pass around this; the picture is
    // premultiplied, so it is laid over the scene as such.
    const bool previousSrgb = gs_framebuffer_srgb_enabled();
    gs_enable_framebuffer_srgb(false);
    gs_blend_state_push();
    gs_blend_function(GS_BLEND_ONE, GS_BLEND_INVSRCALPHA);
    gs_effect_set_texture(gs_effect_get_param_by_name(effect, "image"), texture);
    gs_draw_sprite(texture, 0, 0, 0);
    gs_blend_state_pop();
    gs_enable_framebuffer_srgb(previousSrgb);
}

void PuppetSource::registerHotkeys(const std::vector<std::string>& motions)
{
    unregisterHotkeys();
    for (const std::string& motion : motions) {
        auto hotkey = std::make_unique<Hotkey>(Hotkey{this, motion, OBS_INVALID_HOTKEY_ID});
        const std::string key = "tavrix_play." + motion;
        const std::string description = "Tavrix: play " + motion;
        hotkey->id = obs_hotkey_register_source(source, key.c_str(), description.c_str(), &PuppetSource::onHotkey,
                                                hotkey.get());
        hotkeys.push_back(std::move(hotkey));
    }
}

void PuppetSource::unregisterHotkeys()
{
    for (const auto& hotkey : hotkeys) {
        if (hotkey->id != OBS_INVALID_HOTKEY_ID) obs_hotkey_unregister(hotkey->id);
    }
    hotkeys.clear();
}

void PuppetSource::onHotkey(void* data, obs_hotkey_id, obs_hotkey_t*, bool pressed)
{
    if (!pressed) return;
    const Hotkey* hotkey = static_cast<const Hotkey*>(data);
    RenderThread::instance().post([puppet = hotkey->owner->live, motion = hotkey->motion](tavrix_stage::Stage*) {
        puppet->playMotion(motion);
    });
}

} // namespace tavrix_obs
