// How far sound opens a puppet's mouth at a moment: the loudness of the
// sound just before it, gated, scaled and held briefly. Both the lip sync of
// a sound file and that of a live stream of samples compute it here, so the
// same sound gives the same mouth in both.
#pragma once

#include <cstdint>

namespace tavrix_media {

struct LipSyncSettings {
    // Loudness (RMS, 1 for a full-scale square wave) times gain; 1 or more
    // opens the mouth fully. The default opens it most of the way for
    // ordinary speech recorded at a normal level.
    double gain = 5.0;
    // Loudness below this is silence (room noise, breath).
    double gate = 0.01;
    // How far back a value looks, in seconds: the loudness window and then
    // the time the mouth takes to close after the sound stops.
    double smoothingSeconds = 0.1;

    static constexpr double MAX_GAIN = 1000.0;
    static constexpr double MAX_GATE = 1.0;
    static constexpr double MAX_SMOOTHING_SECONDS = 2.0;
};

class MouthOpening {
public:
    // Loudness is the RMS over this long, ending at the moment asked for:
    // about one frame, so each frame hears its own stretch of sound.
    static constexpr double LOUDNESS_WINDOW_SECONDS = 0.04;

    // For sound of sampleRate samples per second. The smoothing is at least
    // the loudness window.
    MouthOpening(const LipSyncSettings& settings, int sampleRate);

    // From 0 (closed) to 1 (fully open) at the start of sample end, for a
    // stretch of count samples whose first has the index first; the sound
    // outside the stretch is silence.
    double at(const float* samples, int64_t first, int64_t count, int64_t end) const;
    // How many samples before a moment its value depends on.
    int64_t reach() const { return windowSamples + releaseSamples; }
    // The sample that starts at a time: floor(seconds * rate), with a
    // tolerance so that times such as frame / fps land on whole samples.
    int64_t sampleAt(double seconds) const;

private:
    // Gated, scaled loudness of the window ending before sample end.
    double loudOpenness(const float* samples, int64_t first, int64_t count, int64_t end) const;

    LipSyncSettings settings;
    int sampleRate;
    int64_t windowSamples;
    int64_t releaseSamples;
    int64_t releaseStepSamples;
};

} // namespace tavrix_media
