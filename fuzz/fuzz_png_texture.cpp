// PNG textures: the effect's texture decoding (header check, decode to RGBA,
// premultiply), without the OpenGL upload that follows it.
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
