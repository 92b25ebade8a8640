// Pictures in memory: 8-bit RGBA rows, top to bottom, and the pixel
// arithmetic every front end shares (files are ImageFile.h's).
#pragma once

#include <cstdint>
#include <vector>

#include "TextValues.h"

namespace tavrix_media {

struct RgbaImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> pixels; // width * height * 4 bytes, R, G, B, A
};

// Premultiplied to straight colour: each colour channel becomes
// round(c * 255 / a), at most 255; alpha 0 gives (0, 0, 0, 0).
void unpremultiply(RgbaImage& image);

// Straight-alpha "over" onto a background colour (straight as well).
void compositeOver(RgbaImage& image, const Rgba8& background);

} // namespace tavrix_media
