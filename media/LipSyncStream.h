// Lip sync from a live stream of samples (a microphone): samples arrive in
// blocks from one thread, and another asks how far the mouth is open after
// the latest of them. The opening is that of MouthOpening, the same as for
// a sound file, so the same voice gives the same mouth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "MouthOpening.h"

namespace tavrix_media {

class LipSyncStream {
public:
    LipSyncStream(const LipSyncSettings& settings, int sampleRate);

    // Adds frames samples of each of channels planes, mixed down to their
    // mean (as sound files are); a null plane counts as silence. muted
    // adds silence of that length.
    void addPlanes(const float* const* planes, int channels, size_t frames, bool muted);
    // Adds mono samples.
    void addSamples(const float* samples, size_t count);
    // From 0 (closed) to 1 (fully open) right after the latest sample.
    double openness() const;
    // Samples heard so far.
    int64_t samplesHeard() const;

private:
    // Drops samples no later value can depend on.
    void trim();

    MouthOpening opening;
    mutable std::mutex lock;
    std::vector<float> kept; // the latest samples heard
    int64_t firstKept = 0;   // index of kept[0] in the stream
};

} // namespace tavrix_media
