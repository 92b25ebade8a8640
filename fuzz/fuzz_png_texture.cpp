// PNG textures: the effect's texture decoding (header check, decode to RGBA,
// premultiply), without the OpenGL upload that follows it. When fuzzing,
// every mutated input gets its chunks' check sums mended, so that changes
// reach past the checks into the image data instead of being refused there.
#include <lodepng.h>

#include <vector>

#include "FuzzTarget.h"
#include "Win/TavrixUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    if (tavrixutil::decodeTexturePng(data, size, pixels, width, height)) {
        tavrix_fuzz::require(width <= tavrixutil::MAX_TEXTURE_SIDE && height <= tavrixutil::MAX_TEXTURE_SIDE,
                             "a decoded texture fits the side limit");
        tavrix_fuzz::require(pixels.size() == static_cast<size_t>(width) * height * 4,
                             "a decoded texture holds four bytes a pixel");
        for (size_t i = 0; i < pixels.size(); i += 4) {
            const unsigned alpha = pixels[i + 3];
            tavrix_fuzz::require(pixels[i] <= alpha && pixels[i + 1] <= alpha && pixels[i + 2] <= alpha,
                                 "premultiplied colour never exceeds its alpha");
        }
    } else {
        tavrix_fuzz::require(pixels.empty(), "a refused texture keeps no pixels");
    }
    return 0;
}

#ifdef TAVRIX_FUZZ_LIBFUZZER
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int)
{
    size = LLVMFuzzerMutate(data, size, maxSize);
    const auto word = [&](size_t at) {
        return (uint32_t{data[at]} << 24) | (uint32_t{data[at + 1]} << 16) | (uint32_t{data[at + 2]} << 8) | data[at + 3];
    };
    // Chunks follow the 8-byte signature: length, type, data, check sum.
    for (size_t at = 8; at + 12 <= size;) {
        const uint32_t length = word(at);
        if (length > size - at - 12) break;
        const unsigned crc = lodepng_crc32(data + at + 4, length + 4);
        for (int i = 0; i < 4; ++i) data[at + 8 + length + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return size;
}
#endif
