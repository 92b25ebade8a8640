#include "LipSyncStream.h"

#include <algorithm>

namespace tavrix_media {

LipSyncStream::LipSyncStream(const LipSyncSettings& settings, int sampleRate) : opening(settings, sampleRate) {}

void LipSyncStream::addPlanes(const float* const* planes, int channels, size_t frames, bool muted)
{
    std::lock_guard<std::mutex> guard(lock);
    const size_t start = kept.size();
    kept.resize(start + frames, 0.0f);
    if (!muted && channels > 0) {
        float* mono = kept.data() + start;
        for (int c = 0; c < channels; ++c) {
            if (!planes[c]) continue;
            for (size_t i = 0; i < frames; ++i) mono[i] += planes[c][i];
        }
        const float share = 1.0f / static_cast<float>(channels);
        for (size_t i = 0; i < frames; ++i) mono[i] *= share;
    }
    trim();
}

void LipSyncStream::addSamples(const float* samples, size_t count)
{
    addPlanes(&samples, 1, count, false);
}

void LipSyncStream::trim()
{
    // Keep what the latest moment depends on; drop in large steps so that
    // each sample is moved about once.
    const size_t reach = static_cast<size_t>(opening.reach());
    if (kept.size() <= 2 * reach + 4096) return;
    const size_t drop = kept.size() - reach;
    kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(drop));
    firstKept += static_cast<int64_t>(drop);
}

double LipSyncStream::openness() const
{
    std::lock_guard<std::mutex> guard(lock);
    const int64_t count = static_cast<int64_t>(kept.size());
    return opening.at(kept.data(), firstKept, count, firstKept + count);
}

int64_t LipSyncStream::samplesHeard() const
{
    std::lock_guard<std::mutex> guard(lock);
    return firstKept + static_cast<int64_t>(kept.size());
}

} // namespace tavrix_media
