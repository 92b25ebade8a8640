#include "FrameOutput.h"

namespace tavrix_media {

bool FrameOutput::prepare(const std::string& name, const OutputSettings& settings, bool chunked, std::string& why)
{
    clipStarted = false;
    if (!pattern.parse(name, why)) return false;
    std::string extension = pattern.extension();
    format = videoFormatFor(extension);
    if (format == VideoFormat::NONE && extension != "png") {
        why = "output '" + name + "': " + (extension.empty() ? "no extension" : "unknown extension '." + extension + "'") +
              " (use .png for frame files, or " + videoExtensionList() + " for a video)";
        return false;
    }
    if (!isVideo() && (settings.crf >= 0 || !settings.bitrate.empty())) {
        why = std::string(settings.crf >= 0 ? "--crf" : "--bitrate") + " applies to video output (" +
              videoExtensionList() + "), not to PNG files";
        return false;
    }
    if (isVideo() && chunked && !pattern.hasFrameNumber()) {
        why = "output '" + name + "': each chunk makes a clip of its own, so the name needs a frame field "
              "such as #### (it takes the chunk's first frame)";
        return false;
    }
    hasBackground = !settings.background.empty();
    video.background = Rgba8{0, 0, 0, 255};
    if (hasBackground && !parseColor(settings.background, video.background, why)) {
        why = "--background: " + why;
        return false;
    }
    video.crf = settings.crf;
    video.bitrate = 0;
    if (!settings.bitrate.empty() && !parseBitrate(settings.bitrate, video.bitrate, why)) {
        why = "--bitrate: " + why;
        return false;
    }
    return true;
}

bool FrameOutput::start(int width, int height, double frameRate, const std::vector<int>& frames, std::string& why)
{
    if (!isVideo() && !pattern.hasFrameNumber() && frames.size() > 1) {
        why = "output '" + pattern.text() + "' names one file for " + std::to_string(frames.size()) +
              " frames: put #### or %04d where the frame number goes";
        return false;
    }
    if (!pattern.createFolder(why)) return false;
    if (!isVideo() || frames.empty()) return true;
    video.width = width;
    video.height = height;
    video.frameRate = frameRate;
    video.sound = soundtrack;
    video.soundStart = AudioTrack::sampleAt(frames.front() / frameRate);
    clipPath = pattern.pathFor(frames.front());
    clipStarted = writer.open(clipPath, format, video, why);
    return clipStarted;
}

bool FrameOutput::write(int frame, const RgbaImage& image, std::string& why)
{
    const RgbaImage* out = &image;
    // A clip without alpha lays its frames over the background itself.
    if (hasBackground && format != VideoFormat::MP4) {
        composited = image;
        compositeOver(composited, video.background);
        out = &composited;
    }
    if (isVideo()) return writer.writeFrame(*out, why);
    return writePngAtomically(pattern.pathFor(frame), *out, why);
}

bool FrameOutput::finish(std::string& why)
{
    if (!clipStarted) return true;
    clipStarted = false;
    return writer.finish(why);
}

} // namespace tavrix_media
