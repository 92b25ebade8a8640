// PNG files of the tool: 8-bit RGBA, straight alpha, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TextValues.h"

namespace tavrix_media {

struct RgbaImage {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> pixels; // width * height * 4 bytes, R, G, B, A
};

// The PNG file's bytes for the image, as writePngAtomically writes them;
// false with the encoder's reason.
bool encodePng(const RgbaImage& image, std::vector<uint8_t>& data, std::string& why);
// Encodes and writes the image under a temporary name in the same folder,
// then renames it, so the path never holds a half-written file.
bool writePngAtomically(const std::string& path, const RgbaImage& image, std::string& why);
bool readPng(const std::string& path, RgbaImage& image, std::string& why);

// The name a file is written under, in the same folder, before it is
// renamed to path.
std::string temporaryPathFor(const std::string& path);

// Writes data to path through a temporary file and a rename.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& why);
// Whether writeFileAtomically could write path now (its temporary file can
// be made there), so that a long run can refuse an unwritable output before
// its work instead of after it; why as writeFileAtomically words it.
bool canWriteFile(const std::string& path, std::string& why);

// Premultiplied to straight colour: each colour channel becomes
// round(c * 255 / a), at most 255; alpha 0 gives (0, 0, 0, 0).
void unpremultiply(RgbaImage& image);

// Straight-alpha "over" onto a background colour (straight as well).
void compositeOver(RgbaImage& image, const Rgba8& background);

} // namespace tavrix_media
