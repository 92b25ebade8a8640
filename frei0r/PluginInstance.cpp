#include "PluginInstance.h"

#include <cstring>

#include "HostString.h"
#include "PuppetScene.h"
#include "RenderResources.h"
#include "RenderThread.h"
#include "ReportOnce.h"

namespace tavrix_frei0r {

PluginInstance::PluginInstance(const std::string& pluginName, unsigned width, unsigned height)
    : pluginName(pluginName), width(width), height(height)
{
    RenderThread::get().attach();
}

PluginInstance::~PluginInstance()
{
    if (scene) {
        std::string why;
        if (!RenderThread::get().run([this](RenderResources&) { scene.reset(); }, why)) {
            // Left unfreed rather than freed off the render thread.
            scene.release();
            reportOnce(pluginName, "cannot free a puppet: " + why);
        }
    }
    RenderThread::get().detach();
}

void PluginInstance::setParam(int index, const void* value)
{
    if (index < 0 || index >= PARAM_COUNT || !value) return;
    if (paramInfo(index).kind == ParamKind::STRING) {
        const std::string text = hostString(value);
        std::lock_guard<std::mutex> lock(mutex);
        settings.setText(index, text.c_str());
        return;
    }
    double number = 0.0;
    std::memcpy(&number, value, sizeof number);
    std::lock_guard<std::mutex> lock(mutex);
    settings.setNumber(index, number);
}

void PluginInstance::getParam(int index, void* value)
{
    if (index < 0 || index >= PARAM_COUNT || !value) return;
    std::lock_guard<std::mutex> lock(mutex);
    if (paramInfo(index).kind == ParamKind::STRING) {
        const char* text = settings.text(index)->c_str();
        std::memcpy(value, &text, sizeof text);
        return;
    }
    const double number = settings.number(index);
    std::memcpy(value, &number, sizeof number);
}

void PluginInstance::fallBack(const uint32_t* in, uint32_t* out) const
{
    const size_t bytes = static_cast<size_t>(width) * height * 4;
    if (in) {
        if (in != out) std::memmove(out, in, bytes);
    } else {
        std::memset(out, 0, bytes);
    }
}

void PluginInstance::update(double time, const uint32_t* in, uint32_t* out)
{
    if (!out || width == 0 || height == 0) return;
    PuppetSettings current;
    {
        std::lock_guard<std::mutex> lock(mutex);
        current = settings;
    }
    bool drawn = false;
    std::string why;
    const FramePixels frame{width, height, in, out};
    const bool ran = RenderThread::get().run(
        [&](RenderResources& resources) {
            if (!scene) scene = std::make_unique<PuppetScene>(pluginName);
            drawn = scene->render(resources, current, time, frame);
        },
        why);
    if (!ran) reportOnce(pluginName, "cannot draw: " + why);
    if (!drawn) fallBack(in, out);
}

} // namespace tavrix_frei0r
