// Encodes frames of one fixed size into a video file as they come: .mp4
// (H.264 over a background colour), .webm (VP9 with alpha) or .mov (ProRes
// 4444 with alpha; both without it for frames known to be opaque), with a
// sound track when given one (AAC, Opus and 16-bit PCM respectively). The
// clip is written under a temporary name and renamed when finished, so a
// failed or abandoned encode leaves no file behind.
//
// Builds without FFmpeg's libraries have a writer that refuses every clip
// with a message saying how to get video support.
#pragma once

#include <memory>
#include <string>

#include "AudioFile.h"
#include "TextValues.h"
#include "ImageFile.h"
#include "VideoFormat.h"

namespace tavrix_media {

struct VideoSettings {
    int width = 0;
    int height = 0;
    double frameRate = 0;                // frames per second, above 0
    Rgba8 background = {0, 0, 0, 255};   // what .mp4 frames are laid over
    int crf = -1;                        // constant rate factor; -1 for the format's default
    long long bitrate = 0;               // bits per second; 0 for none (with crf: a ceiling)
    // Every frame given is opaque: .webm and .mov leave out an alpha plane
    // that would only say so (files a little smaller, encoding faster).
    bool opaque = false;
    // The clip's sound, when not null: sound's samples from soundStart on,
    // silence where the track has none, exactly as long as the frames
    // written. The track must outlive the writer's use of it.
    const AudioTrack* sound = nullptr;
    int64_t soundStart = 0;
};

class VideoWriter {
public:
    VideoWriter();
    // Abandons the clip unless finish() succeeded.
    ~VideoWriter();

    // Checks the settings against the format and starts the file; false
    // with a reason (a build without video support, crf out of range, no
    // encoder, a size the encoder refuses, the folder not writable). note()
    // then tells of any adjustment made.
    bool open(const std::string& path, VideoFormat format, const VideoSettings& settings, std::string& why);
    // What open checks before it starts a file (the build, the settings
    // against the format, the encoder), for runs that write nothing.
    static bool check(const std::string& path, VideoFormat format, const VideoSettings& settings, std::string& why);
    // A frame converted for the encoder: its colours, size and layout.
    struct Picture;
    struct PictureRelease {
        void operator()(Picture* picture) const;
    };
    using PicturePtr = std::unique_ptr<Picture, PictureRelease>;

    // Straight-alpha RGBA of the size given to open: convertFrame, then
    // writePicture.
    bool writeFrame(const RgbaImage& frame, std::string& why);
    // The first half of writing a frame, which may run on several threads at
    // once, beside writePicture, while the clip is open: frame converted for
    // the encoder. A clip without alpha lays frame over its background in
    // place.
    bool convertFrame(RgbaImage& frame, PicturePtr& picture, std::string& why);
    // The second half, one frame at a time in the order of the clip.
    bool writePicture(PicturePtr picture, std::string& why);
    // Flushes the encoder, completes the file and moves it to its name.
    bool finish(std::string& why);
    // Stops and removes the partial file.
    void abandon();

    // Empty, or a line about how the clip differs from what was asked
    // (an odd size padded for 4:2:0).
    const std::string& note() const { return adjustment; }
    int framesWritten() const { return frames; }

    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder;
    std::string adjustment;
    int frames = 0;
};

} // namespace tavrix_media
