// One plug-in instance's puppet on the render thread: the puppet and its
// playback, made from the instance's settings and made again when they
// change, and its frames. A frame for a time is what `tavrix play` draws
// for that time with the same options, whatever was asked before.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "Playback.h"
#include "Puppet.h"
#include "PuppetSettings.h"

namespace tavrix_frei0r {

class RenderResources;

// What a frame's pixels are: 8-bit RGBA, straight alpha, rows top first.
struct FramePixels {
    unsigned width = 0;
    unsigned height = 0;
    const uint32_t* in = nullptr; // a filter's input; null for a source
    uint32_t* out = nullptr;
};

class PuppetScene {
public:
    explicit PuppetScene(const std::string& pluginName);
    // On the render thread, like everything else here.
    ~PuppetScene();

    // Draws the frame for the host's time into frame.out: the puppet on
    // transparent black without an input, else painted over the input's
    // colours with the input's alpha kept. False, with frame.out untouched,
    // when there is nothing to draw (why then reported on standard error).
    bool render(RenderResources& resources, const PuppetSettings& settings, double hostTime, const FramePixels& frame);

    PuppetScene(const PuppetScene&) = delete;
    PuppetScene& operator=(const PuppetScene&) = delete;

private:
    struct Slider {
        int setting; // which slider
        int row;
        float min;
        float max;
    };

    // A puppet and playback for settings, kept while the settings that make
    // them stay the same. False when they cannot be made (reported once).
    bool setUp(RenderResources& resources, const PuppetSettings& settings);
    bool makePuppet(RenderResources& resources, const PuppetSettings& settings, std::string& why);
    void mapSliders(const PuppetSettings& settings);
    // The puppet drawn at the frame's size, or smaller and enlarged when
    // OpenGL cannot draw that size.
    bool drawPicture(tavrix_stage::Stage& stage, const FramePixels& frame, bool premultiplied, std::string& why);
    void report(const std::string& message) const;

    std::string pluginName;
    bool madeOnce = false;
    bool failed = false;
    PuppetSettings applied;
    std::unique_ptr<tavrix_stage::Puppet> puppet;
    std::unique_ptr<tavrix_stage::Playback> playback;
    std::string mappedSliders;
    std::vector<Slider> sliders;
    // The size drawn for frames of a size OpenGL cannot draw.
    unsigned fittedFor[2] = {0, 0};
    unsigned fitted[2] = {0, 0};
    tavrix_media::RgbaImage picture;
    tavrix_media::RgbaImage drawn;
};

} // namespace tavrix_frei0r
