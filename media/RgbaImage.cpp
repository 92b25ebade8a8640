#include "RgbaImage.h"

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
    for (size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        unsigned alpha = image.pixels[i + 3];
        // Output alpha = a + b(1 - a); colours weighted the same way, in
        // integers scaled by 255 * 255 and rounded.
        unsigned outAlpha255 = alpha * 255 + back[3] * (255 - alpha);
        for (int c = 0; c < 3; ++c) {
            unsigned weighted = image.pixels[i + c] * alpha * 255 + back[c] * back[3] * (255 - alpha);
            image.pixels[i + c] =
                static_cast<uint8_t>(outAlpha255 == 0 ? 0 : (weighted + outAlpha255 / 2) / outAlpha255);
        }
        image.pixels[i + 3] = static_cast<uint8_t>((outAlpha255 + 127) / 255);
    }
}

} // namespace tavrix_media
