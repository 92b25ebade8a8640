// The OBS module tavrix-obs: registers the "Tavrix Puppet" source, sends the
// runtime's messages to OBS's log and, when OBS unloads it, ends the render
// thread.
#include <obs-module.h>

#include "ObsLog.h"
#include "PuppetSourceType.h"
#include "RenderThread.h"
#include "util/UtDebug.h"

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("tavrix-obs", "en-US")

MODULE_EXPORT const char* obs_module_description(void)
{
    return "Tavrix Puppet: a live 2-D puppet with sliders, motions on hotkeys, blinking, hair physics and lip sync";
}

bool obs_module_load(void)
{
    // OBS's own output may be in use: the runtime's messages go to its log.
    tavrix::UtDebug::setSink(tavrix_obs::logRuntimeText, nullptr);
    obs_register_source(&tavrix_obs::puppetSourceType());
    return true;
}

void obs_module_unload(void)
{
    tavrix_obs::RenderThread::shutdown();
    tavrix::UtDebug::setSink(nullptr, nullptr);
}
