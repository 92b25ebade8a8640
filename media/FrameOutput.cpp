#include "FrameOutput.h"

namespace tavrix_media {

FrameOutput::FrameOutput() = default;

FrameOutput::~FrameOutput()
{
    // The workers go before the writer they feed.
    pipeline.reset();
}

bool FrameOutput::prepare(const std::string& name, const OutputSettings& settings, bool chunked, std::string& why)
{
    clipStarted = false;
    dryRun = settings.dryRun;
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

bool FrameOutput::start(int width, int height, double frameRate, const std::vector<int>& frames, bool keepGoing,
                        FrameReport frameReport, std::string& why)
{
    firstFailure.clear();
    report = std::move(frameReport);
    if (!isVideo() && !pattern.hasFrameNumber() && frames.size() > 1) {
        why = "output '" + pattern.text() + "' names one file for " + std::to_string(frames.size()) +
              " frames: put #### or %04d where the frame number goes";
        return false;
    }
    if (isVideo() && !frames.empty()) {
        video.width = width;
        video.height = height;
        video.frameRate = frameRate;
        video.sound = soundtrack;
        video.soundStart = AudioTrack::sampleAt(frames.front() / frameRate);
        video.opaque = opaqueFrames || (laysOverBackground() && video.background.a == 255);
        clipPath = pattern.pathFor(frames.front());
    }
    if (dryRun) return !isVideo() || frames.empty() || VideoWriter::check(clipPath, format, video, why);

    if (!pattern.createFolder(why)) return false;
    if (isVideo() && !frames.empty()) {
        clipStarted = writer.open(clipPath, format, video, why);
        if (!clipStarted) return false;
    }
    const int workers = FramePipeline::workersForThisMachine();
    const size_t frameBytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    pipeline = std::make_unique<FramePipeline>(
        workers, FramePipeline::inFlightFor(workers, frameBytes), isVideo() || !keepGoing,
        [this](int frame, const std::string& error) {
            if (!error.empty() && firstFailure.empty()) firstFailure = error;
            if (report) report(frame, error);
        });
    return true;
}

FramePipeline::Steps FrameOutput::pngSteps(int frame, std::shared_ptr<RgbaImage> image)
{
    const std::string path = pattern.pathFor(frame);
    const bool composite = hasBackground;
    const Rgba8 background = video.background;
    FramePipeline::Steps steps;
    steps.prepare = [image, path, composite, background](std::string& why) {
        if (composite) compositeOver(*image, background);
        std::vector<uint8_t> png;
        const bool encoded = encodePng(*image, png, why);
        // The pixels are not needed any more: free them before the write.
        std::vector<uint8_t>().swap(image->pixels);
        if (!encoded) {
            why = "cannot encode '" + path + "': " + why;
            return false;
        }
        return writeTemporaryFile(path, png, why);
    };
    steps.complete = [path](std::string& why) { return commitTemporaryFile(path, why); };
    steps.discard = [path] { discardTemporaryFile(path); };
    return steps;
}

FramePipeline::Steps FrameOutput::clipSteps(std::shared_ptr<RgbaImage> image)
{
    // Frames are converted for the encoder on any worker; only the encoding
    // itself goes in order.
    auto picture = std::make_shared<VideoWriter::PicturePtr>();
    const bool composite = laysOverBackground();
    const Rgba8 background = video.background;
    FramePipeline::Steps steps;
    steps.prepare = [this, image, picture, composite, background](std::string& why) {
        if (composite) compositeOver(*image, background);
        const bool converted = writer.convertFrame(*image, *picture, why);
        std::vector<uint8_t>().swap(image->pixels);
        return converted;
    };
    steps.complete = [this, picture](std::string& why) { return writer.writePicture(std::move(*picture), why); };
    return steps;
}

bool FrameOutput::write(int frame, RgbaImage image)
{
    if (dryRun) {
        if (report) report(frame, std::string());
        return true;
    }
    if (!pipeline) {
        if (firstFailure.empty()) firstFailure = "frames were given to an output that was not started";
        if (report) report(frame, firstFailure);
        return false;
    }
    auto shared = std::make_shared<RgbaImage>(std::move(image));
    return pipeline->submit(frame, isVideo() ? clipSteps(std::move(shared)) : pngSteps(frame, std::move(shared)));
}

void FrameOutput::flush()
{
    if (pipeline) pipeline->drain();
}

bool FrameOutput::finish(std::string& why)
{
    flush();
    if (stopped()) {
        // A clip missing a frame is no clip.
        abandon();
        why = firstFailure;
        return false;
    }
    pipeline.reset();
    if (!clipStarted) return true;
    clipStarted = false;
    return writer.finish(why);
}

void FrameOutput::abandon()
{
    flush();
    pipeline.reset();
    writer.abandon();
    clipStarted = false;
}

std::string FrameOutput::destination() const
{
    if (dryRun) return "nothing written (dry run)";
    return isVideo() ? clipPath : pattern.text();
}

} // namespace tavrix_media
