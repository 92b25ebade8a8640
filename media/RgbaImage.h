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

// Paints a premultiplied picture over straight-alpha RGBA pixels of the same
// size, from `from` into `to` (the same pixels or others): each colour
// becomes p + c (255 - a) / 255, rounded, and the alpha of the pixels stays
// what it was (a picture shows where they are opaque).
void paintPremultipliedOver(const RgbaImage& picture, const uint8_t* from, uint8_t* to);

// The image scaled to width x height, each pixel taken from the nearest.
void resizeNearest(const RgbaImage& image, unsigned width, unsigned height, RgbaImage& resized);

} // namespace tavrix_media
