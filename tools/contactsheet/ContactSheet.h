// Tiles several images into one contact sheet: each scaled to a common tile
// width, laid out in rows over a background colour with gaps between them.
#pragma once

#include <vector>

#include "TextValues.h"
#include "ImageFile.h"

namespace tavrix_contact_sheet {

using tavrix_media::Rgba8;
using tavrix_media::RgbaImage;

struct SheetLayout {
    unsigned columns = 4;
    unsigned tileWidth = 240;
    unsigned gap = 8;
    Rgba8 background{255, 255, 255, 255};
};

// The image scaled to width (height in proportion, at least 1) by averaging
// the source area under each pixel, weighted by alpha so that transparent
// pixels add no colour.
RgbaImage scaleToWidth(const RgbaImage& image, unsigned width);

// The sheet: tiles left to right, top to bottom, each row as tall as its
// tallest tile, every image composited over the background.
RgbaImage contactSheet(const std::vector<RgbaImage>& images, const SheetLayout& layout);

} // namespace tavrix_contact_sheet
