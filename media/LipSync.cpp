#include "LipSync.h"

#include <algorithm>
#include <cmath>

namespace tavrix_media {

namespace {

// Steps at which the release looks back: fine enough that the hold falls
// smoothly, coarse enough to cost little per frame.
const int64_t RELEASE_STEP_SAMPLES = AudioTrack::SAMPLE_RATE / 200;

} // namespace

LipSync::LipSync(const AudioTrack& track, const LipSyncSettings& settings)
    : track(track),
      settings(settings),
      windowSamples(AudioTrack::sampleAt(LOUDNESS_WINDOW_SECONDS)),
      releaseSamples(std::max<int64_t>(AudioTrack::sampleAt(settings.smoothingSeconds) - windowSamples, 0))
{
}

double LipSync::loudOpenness(int64_t end) const
{
    if (end <= 0 || end - windowSamples >= static_cast<int64_t>(track.samples.size())) return 0.0;
    double energy = 0.0;
    for (int64_t i = end - windowSamples; i < end; ++i) {
        const double sample = track.at(i);
        energy += sample * sample;
    }
    const double loudness = std::sqrt(energy / static_cast<double>(windowSamples));
    if (loudness < settings.gate) return 0.0;
    return std::min(1.0, loudness * settings.gain);
}

// The mouth opens as soon as the sound is loud and closes over the release:
// the largest of the recent openings, each weighed down linearly with its
// age until it counts for nothing at the end of the smoothing window.
double LipSync::opennessAt(double seconds) const
{
    const int64_t end = AudioTrack::sampleAt(seconds);
    double openness = loudOpenness(end);
    for (int64_t age = RELEASE_STEP_SAMPLES; age < releaseSamples; age += RELEASE_STEP_SAMPLES) {
        const double weight = 1.0 - static_cast<double>(age) / static_cast<double>(releaseSamples);
        if (weight <= openness) break; // nothing older can weigh more
        openness = std::max(openness, weight * loudOpenness(end - age));
    }
    return openness;
}

} // namespace tavrix_media
