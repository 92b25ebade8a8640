// The video files the tool writes, chosen by the output name's extension.
#pragma once

#include <string>

namespace tavrix_media {

enum class VideoFormat {
    NONE, // not a video file
    MP4,  // H.264, 4:2:0, composited over a background colour (no alpha)
    WEBM, // VP9, 4:2:0 with an alpha plane
    MOV,  // ProRes 4444 with alpha
};

// The format a lower-case extension ("mp4") names; NONE for other ones.
VideoFormat videoFormatFor(const std::string& extension);

// What the format holds, for messages: "H.264 (.mp4)".
const char* describeVideoFormat(VideoFormat format);

// Extensions of the formats, for messages: ".mp4, .webm or .mov".
const char* videoExtensionList();

} // namespace tavrix_media
