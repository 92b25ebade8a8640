#include "PuppetSettings.h"

#include <cmath>

namespace tavrix_frei0r {

namespace {

const ParamInfo PARAMS[PARAM_COUNT] = {
    {"model", ParamKind::STRING, "the puppet: a .moc file or a model JSON file naming the .moc and its textures"},
    {"time unit", ParamKind::DOUBLE,
     "seconds per unit of the host's time: 1 for MLT and GStreamer (seconds), 0.001 for ffmpeg (milliseconds)"},
    {"x", ParamKind::DOUBLE, "where the puppet's anchor stands across the frame, as a fraction of its width"},
    {"y", ParamKind::DOUBLE, "where the puppet's anchor stands down the frame, as a fraction of its height"},
    {"scale", ParamKind::DOUBLE, "the puppet's size: 0.25 is 100% (its canvas as wide as the frame), 1 is 400%"},
    {"motion", ParamKind::STRING, "motion files (.mtn, .mtnb): FILE or FILE@SECONDS, several separated by ';'"},
    {"blink", ParamKind::STRING, "blink the eyes at random intervals seeded by this whole number; empty: no blinking"},
    {"physics", ParamKind::STRING, "a hair set-up file (JSON) that swings the hair"},
    {"lipsync", ParamKind::STRING, "AUDIO or AUDIO:PARAM: a sound file whose loudness opens the mouth (or moves PARAM)"},
    {"set", ParamKind::STRING, "ID=VALUE;...: parameters held at values in every frame, after the animation"},
    {"loop", ParamKind::BOOL, "restart the motions at their end"},
    {"fps", ParamKind::DOUBLE, "frames per second of the animation clock, in thousands (0.03 is 30); 1 or more counts "
                               "as itself"},
    {"sliders", ParamKind::STRING, "up to 8 parameter ids separated by ';', moved by slider 1 to slider 8"},
    {"slider 1", ParamKind::DOUBLE, "0 to 1 across the range of the first parameter named in sliders"},
    {"slider 2", ParamKind::DOUBLE, "0 to 1 across the range of the second parameter named in sliders"},
    {"slider 3", ParamKind::DOUBLE, "0 to 1 across the range of the third parameter named in sliders"},
    {"slider 4", ParamKind::DOUBLE, "0 to 1 across the range of the fourth parameter named in sliders"},
    {"slider 5", ParamKind::DOUBLE, "0 to 1 across the range of the fifth parameter named in sliders"},
    {"slider 6", ParamKind::DOUBLE, "0 to 1 across the range of the sixth parameter named in sliders"},
    {"slider 7", ParamKind::DOUBLE, "0 to 1 across the range of the seventh parameter named in sliders"},
    {"slider 8", ParamKind::DOUBLE, "0 to 1 across the range of the eighth parameter named in sliders"},
};

} // namespace

const ParamInfo& paramInfo(int index)
{
    return PARAMS[index];
}

std::string* PuppetSettings::textSlot(int index)
{
    switch (index) {
    case PARAM_MODEL: return &model;
    case PARAM_MOTION: return &motion;
    case PARAM_BLINK: return &blink;
    case PARAM_PHYSICS: return &physics;
    case PARAM_LIPSYNC: return &lipsync;
    case PARAM_SET: return &set;
    case PARAM_SLIDERS: return &sliders;
    default: return nullptr;
    }
}

double* PuppetSettings::numberSlot(int index)
{
    switch (index) {
    case PARAM_TIME_UNIT: return &timeUnit;
    case PARAM_X: return &x;
    case PARAM_Y: return &y;
    case PARAM_SCALE: return &scale;
    case PARAM_FPS: return &fps;
    default:
        if (index >= PARAM_FIRST_SLIDER && index < PARAM_COUNT) return &slider[index - PARAM_FIRST_SLIDER];
        return nullptr;
    }
}

double PuppetSettings::number(int index) const
{
    if (index == PARAM_LOOP) return loop ? 1.0 : 0.0;
    const double* slot = const_cast<PuppetSettings*>(this)->numberSlot(index);
    return slot ? *slot : 0.0;
}

void PuppetSettings::setNumber(int index, double value)
{
    if (index == PARAM_LOOP) {
        loop = value >= 0.5;
        return;
    }
    double* slot = numberSlot(index);
    if (slot && std::isfinite(value)) *slot = value;
}

const std::string* PuppetSettings::text(int index) const
{
    return const_cast<PuppetSettings*>(this)->textSlot(index);
}

void PuppetSettings::setText(int index, const char* value)
{
    std::string* slot = textSlot(index);
    if (slot) *slot = value ? value : "";
}

int PuppetSettings::clockFps() const
{
    const double perSecond = std::round(fps < 1.0 ? fps * 1000.0 : fps);
    if (!(perSecond >= 1.0)) return 1;
    return perSecond > MAX_CLOCK_FPS ? MAX_CLOCK_FPS : static_cast<int>(perSecond);
}

float PuppetSettings::sizeFactor() const
{
    return static_cast<float>(scale * 4.0);
}

bool PuppetSettings::samePlayback(const PuppetSettings& other) const
{
    return model == other.model && motion == other.motion && blink == other.blink && physics == other.physics &&
           lipsync == other.lipsync && set == other.set && loop == other.loop && clockFps() == other.clockFps();
}

} // namespace tavrix_frei0r
