// The frei0r entry points of a puppet plug-in. The same file makes both:
// TAVRIX_FREI0R_SOURCE 1 gives the source (the puppet on transparent black),
// 0 the filter (the puppet over the input frame); TAVRIX_FREI0R_NAME is the
// plug-in's name, which hosts show and MLT takes from the file name.
// Nothing is drawn here: instances post their frames to the render thread.
// The header declares its functions without C linkage of their own.
extern "C" {
#include <frei0r.h>
}

#include <exception>
#include <new>

#include "LibraryLogOwner.h"
#include "PluginInstance.h"
#include "PuppetSettings.h"
#include "ReportOnce.h"

using tavrix_frei0r::PluginInstance;

namespace {

PluginInstance* instanceOf(f0r_instance_t instance)
{
    return static_cast<PluginInstance*>(instance);
}

int frei0rKind(tavrix_frei0r::ParamKind kind)
{
    switch (kind) {
    case tavrix_frei0r::ParamKind::BOOL: return F0R_PARAM_BOOL;
    case tavrix_frei0r::ParamKind::DOUBLE: return F0R_PARAM_DOUBLE;
    default: return F0R_PARAM_STRING;
    }
}

// Nothing may escape into the host: a failure becomes one line.
template <class Work>
void guarded(Work work)
{
    try {
        work();
    } catch (const std::exception& e) {
        tavrix_frei0r::reportOnce(TAVRIX_FREI0R_NAME, e.what());
    } catch (...) {
        tavrix_frei0r::reportOnce(TAVRIX_FREI0R_NAME, "unknown failure");
    }
}

} // namespace

// The only symbols a plug-in exports (exports.map); the rest is hidden.
#define TAVRIX_EXPORT __attribute__((visibility("default")))

extern "C" {

TAVRIX_EXPORT int f0r_init()
{
    // ffmpeg, MLT and GStreamer's libav elements share FFmpeg's log with
    // the sound decoding of the lip sync.
    tavrix_media::leaveLibraryLogToHost();
    return 1;
}

TAVRIX_EXPORT void f0r_deinit() {}

TAVRIX_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info)
{
    if (!info) return;
    info->name = TAVRIX_FREI0R_NAME;
    info->author = "Tavrix";
    info->plugin_type = TAVRIX_FREI0R_SOURCE ? F0R_PLUGIN_TYPE_SOURCE : F0R_PLUGIN_TYPE_FILTER;
    info->color_model = F0R_COLOR_MODEL_RGBA8888;
    info->frei0r_version = FREI0R_MAJOR_VERSION;
    info->major_version = 0;
    info->minor_version = 1;
    info->num_params = tavrix_frei0r::PARAM_COUNT;
    info->explanation = TAVRIX_FREI0R_SOURCE ? "A Tavrix puppet on transparent black, animated by motions, blinking, "
                                               "hair physics and lip sync"
                                             : "A Tavrix puppet drawn over the frame, animated by motions, blinking, "
                                               "hair physics and lip sync";
}

TAVRIX_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index)
{
    if (!info || index < 0 || index >= tavrix_frei0r::PARAM_COUNT) return;
    const tavrix_frei0r::ParamInfo& param = tavrix_frei0r::paramInfo(index);
    info->name = param.name;
    info->type = frei0rKind(param.kind);
    info->explanation = param.explanation;
}

TAVRIX_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height)
{
    PluginInstance* made = nullptr;
    guarded([&] { made = new PluginInstance(TAVRIX_FREI0R_NAME, width, height); });
    return made;
}

TAVRIX_EXPORT void f0r_destruct(f0r_instance_t instance)
{
    guarded([&] { delete instanceOf(instance); });
}

TAVRIX_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index)
{
    if (!instance) return;
    guarded([&] { instanceOf(instance)->setParam(index, param); });
}

TAVRIX_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index)
{
    if (!instance) return;
    guarded([&] { instanceOf(instance)->getParam(index, param); });
}

TAVRIX_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe)
{
    if (!instance) return;
    guarded([&] { instanceOf(instance)->update(time, TAVRIX_FREI0R_SOURCE ? nullptr : inframe, outframe); });
}

TAVRIX_EXPORT void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1, const uint32_t*, const uint32_t*,
                 uint32_t* outframe)
{
    f0r_update(instance, time, inframe1, outframe);
}

} // extern "C"
