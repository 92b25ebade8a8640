#include "RgbaImage.h"

#include <cstring>

namespace tavrix_media {

void unpremultiply(RgbaImage& image)
{
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        unsigned alpha = image.pixels[i + 3];
        // Most pixels of a drawing are opaque or empty: no division for them.
        if (alpha == 255) continue;
        if (alpha == 0) {
            image.pixels[i] = image.pixels[i + 1] = image.pixels[i + 2] = 0;
            continue;
        }
        for (int c = 0; c < 3; ++c) {
            unsigned value = (image.pixels[i + c] * 255u + alpha / 2) / alpha;
            image.pixels[i + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
}

void compositeOver(RgbaImage& image, const Rgba8& background)
{
    const unsigned back[4] = {background.r, background.g, background.b, background.a};
    uint8_t* pixels = image.pixels.data();
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        const unsigned alpha = pixels[i + 3];
        // Opaque and empty pixels, most of a frame, come out of the formula
        // below unchanged and as the background: no division for them.
        if (alpha == 255) continue;
        if (alpha == 0) {
            for (int c = 0; c < 3; ++c) pixels[i + c] = static_cast<uint8_t>(back[3] == 0 ? 0 : back[c]);
            pixels[i + 3] = static_cast<uint8_t>(back[3]);
            continue;
        }
        // Output alpha = a + b(1 - a); colours weighted the same way, in
        // integers scaled by 255 * 255 and rounded.
        const unsigned outAlpha255 = alpha * 255 + back[3] * (255 - alpha);
        for (int c = 0; c < 3; ++c) {
            const unsigned weighted = pixels[i + c] * alpha * 255 + back[c] * back[3] * (255 - alpha);
            pixels[i + c] = static_cast<uint8_t>((weighted + outAlpha255 / 2) / outAlpha255);
        }
        pixels[i + 3] = static_cast<uint8_t>((outAlpha255 + 127) / 255);
    }
}

void paintPremultipliedOver(const RgbaImage& picture, const uint8_t* from, uint8_t* to)
{
    const uint8_t* paint = picture.pixels.data();
    const size_t bytes = picture.pixels.size();
    for (size_t i = 0; i + 3 < bytes; i += 4) {
        const unsigned alpha = paint[i + 3];
        // Most pixels of a frame are empty or opaque: no arithmetic for them.
        if (alpha == 0) {
            to[i] = from[i];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i + 2];
        } else if (alpha == 255) {
            to[i] = paint[i];
            to[i + 1] = paint[i + 1];
            to[i + 2] = paint[i + 2];
        } else {
            const unsigned through = 255 - alpha;
            for (int c = 0; c < 3; ++c) {
                const unsigned value = paint[i + c] + (from[i + c] * through + 127) / 255;
                to[i + c] = static_cast<uint8_t>(value > 255 ? 255 : value);
            }
        }
        to[i + 3] = from[i + 3];
    }
}

void resizeNearest(const RgbaImage& image, unsigned width, unsigned height, RgbaImage& resized)
{
    resized.width = width;
    resized.height = height;
    resized.pixels.resize(static_cast<size_t>(width) * height * 4);
    if (image.width == 0 || image.height == 0) {
        std::fill(resized.pixels.begin(), resized.pixels.end(), 0);
        return;
    }
    std::vector<size_t> columns(width);
    for (unsigned x = 0; x < width; ++x) {
        columns[x] = static_cast<size_t>(static_cast<uint64_t>(x) * image.width / width) * 4;
    }
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* from =
            image.pixels.data() + static_cast<size_t>(static_cast<uint64_t>(y) * image.height / height) * image.width * 4;
        uint8_t* to = resized.pixels.data() + static_cast<size_t>(y) * width * 4;
        for (unsigned x = 0; x < width; ++x) std::memcpy(to + static_cast<size_t>(x) * 4, from + columns[x], 4);
    }
}

} // namespace tavrix_media
