// Where a command's rendered frames go: one PNG file per frame, named by the
// output pattern, or one video clip when the name ends in .mp4, .webm or
// .mov; or nowhere, in a dry run. Everything that can be checked before
// rendering is checked by prepare(), so bad names and settings stop a
// command before its first frame.
//
// Frames are encoded and written on worker threads (FramePipeline) while the
// command draws the next ones; files are renamed into place in frame order,
// and each frame's outcome comes back, in frame order, through the report
// given to start().
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FramePipeline.h"
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
    bool dryRun = false; // every frame is made as usual and nothing is written
};

class FrameOutput {
public:
    // A frame written (error empty) or failed.
    using FrameReport = FramePipeline::Report;

    FrameOutput();
    // Drops the frames still in flight and any unfinished clip.
    ~FrameOutput();

    // Checks the name and the settings. chunked: the command renders one
    // chunk of a split render, which makes a clip of its own, so a video
    // name must then hold a frame field (it takes the clip's first frame).
    bool prepare(const std::string& name, const OutputSettings& settings, bool chunked, std::string& why);

    bool isVideo() const { return format != VideoFormat::NONE; }
    bool isDryRun() const { return dryRun; }
    // The sound of a video: its time 0 is frame 0, and each clip takes the
    // stretch from its first frame on, cut or padded with silence to the
    // clip's length. PNG files have none. Kept by reference until finish.
    void setSoundtrack(const AudioTrack* sound) { soundtrack = sound; }
    // The frames are known to be opaque (a composition over an opaque
    // backdrop): a clip leaves out the alpha plane. An opaque --background
    // makes them so too.
    void setOpaqueFrames(bool opaque) { opaqueFrames = opaque; }
    // Creates the output folder and, for a video, starts the clip at the
    // frames' size and rate; the first of the frames fills a frame field in
    // a video name. No frames (an empty chunk) make no clip. A dry run
    // checks the same and touches nothing. keepGoing: a PNG frame that
    // cannot be written fails alone; otherwise (and always in a clip) the
    // first failure stops the run and the frames after it are dropped.
    // report hears of every frame handed to write, in frame order, on the
    // thread that calls write, flush, finish and abandon.
    bool start(int width, int height, double frameRate, const std::vector<int>& frames, bool keepGoing,
               FrameReport report, std::string& why);
    // Hands one frame on, in the order of the clip; it is written while the
    // caller draws the next. Waits while too many frames are in flight.
    // False once the run has stopped at a failure (reported, and kept in
    // failure()).
    bool write(int frame, RgbaImage image);
    // Waits until every frame handed on is written or failed, and reported.
    void flush();
    // Writes what is in flight and completes the clip (nothing more for PNG
    // files or without frames); false with the reason of a clip that could
    // not be completed.
    bool finish(std::string& why);
    // Writes or drops what is in flight, as a failure decided, then stops a
    // clip and removes its partial file.
    void abandon();

    bool stopped() const { return pipeline && pipeline->stopped(); }
    // The error of the first frame that failed, or empty.
    const std::string& failure() const { return firstFailure; }
    // A line about how the clip differs from what was asked, or empty.
    const std::string& note() const { return writer.note(); }
    // What the summary names: the clip, the pattern of the PNG files, or
    // that nothing was written.
    std::string destination() const;

private:
    FramePipeline::Steps pngSteps(int frame, std::shared_ptr<RgbaImage> image);
    FramePipeline::Steps clipSteps(std::shared_ptr<RgbaImage> image);
    // Whether a clip's frames are laid over --background here, before the
    // clip gets them (a clip without alpha does that itself).
    bool laysOverBackground() const { return hasBackground && format != VideoFormat::MP4; }

    OutputPattern pattern;
    VideoFormat format = VideoFormat::NONE;
    bool hasBackground = false;
    bool dryRun = false;
    VideoSettings video;
    VideoWriter writer;
    std::string clipPath;
    const AudioTrack* soundtrack = nullptr;
    bool opaqueFrames = false;
    bool clipStarted = false;
    FrameReport report;
    std::string firstFailure;
    std::unique_ptr<FramePipeline> pipeline;
};

} // namespace tavrix_media
