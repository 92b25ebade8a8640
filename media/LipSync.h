// How far a sound opens a puppet's mouth at a moment: the loudness of the
// sound just before it, gated, scaled and held briefly. The value depends
// only on the samples in a fixed window before the moment, never on
// earlier moments asked for, so any frame, sub-range or chunk of a render
// gets the same value as a full run.
#pragma once

#include <cstdint>

#include "AudioFile.h"

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

class LipSync {
public:
    // Loudness is the RMS over this long, ending at the moment asked for:
    // about one frame, so each frame hears its own stretch of sound.
    static constexpr double LOUDNESS_WINDOW_SECONDS = 0.04;

    // Keeps a reference to track. The smoothing is at least the loudness
    // window.
    LipSync(const AudioTrack& track, const LipSyncSettings& settings);

    // From 0 (closed) to 1 (fully open) at a time on the track's clock;
    // before the track starts and after it ends the sound is silence.
    double opennessAt(double seconds) const;

    // The value of a parameter ranging from min to max: min when closed.
    static double onRange(double openness, double min, double max) { return min + openness * (max - min); }

private:
    // Gated, scaled loudness of the window ending before sample end.
    double loudOpenness(int64_t end) const;

    const AudioTrack& track;
    LipSyncSettings settings;
    int64_t windowSamples;
    int64_t releaseSamples;
};

} // namespace tavrix_media
