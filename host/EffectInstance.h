#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "Host.h"
#include "ParamTrack.h"

namespace tavrix_host {

// One application of the effect to a layer, as the host's project keeps it:
// the parameters with their current values, keyframes, stream names and
// hidden flags, and the instance's sequence data (live, or flattened).
class EffectInstance {
public:
    struct Param {
        // Declared definition carrying the current (unkeyed) value and range;
        // a point's value is in full-resolution layer pixels.
        PF_ParamDef def;
        std::string streamName;
        bool hidden = false;
        // When it has keys, they give the value and def's value is unused.
        ParamTrack track;
        // A slider driven by a signal (the lip sync of a sound): when set,
        // its share of the slider's valid range at a frame, 0 for the
        // minimum to 1 for the maximum, gives the value in place of keys.
        std::function<double(double frame)> rangeShare;
    };

    struct RenderRequest {
        double frame = 0;
        // 1 full resolution, 2 half, ...
        int32_t downsample = 1;
        int32_t quality = PF_Quality_HI;
        // Both at the downsampled layer size.
        const PF_EffectWorld* input = nullptr;
        PF_EffectWorld* output = nullptr;
    };

    EffectInstance(Host& host, int32_t layerWidth, int32_t layerHeight);

    int32_t layerWidth() const { return width; }
    int32_t layerHeight() const { return height; }
    void setFrameRate(double framesPerSecond) { frameRate = framesPerSecond; }
    size_t paramCount() const { return params.size(); }
    Param& param(size_t index) { return params.at(index); }
    const Param& param(size_t index) const { return params.at(index); }
    // The parameter whose stream bears name: -1 when none does, -2 when more
    // than one does.
    int findStream(const std::string& name) const;
    PF_Handle sequenceData() const { return sequence; }
    bool isFlat() const { return flat; }

    CommandResult setup();
    // Replaces whatever the instance holds by savedState and re-sets it up.
    CommandResult resetup(const std::string& savedState);
    // Re-sets a flattened instance up from its own block; nothing otherwise.
    CommandResult reopen();
    // Flattens the instance and gives its saved state (the block's text).
    CommandResult flatten(std::string& savedState);
    CommandResult setdown();
    CommandResult updateParamsUI();
    // The user changed parameter index (or pressed it, for a button).
    CommandResult userChangedParam(int32_t index);
    // Renders one frame; when the effect changed parameter values during
    // the render (applying a model's defaults), the frame is rendered again
    // with them, as a host re-renders what the effect marked stale.
    CommandResult render(const RenderRequest& request);
    // A command sent to this instance from inside another (re-entrant).
    CommandResult callGeneric(PF_Cmd cmd, const A_Time& time, void* extra);

    // Copies of the parameters with their values at frame, in layer pixels
    // divided by downsample; pointers index them.
    void buildParams(double frame, int32_t downsample, const PF_EffectWorld* input, std::vector<PF_ParamDef>& defs,
                     std::vector<PF_ParamDef*>& pointers) const;

    EffectInstance(const EffectInstance&) = delete;
    EffectInstance& operator=(const EffectInstance&) = delete;

private:
    friend class Host;
    CommandResult sendWithParams(PF_Cmd cmd, double frame, int32_t downsample, const PF_EffectWorld* input,
                                 PF_LayerDef* output, void* extra, const PF_InData* inTemplate);
    // Takes over the values and ranges an effect marked as changed.
    void applyChanges(const std::vector<PF_ParamDef>& defs);
    PF_InData timing(double frame, int32_t downsample, int32_t quality) const;

    Host& host;
    int32_t width;
    int32_t height;
    double frameRate = 24;
    std::vector<Param> params;
    PF_Handle sequence = nullptr;
    bool flat = false;
    bool changedDuringCommand = false;
};

} // namespace tavrix_host
