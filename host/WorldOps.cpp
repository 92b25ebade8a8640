#include "WorldOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

#include "HostWorld.h"

namespace tavrix_host {

namespace {

// straight[alpha][colour]: the rounded straight colour, at most 255; one
// table lookup instead of a division per channel.
struct StraightTable {
    uint8_t values[256][256];
    StraightTable()
    {
        for (int colour = 0; colour < 256; ++colour) values[0][colour] = 0;
        for (int alpha = 1; alpha < 256; ++alpha) {
            for (int colour = 0; colour < 256; ++colour) {
                values[alpha][colour] = static_cast<uint8_t>(std::min(255, (colour * 255 + alpha / 2) / alpha));
            }
        }
    }
};

const StraightTable& straightTable()
{
    static const StraightTable table;
    return table;
}

uint8_t toPremultiplied(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 127) / 255);
}

const PF_Pixel& pixelAt(const PF_EffectWorld& world, int32_t x, int32_t y)
{
    return HostWorld::row(world, y)[x];
}

// Bilinear sample at (fx, fy) in source pixel centres, edges clamped.
PF_Pixel sampleBilinear(const PF_EffectWorld& src, double fx, double fy)
{
    fx = std::clamp(fx, 0.0, static_cast<double>(src.width - 1));
    fy = std::clamp(fy, 0.0, static_cast<double>(src.height - 1));
    const int32_t x0 = static_cast<int32_t>(fx);
    const int32_t y0 = static_cast<int32_t>(fy);
    const int32_t x1 = std::min(x0 + 1, src.width - 1);
    const int32_t y1 = std::min(y0 + 1, src.height - 1);
    const double ax = fx - x0;
    const double ay = fy - y0;
    const PF_Pixel& p00 = pixelAt(src, x0, y0);
    const PF_Pixel& p10 = pixelAt(src, x1, y0);
    const PF_Pixel& p01 = pixelAt(src, x0, y1);
    const PF_Pixel& p11 = pixelAt(src, x1, y1);
    auto mix = [&](uint8_t PF_Pixel::*channel) {
        const double top = p00.*channel + (p10.*channel - p00.*channel) * ax;
        const double bottom = p01.*channel + (p11.*channel - p01.*channel) * ax;
        return static_cast<uint8_t>(std::lround(top + (bottom - top) * ay));
    };
    return PF_Pixel{mix(&PF_Pixel::alpha), mix(&PF_Pixel::red), mix(&PF_Pixel::green), mix(&PF_Pixel::blue)};
}

// pix_fn over rows first to last - 1 of dst; stops at the first error.
PF_Err iterateRows(const PF_EffectWorld* src, PF_EffectWorld& dst, int32_t first, int32_t last, void* refcon,
                   PF_IteratePixel8Func pix_fn)
{
    for (int32_t y = first; y < last; ++y) {
        PF_Pixel* row = HostWorld::row(dst, y);
        // Where src has no pixel the effect sees transparent black.
        const int32_t covered = src && y < src->height ? std::min(src->width, dst.width) : 0;
        const PF_Pixel* srcRow = covered ? HostWorld::row(*src, y) : nullptr;
        for (int32_t x = 0; x < dst.width; ++x) {
            // A copy: the effect may write to what it is handed.
            PF_Pixel in = x < covered ? srcRow[x] : PF_Pixel{0, 0, 0, 0};
            if (PF_Err err = pix_fn(refcon, x, y, &in, &row[x])) return err;
        }
    }
    return PF_Err_NONE;
}

} // namespace

void WorldOps::unpremultiply(PF_EffectWorld& world)
{
    const StraightTable& table = straightTable();
    for (int32_t y = 0; y < world.height; ++y) {
        PF_Pixel* row = HostWorld::row(world, y);
        for (int32_t x = 0; x < world.width; ++x) {
            PF_Pixel& p = row[x];
            // Frames are mostly empty or opaque; those need no lookup.
            if (p.alpha == 255) continue;
            if (p.alpha == 0) {
                p = PF_Pixel{0, 0, 0, 0};
                continue;
            }
            const uint8_t* straight = table.values[p.alpha];
            p.red = straight[p.red];
            p.green = straight[p.green];
            p.blue = straight[p.blue];
        }
    }
}

void WorldOps::premultiply(PF_EffectWorld& world)
{
    for (int32_t y = 0; y < world.height; ++y) {
        PF_Pixel* row = HostWorld::row(world, y);
        for (int32_t x = 0; x < world.width; ++x) {
            PF_Pixel& p = row[x];
            p.red = toPremultiplied(p.red, p.alpha);
            p.green = toPremultiplied(p.green, p.alpha);
            p.blue = toPremultiplied(p.blue, p.alpha);
        }
    }
}

