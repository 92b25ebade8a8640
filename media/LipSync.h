// Lip sync from a sound file: how far the sound opens a puppet's mouth at a
// moment (MouthOpening says how). The value depends only on the samples in
// a fixed window before the moment, never on earlier moments asked for, so
// any frame, sub-range or chunk of a render gets the same value as a full
// run.
#pragma once

#include <cstdint>

#include "AudioFile.h"
#include "MouthOpening.h"

namespace tavrix_media {

class LipSync {
public:
    static constexpr double LOUDNESS_WINDOW_SECONDS = MouthOpening::LOUDNESS_WINDOW_SECONDS;

    // Keeps a reference to track.
    LipSync(const AudioTrack& track, const LipSyncSettings& settings);

    // From 0 (closed) to 1 (fully open) at a time on the track's clock;
    // before the track starts and after it ends the sound is silence.
    double opennessAt(double seconds) const;

    // The value of a parameter ranging from min to max: min when closed.
    static double onRange(double openness, double min, double max) { return min + openness * (max - min); }

private:
    const AudioTrack& track;
    MouthOpening opening;
};

} // namespace tavrix_media
