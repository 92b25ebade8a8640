#include "MouthOpening.h"

#include <algorithm>
#include <cmath>

namespace tavrix_media {

MouthOpening::MouthOpening(const LipSyncSettings& settings, int sampleRate)
    : settings(settings),
      sampleRate(std::max(sampleRate, 1)),
      windowSamples(std::max<int64_t>(sampleAt(LOUDNESS_WINDOW_SECONDS), 1)),
      releaseSamples(std::max<int64_t>(sampleAt(settings.smoothingSeconds) - windowSamples, 0)),
      // Steps at which the release looks back: fine enough that the hold
      // falls smoothly, coarse enough to cost little per frame.
      releaseStepSamples(std::max(sampleRate / 200, 1))
{
}

int64_t MouthOpening::sampleAt(double seconds) const
{
    return static_cast<int64_t>(std::floor(seconds * sampleRate + 1e-6));
}

double MouthOpening::loudOpenness(const float* samples, int64_t first, int64_t count, int64_t end) const
{
    // The window lies wholly outside the stretch: silence.
    const int64_t begin = end - windowSamples;
    if (end <= first || begin >= first + count) return 0.0;
    double energy = 0.0;
    for (int64_t i = std::max(begin, first); i < std::min(end, first + count); ++i) {
        const double sample = samples[i - first];
        energy += sample * sample;
    }
    const double loudness = std::sqrt(energy / static_cast<double>(windowSamples));
    if (loudness < settings.gate) return 0.0;
    return std::min(1.0, loudness * settings.gain);
}

// The mouth opens as soon as the sound is loud and closes over the release:
// the largest of the recent openings, each weighed down linearly with its
// age until it counts for nothing at the end of the smoothing window.
double MouthOpening::at(const float* samples, int64_t first, int64_t count, int64_t end) const
{
    double openness = loudOpenness(samples, first, count, end);
    for (int64_t age = releaseStepSamples; age < releaseSamples; age += releaseStepSamples) {
        const double weight = 1.0 - static_cast<double>(age) / static_cast<double>(releaseSamples);
        if (weight <= openness) break; // nothing older can weigh more
        openness = std::max(openness, weight * loudOpenness(samples, first, count, end - age));
    }
    return openness;
}

} // namespace tavrix_media
