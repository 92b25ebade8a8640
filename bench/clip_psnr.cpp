// How close a clip comes to the frames it was made from: decodes every frame
// of CLIP (as the tests read clips back) and compares it with the PNG files,
// in order, both laid over black (as .mp4 lays its frames), so that the
// colour of pixels that are hardly there counts as little as they show.
// Prints the PSNR of the colour channels over the whole clip and of its
// worst frame, in dB; ./bench.sh reports them beside each clip.
//   clip_psnr CLIP FRAME.png...
#include <cmath>
#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "ImageFile.h"
#include "support/video/ClipDecoder.h"

namespace {

double psnr(double squaredError, double samples)
{
    if (squaredError == 0) return INFINITY;
    return 10.0 * std::log10(255.0 * 255.0 * samples / squaredError);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: clip_psnr CLIP FRAME.png...\n");
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    tavrix_test::DecodedClip clip;
    std::string why;
    if (!tavrix_test::decodeClip(argv[1], clip, why)) {
        std::fprintf(stderr, "clip_psnr: %s\n", why.c_str());
        return 1;
    }
    const size_t count = static_cast<size_t>(argc - 2);
    if (clip.frames.size() != count) {
        std::fprintf(stderr, "clip_psnr: %s has %zu frames, %zu PNG files were given\n", argv[1], clip.frames.size(),
                     count);
        return 1;
    }
    double totalError = 0, totalSamples = 0, worst = INFINITY;
    for (size_t i = 0; i < count; ++i) {
        tavrix_media::RgbaImage png;
        if (!tavrix_media::readPng(argv[i + 2], png, why)) {
            std::fprintf(stderr, "clip_psnr: %s\n", why.c_str());
            return 1;
        }
        const tavrix_media::RgbaImage& decoded = clip.frames[i];
        if (decoded.width != png.width || decoded.height != png.height) {
            std::fprintf(stderr, "clip_psnr: frame %zu is %ux%u in the clip, %ux%u in %s\n", i, decoded.width,
                         decoded.height, png.width, png.height, argv[i + 2]);
            return 1;
        }
        double error = 0;
        for (size_t p = 0; p < png.pixels.size(); p += 4) {
            for (size_t c = 0; c < 3; ++c) {
                const double d = decoded.pixels[p + c] * (decoded.pixels[p + 3] / 255.0) -
                                 png.pixels[p + c] * (png.pixels[p + 3] / 255.0);
                error += d * d;
            }
        }
        const double samples = static_cast<double>(png.pixels.size()) / 4 * 3;
        worst = std::fmin(worst, psnr(error, samples));
        totalError += error;
        totalSamples += samples;
    }
    std::printf("{\"psnr\": %.3f, \"worstFramePsnr\": %.3f, \"frames\": %zu}\n", psnr(totalError, totalSamples), worst,
                count);
    return 0;
}
