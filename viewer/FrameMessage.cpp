#include "FrameMessage.h"

#include <cstdint>

namespace tavrix_viewer {

std::string frameMessage(const std::string& header, const tavrix_media::RgbaImage& image)
{
    std::string message = "TVF1";
    std::string padded = header;
    while ((8 + padded.size()) % 4 != 0) padded += ' ';
    const uint32_t length = static_cast<uint32_t>(padded.size());
    for (int shift = 0; shift < 32; shift += 8) message += static_cast<char>((length >> shift) & 0xff);
    message.reserve(message.size() + padded.size() + image.pixels.size());
    message += padded;
    message.append(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size());
    return message;
}

} // namespace tavrix_viewer
