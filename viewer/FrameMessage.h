// A frame as one binary WebSocket message: "TVF1", the length of a JSON
// header (32 bits, little-endian), the header, spaces to a multiple of four
// bytes, then the picture's raw straight-alpha RGBA rows, top row first.
// Raw pixels cost nothing to make and nothing to show, where a PNG takes
// tens of milliseconds to encode at 640 x 800 and JPEG loses the alpha
// (docs/benchmarks.md has the figures).
#pragma once

#include <string>

#include "ImageFile.h"

namespace tavrix_viewer {

std::string frameMessage(const std::string& header, const tavrix_media::RgbaImage& image);

} // namespace tavrix_viewer
