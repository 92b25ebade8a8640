#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "Project.h"
#include "ScriptEngine.h"

namespace tavrix_host {
class EffectInstance;
class Host;
class HostWorld;
} // namespace tavrix_host

namespace tavrix_project {

// Opens a project in a host (one effect instance per layer that has the
// effect) and renders its frames: each layer's source, the effect on it,
// the layers composited bottom to top. A frame depends only on the project
// and its number.
class ProjectRenderer {
public:
    explicit ProjectRenderer(tavrix_host::Host& host);
    ~ProjectRenderer();

    // Applies the effect to the layers that have it (re-set up from their
    // saved states) and binds the parameter settings and sounds to the
    // effect's parameters, by index or stream name. False with one line naming the
    // member at fault. warnings receives one line per layer whose saved
    // model did not come back.
    bool open(const Project& project, std::string& error, std::vector<std::string>& warnings);
    // Closes the instances; the host stays open.
    void close();

    // One frame as straight RGBA at the composition size divided by
    // downsample (rounded up). False with the reason when an effect fails.
    bool renderFrame(int32_t frame, int32_t downsample, int32_t quality, std::vector<uint8_t>& rgba, int32_t& width,
                     int32_t& height, std::string& error);

    // Whether every frame comes out opaque at 1/downsample: a layer without
    // an effect, an opaque solid, covers the composition. What lies under it
    // is hidden and what comes over it cannot make it see-through.
    bool everyFrameOpaque(int32_t downsample) const;

    // The saved state of each layer's effect (empty for layers without it),
    // from flattening the instances. With reopen the instances are set up
    // again from their blocks, ready to render on.
    bool saveStates(std::vector<std::string>& states, bool reopen, std::string& error);

    // The effect on layer index, or null for a layer without it. Its
    // parameters may be changed between frames (a viewer's sliders).
    tavrix_host::EffectInstance* instanceOf(size_t layer) const;

    // Size of a side rendered at 1/downsample.
    static int32_t scaledSize(int32_t size, int32_t downsample);

private:
    // Where a layer's side starts in the frame: layers are centred.
    static int32_t offset(int32_t compositionSide, int32_t layerSide, int32_t downsample);
    struct Layer;
    bool bindParams(const Project::Layer& layer, tavrix_host::EffectInstance& instance, bool hasModel, std::string& error);
    // Has the layer's sound drive the slider its "audio" entry names.
    bool bindAudio(Layer& layer, bool hasModel, std::string& error);
    // Presses the load button while the layer's user session works the
    // dialog; false with one line when the effect takes no model from it.
    bool loadThroughDialog(const Project::Layer& layer, tavrix_host::EffectInstance& instance, std::string& error);
    tavrix_host::HostWorld& inputOf(Layer& layer, int32_t downsample, int32_t quality);

    tavrix_host::Host& host;
    tavrix_host::ScriptEngine scripts;
    const Project* project = nullptr;
    std::vector<std::unique_ptr<Layer>> layers;
};

} // namespace tavrix_project
