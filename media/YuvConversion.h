// Straight-alpha RGBA to the BT.709 limited-range Y'CbCr planes video
// encoders take. Integer arithmetic throughout: machines with AVX2 and
// without it make the same planes, so clips rendered in chunks on different
// machines decode like one rendered in one piece.
#pragma once

#include <cstdint>

namespace tavrix_media {

enum class YuvLayout {
    Yuv420,    // 8 bits; each chroma sample the mean of a 2 x 2 block (edges repeated)
    Yuv444Ten, // 10 bits in 16-bit little-endian words, chroma at every pixel
};

// Where the planes go: Y, Cb, Cr and alpha (null for none; 8 or 10 bits,
// full range, at every pixel), each with the bytes from one row to the next.
struct YuvPlanes {
    uint8_t* data[4] = {};
    int linesize[4] = {};
};

// Which code converts: the fastest the processor runs, or the portable one
// (the tests hold the two to the same planes).
enum class ConversionPath { Fastest, Portable };

// rgba: width x height pixels, rows of width * 4 bytes.
void convertToYuv(const uint8_t* rgba, int width, int height, YuvLayout layout, const YuvPlanes& planes,
                  ConversionPath path = ConversionPath::Fastest);

} // namespace tavrix_media
