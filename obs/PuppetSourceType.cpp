#include "PuppetSourceType.h"

#include <obs-module.h>

#include "PuppetSource.h"
#include "SourceSettings.h"

namespace tavrix_obs {

namespace {

PuppetSource& puppet(void* data)
{
    return *static_cast<PuppetSource*>(data);
}

obs_source_info makeType()
{
    obs_source_info info = {};
    info.id = SOURCE_ID;
    info.type = OBS_SOURCE_TYPE_INPUT;
    info.output_flags = OBS_SOURCE_VIDEO;
    info.icon_type = OBS_ICON_TYPE_CUSTOM;
    info.get_name = [](void*) { return obs_module_text("TavrixPuppet"); };
    info.create = [](obs_data_t* settings, obs_source_t* source) -> void* { return new PuppetSource(settings, source); };
    info.destroy = [](void* data) { delete static_cast<PuppetSource*>(data); };
    info.get_width = [](void* data) { return puppet(data).width(); };
    info.get_height = [](void* data) { return puppet(data).height(); };
    info.get_defaults = [](obs_data_t* settings) { setDefaultSettings(settings); };
    info.get_properties = [](void* data) { return puppet(data).properties(); };
    info.update = [](void* data, obs_data_t* settings) { puppet(data).update(settings); };
    info.video_tick = [](void* data, float seconds) { puppet(data).tick(seconds); };
    info.video_render = [](void* data, gs_effect_t* effect) { puppet(data).render(effect); };
    return info;
}

} // namespace

const obs_source_info& puppetSourceType()
{
    static const obs_source_info type = makeType();
    return type;
}

} // namespace tavrix_obs