void WorldOps::copy(const PF_EffectWorld& src, PF_EffectWorld& dst, bool highQuality)
{
    if (src.width == dst.width && src.height == dst.height) {
        for (int32_t y = 0; y < dst.height; ++y) {
            std::memcpy(HostWorld::row(dst, y), HostWorld::row(src, y), static_cast<size_t>(dst.width) * 4);
        }
        return;
    }
    if (src.width <= 0 || src.height <= 0) {
        fill(dst, PF_Pixel{0, 0, 0, 0});
        return;
    }
    const double sx = static_cast<double>(src.width) / dst.width;
    const double sy = static_cast<double>(src.height) / dst.height;
    for (int32_t y = 0; y < dst.height; ++y) {
        PF_Pixel* row = HostWorld::row(dst, y);
        for (int32_t x = 0; x < dst.width; ++x) {
            if (highQuality) {
                row[x] = sampleBilinear(src, (x + 0.5) * sx - 0.5, (y + 0.5) * sy - 0.5);
            } else {
                const int32_t nx = std::min(static_cast<int32_t>((x + 0.5) * sx), src.width - 1);
                const int32_t ny = std::min(static_cast<int32_t>((y + 0.5) * sy), src.height - 1);
                row[x] = pixelAt(src, nx, ny);
            }
        }
    }
}

PF_Err WorldOps::iterate(const PF_EffectWorld* src, PF_EffectWorld& dst, void* refcon, PF_IteratePixel8Func pix_fn)
{
    // Bands of rows run on threads of their own, as compositing hosts
    // iterate; effects' pixel functions must allow that. Small images stay
    // on the calling thread.
    const int32_t minRowsPerBand = 64;
    const int32_t bands = static_cast<int32_t>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8));
    const int32_t count = std::max(1, std::min(bands, dst.height / minRowsPerBand));
    std::vector<PF_Err> results(static_cast<size_t>(count), PF_Err_NONE);
    auto band = [&](int32_t index) {
        const int32_t first = dst.height * index / count;
        const int32_t last = dst.height * (index + 1) / count;
        results[static_cast<size_t>(index)] = iterateRows(src, dst, first, last, refcon, pix_fn);
    };
    std::vector<std::thread> threads;
    for (int32_t index = 1; index < count; ++index) threads.emplace_back(band, index);
    band(0);
    for (std::thread& thread : threads) thread.join();
    // The error of the topmost band that had one.
    for (PF_Err err : results) {
        if (err) return err;
    }
    return PF_Err_NONE;
}

void WorldOps::fill(PF_EffectWorld& world, PF_Pixel colour)
{
    for (int32_t y = 0; y < world.height; ++y) std::fill_n(HostWorld::row(world, y), world.width, colour);
}

void WorldOps::fromRGBA(const uint8_t* rgba, PF_EffectWorld& world)
{
    for (int32_t y = 0; y < world.height; ++y) {
        PF_Pixel* row = HostWorld::row(world, y);
        const uint8_t* in = rgba + static_cast<size_t>(y) * world.width * 4;
        for (int32_t x = 0; x < world.width; ++x, in += 4) row[x] = PF_Pixel{in[3], in[0], in[1], in[2]};
    }
}

void WorldOps::toRGBA(const PF_EffectWorld& world, std::vector<uint8_t>& rgba)
{
    rgba.resize(static_cast<size_t>(world.width) * world.height * 4);
    uint8_t* out = rgba.data();
    for (int32_t y = 0; y < world.height; ++y) {
        const PF_Pixel* row = HostWorld::row(world, y);
        for (int32_t x = 0; x < world.width; ++x, out += 4) {
            out[0] = row[x].red;
            out[1] = row[x].green;
            out[2] = row[x].blue;
            out[3] = row[x].alpha;
        }
    }
}

void WorldOps::compositeOver(const PF_EffectWorld& world, int32_t left, int32_t top, std::vector<uint8_t>& frame,
                             int32_t frameWidth, int32_t frameHeight)
{
    const int32_t x0 = std::max(0, left);
    const int32_t y0 = std::max(0, top);
    const int32_t x1 = std::min(frameWidth, left + world.width);
    const int32_t y1 = std::min(frameHeight, top + world.height);
    for (int32_t y = y0; y < y1; ++y) {
        const PF_Pixel* row = HostWorld::row(world, y - top);
        uint8_t* out = frame.data() + (static_cast<size_t>(y) * frameWidth + x0) * 4;
        for (int32_t x = x0; x < x1; ++x, out += 4) {
            const PF_Pixel& s = row[x - left];
            if (s.alpha == 0) continue;
            if (s.alpha == 255 || out[3] == 0) {
                out[0] = s.red;
                out[1] = s.green;
                out[2] = s.blue;
                out[3] = s.alpha;
                continue;
            }
            // Weights in 1/255^2 units: source alpha * 255 and the
            // destination's share of what the source leaves.
            const int sourceWeight = s.alpha * 255;
            const int destWeight = out[3] * (255 - s.alpha);
            const int total = sourceWeight + destWeight;
            auto blend = [&](uint8_t source, uint8_t dest) {
                return static_cast<uint8_t>((source * sourceWeight + dest * destWeight + total / 2) / total);
            };
            out[0] = blend(s.red, out[0]);
            out[1] = blend(s.green, out[1]);
            out[2] = blend(s.blue, out[2]);
            out[3] = static_cast<uint8_t>((total + 127) / 255);
        }
    }
}

} // namespace tavrix_host
