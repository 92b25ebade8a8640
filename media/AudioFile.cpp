#include "AudioFile.h"

#include <algorithm>
#include <cmath>

namespace tavrix_media {

int64_t AudioTrack::sampleAt(double seconds)
{
    return static_cast<int64_t>(std::floor(seconds * SAMPLE_RATE + 1e-6));
}

void AudioTrack::mix(const AudioTrack& other, double startSeconds)
{
    const int64_t start = sampleAt(startSeconds);
    const int64_t end = start + static_cast<int64_t>(other.samples.size());
    if (end <= 0) return;
    if (end > static_cast<int64_t>(samples.size())) samples.resize(static_cast<size_t>(end), 0.0f);
    for (int64_t i = std::max<int64_t>(start, 0); i < end; ++i) samples[i] += other.samples[i - start];
}

} // namespace tavrix_media
