// Listens to an audio source of OBS (a microphone, a media source), named in
// a puppet source's settings, and feeds what it hears into a lip-sync stream.
// The audio source may appear after the puppet (scene collections load in
// order), be renamed or go away: the tap looks for it again now and then.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include <obs.h>

#include "LipSyncStream.h"

namespace tavrix_obs {

class AudioTap {
public:
    explicit AudioTap(std::string ownerName);
    ~AudioTap();

    // Follows the source of that name (none when empty) with these lip-sync
    // settings; a change makes a new stream.
    void follow(const std::string& sourceName, const tavrix_media::LipSyncSettings& settings);
    // Called on every video tick: attaches when the source has appeared,
    // and counts silence while it sends nothing (a stopped media source).
    void tick(float seconds);
    // The stream the mouth follows; null when no source is chosen.
    std::shared_ptr<const tavrix_media::LipSyncStream> stream() const;

    AudioTap(const AudioTap&) = delete;
    AudioTap& operator=(const AudioTap&) = delete;

private:
    static void onAudio(void* param, obs_source_t* source, const struct audio_data* audio, bool muted);
    void attach();
    void detach();

    std::string owner;
    std::string wanted;
    tavrix_media::LipSyncSettings settings;
    obs_weak_source_t* attached = nullptr;
    double sinceLookup = 0;
    bool missingReported = false;

    mutable std::mutex lock; // the stream and the time of the last sound
    std::shared_ptr<tavrix_media::LipSyncStream> current;
    std::chrono::steady_clock::time_point lastHeard;
    int sampleRate = 48000;
    int channels = 2;
};

} // namespace tavrix_obs
