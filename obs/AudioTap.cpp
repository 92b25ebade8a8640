#include "AudioTap.h"

#include <algorithm>
#include <vector>

#include "ObsLog.h"

namespace tavrix_obs {

namespace {

// How often a missing or renamed source is looked for.
const double LOOKUP_SECONDS = 1.0;
// Sound that stops for longer than this counts as silence from then on.
const double QUIET_AFTER_SECONDS = 0.25;

bool sameSettings(const tavrix_media::LipSyncSettings& a, const tavrix_media::LipSyncSettings& b)
{
    return a.gain == b.gain && a.gate == b.gate && a.smoothingSeconds == b.smoothingSeconds;
}

} // namespace

AudioTap::AudioTap(std::string ownerName) : owner(std::move(ownerName))
{
    struct obs_audio_info info = {};
    if (obs_get_audio_info(&info) && info.samples_per_sec > 0) sampleRate = static_cast<int>(info.samples_per_sec);
    if (audio_t* audio = obs_get_audio()) channels = static_cast<int>(audio_output_get_channels(audio));
}

AudioTap::~AudioTap()
{
    detach();
}

void AudioTap::follow(const std::string& sourceName, const tavrix_media::LipSyncSettings& next)
{
    if (sourceName == wanted && sameSettings(next, settings) && (current || sourceName.empty())) return;
    detach();
    wanted = sourceName;
    settings = next;
    missingReported = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        current = wanted.empty() ? nullptr : std::make_shared<tavrix_media::LipSyncStream>(settings, sampleRate);
        lastHeard = std::chrono::steady_clock::now();
    }
    attach();
}

std::shared_ptr<const tavrix_media::LipSyncStream> AudioTap::stream() const
{
    std::lock_guard<std::mutex> guard(lock);
    return current;
}

void AudioTap::attach()
{
    sinceLookup = 0;
    if (wanted.empty()) return;
    obs_source_t* source = obs_get_source_by_name(wanted.c_str());
    if (!source) {
        if (!missingReported) logSource(LOG_INFO, owner, "no audio source '" + wanted + "' yet; the mouth stays closed until there is");
        missingReported = true;
        return;
    }
    if ((obs_source_get_output_flags(source) & OBS_SOURCE_AUDIO) == 0) {
        if (!missingReported) logSource(LOG_WARNING, owner, "source '" + wanted + "' has no sound; the mouth stays closed");
        missingReported = true;
        obs_source_release(source);
        return;
    }
    obs_source_add_audio_capture_callback(source, &AudioTap::onAudio, this);
    attached = obs_source_get_weak_source(source);
    obs_source_release(source);
    logSource(LOG_INFO, owner, "lip sync listens to '" + wanted + "'");
}

void AudioTap::detach()
{
    if (!attached) return;
    if (obs_source_t* source = obs_weak_source_get_source(attached)) {
        obs_source_remove_audio_capture_callback(source, &AudioTap::onAudio, this);
        obs_source_release(source);
    }
    obs_weak_source_release(attached);
    attached = nullptr;
}

void AudioTap::tick(float seconds)
{
    if (wanted.empty()) return;
    sinceLookup += seconds;
    if (sinceLookup >= LOOKUP_SECONDS) {
        sinceLookup = 0;
        // Gone, or renamed away from the name asked for: look again.
        obs_source_t* source = attached ? obs_weak_source_get_source(attached) : nullptr;
        const bool stillThere = source && wanted == obs_source_get_name(source);
        if (source) obs_source_release(source);
        if (!stillThere) {
            detach();
            attach();
        }
    }
    std::lock_guard<std::mutex> guard(lock);
    if (!current) return;
    const auto now = std::chrono::steady_clock::now();
    const double quiet = std::chrono::duration<double>(now - lastHeard).count();
    if (quiet < QUIET_AFTER_SECONDS) return;
    const std::vector<float> silence(static_cast<size_t>(quiet * sampleRate), 0.0f);
    current->addSamples(silence.data(), silence.size());
    lastHeard = now;
}

void AudioTap::onAudio(void* param, obs_source_t*, const struct audio_data* audio, bool muted)
{
    AudioTap* tap = static_cast<AudioTap*>(param);
    std::lock_guard<std::mutex> guard(tap->lock);
    if (!tap->current) return;
    const float* planes[MAX_AV_PLANES] = {};
    const int channels = std::min(tap->channels, MAX_AV_PLANES);
    for (int c = 0; c < channels; ++c) planes[c] = reinterpret_cast<const float*>(audio->data[c]);
    tap->current->addPlanes(planes, channels, audio->frames, muted);
    tap->lastHeard = std::chrono::steady_clock::now();
}

} // namespace tavrix_obs
