// The video writer of builds made without FFmpeg's libraries: every clip is
// refused with one line saying how to get video support.
#include "VideoWriter.h"

namespace tavrix_media {

struct VideoWriter::Encoder {};
struct VideoWriter::Picture {};

void VideoWriter::PictureRelease::operator()(Picture* picture) const { delete picture; }

VideoWriter::VideoWriter() = default;
VideoWriter::~VideoWriter() = default;

bool VideoWriter::open(const std::string& path, VideoFormat format, const VideoSettings& settings, std::string& why)
{
    return check(path, format, settings, why);
}

bool VideoWriter::check(const std::string&, VideoFormat, const VideoSettings&, std::string& why)
{
    why = "this build of tavrix has no video support: install libavformat-dev, libavcodec-dev, libswscale-dev "
          "and libavutil-dev (scripts/install-deps.sh does) and build again";
    return false;
}

bool VideoWriter::writeFrame(const RgbaImage&, std::string& why)
{
    why = "no video file is open";
    return false;
}

bool VideoWriter::convertFrame(RgbaImage&, PicturePtr&, std::string& why) { return writeFrame(RgbaImage(), why); }

bool VideoWriter::writePicture(PicturePtr, std::string& why) { return writeFrame(RgbaImage(), why); }

bool VideoWriter::finish(std::string& why) { return writeFrame(RgbaImage(), why); }

void VideoWriter::abandon() {}

} // namespace tavrix_media
