// Sound files of the tool: whatever FFmpeg's libraries decode (WAV, FLAC,
// Ogg/Opus, MP3, the sound of a video), mixed down to one channel and
// resampled to one fixed rate, so that everything downstream (lip sync,
// the sound of a clip) counts time in the same samples.
//
// Builds without FFmpeg's libraries refuse every file with a line saying
// how to get audio support.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrix_media {

struct AudioTrack {
    // Samples per second of every track: the rate Opus and AAC both take.
    static constexpr int SAMPLE_RATE = 48000;

    std::vector<float> samples; // mono, nominally -1 to 1

    double seconds() const { return static_cast<double>(samples.size()) / SAMPLE_RATE; }
    // The sample that starts at a time: floor(seconds * SAMPLE_RATE), with
    // a tolerance so that times such as frame / fps land on whole samples.
    static int64_t sampleAt(double seconds);
    // Sample i, and silence outside the track.
    float at(int64_t i) const { return i >= 0 && i < static_cast<int64_t>(samples.size()) ? samples[i] : 0.0f; }
    // Adds other into this track with other's start at startSeconds
    // (negative: other's first part is left out), lengthening it as needed.
    void mix(const AudioTrack& other, double startSeconds);
};

// Longest sound a file may decode to; longer ones are refused rather than
// filling memory.
constexpr double MAX_AUDIO_SECONDS = 3600.0;

// Decodes the first audio stream of a file; false with one line naming the
// file and the reason (cannot be opened, no audio stream, cannot be
// decoded, no samples, too long, or a build without audio support).
bool readAudioFile(const std::string& path, AudioTrack& track, std::string& why);

} // namespace tavrix_media
