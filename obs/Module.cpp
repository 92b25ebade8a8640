// The OBS module tavrix-obs: registers the "Tavrix Puppet" source and, when
// OBS unloads it, ends the render thread.
#include <obs-module.h>

#include "PuppetSourceType.h"
#include "RenderThread.h"

OBS_DECLARE_MODULE()
OBS_MODULE_USE_DEFAULT_LOCALE("tavrix-obs", "en-US")

MODULE_EXPORT const char* obs_module_description(void)
{
    return "Tavrix Puppet: a live 2-D puppet with sliders, motions on hotkeys, blinking, hair physics and lip sync";
}

bool obs_module_load(void)
{
    obs_register_source(&tavrix_obs::puppetSourceType());
    return true;
}

void obs_module_unload(void)
{
    tavrix_obs::RenderThread::shutdown();
}
