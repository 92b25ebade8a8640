// Where a command's rendered frames go: one PNG file per frame, named by the
// output pattern, or one video clip when the name ends in .mp4, .webm or
// .mov. Everything that can be checked before rendering is checked by
// prepare(), so bad names and settings stop a command before its first frame.
#pragma once

#include <string>
#include <vector>

#include "TextValues.h"
#include "ImageFile.h"
#include "OutputPattern.h"
#include "VideoWriter.h"

namespace tavrix_media {

// The output options as typed; empty texts and -1 mean "not given".
struct OutputSettings {
    std::string background; // colour the frames are laid over; .mp4 uses black when none is given
    int crf = -1;
    std::string bitrate;
};

class FrameOutput {
public:
    // Checks the name and the settings. chunked: the command renders one
    // chunk of a split render, which makes a clip of its own, so a video
    // name must then hold a frame field (it takes the clip's first frame).
    bool prepare(const std::string& name, const OutputSettings& settings, bool chunked, std::string& why);

    bool isVideo() const { return format != VideoFormat::NONE; }
    // The sound of a video: its time 0 is frame 0, and each clip takes the
    // stretch from its first frame on, cut or padded with silence to the
    // clip's length. PNG files have none. Kept by reference until finish.
    void setSoundtrack(const AudioTrack* sound) { soundtrack = sound; }
    // Creates the output folder and, for a video, starts the clip at the
    // frames' size and rate; the first of the frames fills a frame field in
    // a video name. No frames (an empty chunk) make no clip.
    bool start(int width, int height, double frameRate, const std::vector<int>& frames, std::string& why);
    // One frame, in the order of the clip.
    bool write(int frame, const RgbaImage& image, std::string& why);
    // Completes the clip (nothing to do for PNG files or without frames).
    bool finish(std::string& why);
    // Stops a clip and removes its partial file.
    void abandon()
    {
        writer.abandon();
        clipStarted = false;
    }

    // A line about how the clip differs from what was asked, or empty.
    const std::string& note() const { return writer.note(); }
    // What the summary names: the clip, or the pattern of the PNG files.
    std::string destination() const { return isVideo() ? clipPath : pattern.text(); }

private:
    OutputPattern pattern;
    VideoFormat format = VideoFormat::NONE;
    bool hasBackground = false;
    VideoSettings video;
    VideoWriter writer;
    std::string clipPath;
    const AudioTrack* soundtrack = nullptr;
    bool clipStarted = false;
    RgbaImage composited;
};

} // namespace tavrix_media
