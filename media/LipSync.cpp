#include "LipSync.h"

namespace tavrix_media {

LipSync::LipSync(const AudioTrack& track, const LipSyncSettings& settings)
    : track(track), opening(settings, AudioTrack::SAMPLE_RATE)
{
}

double LipSync::opennessAt(double seconds) const
{
    return opening.at(track.samples.data(), 0, static_cast<int64_t>(track.samples.size()),
                      AudioTrack::sampleAt(seconds));
}

} // namespace tavrix_media
