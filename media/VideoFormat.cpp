#include "VideoFormat.h"

namespace tavrix_media {

VideoFormat videoFormatFor(const std::string& extension)
{
    if (extension == "mp4") return VideoFormat::MP4;
    if (extension == "webm") return VideoFormat::WEBM;
    if (extension == "mov") return VideoFormat::MOV;
    return VideoFormat::NONE;
}

const char* describeVideoFormat(VideoFormat format)
{
    switch (format) {
    case VideoFormat::MP4: return "H.264 (.mp4)";
    case VideoFormat::WEBM: return "VP9 with alpha (.webm)";
    case VideoFormat::MOV: return "ProRes 4444 with alpha (.mov)";
    case VideoFormat::NONE: break;
    }
    return "no video";
}

const char* videoExtensionList() { return ".mp4, .webm or .mov"; }

} // namespace tavrix_media
