// PNG files of the tool: 8-bit RGBA, straight alpha, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RgbaImage.h"

namespace tavrix_media {

// The image as the bytes of a PNG file: 8-bit RGB when every pixel is
// opaque, else RGBA, every row through the same filter, compressed by
// ISA-L's igzip. The bytes depend only on the pixels (the compressor picks
// code for the processor, so another kind of processor may pack them
// differently; the pixels read back are the same).
bool encodePng(const RgbaImage& image, std::vector<uint8_t>& png, std::string& why);
// Encodes and writes the image under a temporary name in the same folder,
// then renames it, so the path never holds a half-written file.
bool writePngAtomically(const std::string& path, const RgbaImage& image, std::string& why);
bool readPng(const std::string& path, RgbaImage& image, std::string& why);
// A PNG file's size and whether its pixels may be transparent (an alpha
// channel or a transparent colour), from its chunks alone.
bool inspectPng(const std::string& path, unsigned& width, unsigned& height, bool& mayBeTransparent,
                std::string& why);

// The name a file is written under, in the same folder, before it is
// renamed to path.
std::string temporaryPathFor(const std::string& path);

// Writes data to path through a temporary file and a rename.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& why);
// The halves of writeFileAtomically, for writers that finish their files in
// an order of their own: writeTemporaryFile leaves the data complete under
// path's temporary name (nothing when it fails), commitTemporaryFile renames
// it to path, discardTemporaryFile removes it. Failures are worded for path.
bool writeTemporaryFile(const std::string& path, const std::vector<uint8_t>& data, std::string& why);
bool commitTemporaryFile(const std::string& path, std::string& why);
void discardTemporaryFile(const std::string& path);
// Whether writeFileAtomically could write path now (its temporary file can
// be made there), so that a long run can refuse an unwritable output before
// its work instead of after it; why as writeFileAtomically words it.
bool canWriteFile(const std::string& path, std::string& why);

} // namespace tavrix_media
