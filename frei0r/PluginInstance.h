// One instance of a puppet plug-in as the host sees it: its frame size and
// parameter values, set and read on any host thread (GStreamer sets
// properties from the application's thread while its streaming thread draws,
// MLT updates one instance from several threads at once), and its frames,
// drawn on the render thread while the calling thread waits.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "PuppetSettings.h"

namespace tavrix_frei0r {

class PuppetScene;

class PluginInstance {
public:
    // No drawing and no thread yet: hosts make instances only to read their
    // defaults.
    PluginInstance(const std::string& pluginName, unsigned width, unsigned height);
    // Frees the puppet on the render thread; the last instance stops it.
    ~PluginInstance();

    // value points to a double for bool and double parameters, to the char*
    // (or, from GStreamer while playing, the char array) for strings.
    void setParam(int index, const void* value);
    // Writes a double or a char* (valid until the parameter changes).
    void getParam(int index, void* value);

    // The frame for the host's time: the puppet over in (a filter) or on
    // transparent black (a source, in null). Whatever goes wrong, out gets
    // in unchanged, or transparent black, and the reason goes to standard
    // error once.
    void update(double time, const uint32_t* in, uint32_t* out);

    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

private:
    void fallBack(const uint32_t* in, uint32_t* out) const;

    const std::string pluginName;
    const unsigned width;
    const unsigned height;
    std::mutex mutex;
    PuppetSettings settings;
    // Made, used and destroyed on the render thread only.
    std::unique_ptr<PuppetScene> scene;
};

} // namespace tavrix_frei0r
