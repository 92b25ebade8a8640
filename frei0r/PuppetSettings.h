// The parameters of the puppet plug-ins in their fixed order (ffmpeg passes
// them by position; the README lists them), and the values one instance
// holds. Doubles stay in [0, 1] by default, since GStreamer clamps them to
// that range: the frame rate counts in thousands and the scale in quarters.
#pragma once

#include <string>

namespace tavrix_frei0r {

enum class ParamKind { BOOL, DOUBLE, STRING };

struct ParamInfo {
    const char* name;
    ParamKind kind;
    const char* explanation;
};

constexpr int SLIDER_COUNT = 8;

enum ParamIndex {
    PARAM_MODEL,
    PARAM_TIME_UNIT,
    PARAM_X,
    PARAM_Y,
    PARAM_SCALE,
    PARAM_MOTION,
    PARAM_BLINK,
    PARAM_PHYSICS,
    PARAM_LIPSYNC,
    PARAM_SET,
    PARAM_LOOP,
    PARAM_FPS,
    PARAM_SLIDERS,
    PARAM_FIRST_SLIDER,
    PARAM_COUNT = PARAM_FIRST_SLIDER + SLIDER_COUNT
};

// The parameter at index, which must be below PARAM_COUNT.
const ParamInfo& paramInfo(int index);

// Frames per second of the animation clock, as `tavrix play --fps` takes it.
constexpr int MAX_CLOCK_FPS = 1000;

struct PuppetSettings {
    std::string model;
    double timeUnit = 1.0;
    double x = 0.5;
    double y = 0.5;
    double scale = 0.25;
    std::string motion;
    std::string blink;
    std::string physics;
    std::string lipsync;
    std::string set;
    bool loop = false;
    double fps = 0.03;
    std::string sliders;
    double slider[SLIDER_COUNT] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};

    // The value of a bool or double parameter; 0 for a string one.
    double number(int index) const;
    void setNumber(int index, double value);
    // The text of a string parameter; null for another kind.
    const std::string* text(int index) const;
    void setText(int index, const char* value);

    // The clock's frames per second: fps times 1000 below 1, else fps
    // itself, rounded and kept from 1 to MAX_CLOCK_FPS.
    int clockFps() const;
    // The size factor of the puppet: 1 (its canvas as wide as the frame) at
    // scale 0.25.
    float sizeFactor() const;
    // Whether the playback of other is made the same way: the same model,
    // motions, blinking, hairs, sound, held values, looping and clock.
    bool samePlayback(const PuppetSettings& other) const;

private:
    std::string* textSlot(int index);
    double* numberSlot(int index);
};

} // namespace tavrix_frei0r
