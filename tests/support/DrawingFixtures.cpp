#include "support/DrawingFixtures.h"

#include <gtest/gtest.h>
#include <lodepng.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mocwriter/MocFile.h"
#include "mocwriter/ModelBuilders.h"
#include "support/Files.h"

using namespace mocwriter;

namespace tavrix_test {

const char* const FLAT_PARAM = "PARAM_FLAT";

namespace {

const int LISTED_DIFFERENCES = 5;
const int LARGEST_MAPPED_SIDE = 128;

std::string text(Rgba8 c)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "(%d, %d, %d, %d)", c.r, c.g, c.b, c.a);
    return buffer;
}

bool near(Rgba8 a, Rgba8 b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

// Test programs run in parallel, one process per test: the files go into a
// folder of this process's own, removed when it ends.
std::string tempPath(const std::string& name)
{
    static ScratchFolder written("files");
    return written / name;
}

} // namespace

Colour toColour(Rgba8 c)
{
    return {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, c.a / 255.0f};
}

Rgba8 toRgba8(Colour c)
{
    auto byte = [](float v) { return static_cast<int>(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255.0f)); };
    return {byte(c.r), byte(c.g), byte(c.b), byte(c.a)};
}

Rgba8 straightRgba8(Colour premultiplied)
{
    const float a = premultiplied.a;
    if (!(a > 0.0f)) return {0, 0, 0, 0};
    return toRgba8({premultiplied.r / a, premultiplied.g / a, premultiplied.b / a, a});
}

Rgba8 storedTexel(Rgba8 png)
{
    auto channel = [&](int c) { return (c * (png.a + 1)) >> 8; };
    return {channel(png.r), channel(png.g), channel(png.b), png.a};
}

Colour blendReference(Colour dst, Colour texel, float opacity, int mode, bool premultiplied)
{
    const Colour tint = premultiplied ? Colour{opacity, opacity, opacity, opacity} : Colour{1, 1, 1, opacity};
    const Colour src = {texel.r * tint.r, texel.g * tint.g, texel.b * tint.b, texel.a * tint.a};
    auto mix = [&](float s, float d, float sf, float df) { return s * sf + d * df; };
    if (mode == 1) { // additive: SRC_ALPHA, ONE; alpha ZERO, ONE
        return {mix(src.r, dst.r, src.a, 1), mix(src.g, dst.g, src.a, 1), mix(src.b, dst.b, src.a, 1), dst.a};
    }
    if (mode == 2 && premultiplied) { // DST_COLOR, ONE_MINUS_SRC_ALPHA; alpha ZERO, ONE
        const float k = 1 - src.a;
        return {mix(src.r, dst.r, dst.r, k), mix(src.g, dst.g, dst.g, k), mix(src.b, dst.b, dst.b, k), dst.a};
    }
    if (mode == 2) { // ZERO, SRC_COLOR; alpha ZERO, ONE
        return {dst.r * src.r, dst.g * src.g, dst.b * src.b, dst.a};
    }
    // Every other mode: ONE (premultiplied) or SRC_ALPHA, ONE_MINUS_SRC_ALPHA;
    // alpha ONE, ONE_MINUS_SRC_ALPHA.
    const float sf = premultiplied ? 1 : src.a;
    const float k = 1 - src.a;
    return {mix(src.r, dst.r, sf, k), mix(src.g, dst.g, sf, k), mix(src.b, dst.b, sf, k), mix(src.a, dst.a, 1, k)};
}

bool insideRect(int x, int y, float left, float top, float right, float bottom, float scale)
{
    const float cx = (x + 0.5f) / scale;
    const float cy = (y + 0.5f) / scale;
    return cx > left && cx < right && cy > top && cy < bottom;
}

MocModel flatModel(int canvasWidth, int canvasHeight, const std::vector<RectMesh>& rects)
{
    MocModel model;
    model.canvasWidth = canvasWidth;
    model.canvasHeight = canvasHeight;
    model.params.push_back(ModelBuilders::param(FLAT_PARAM, 0.0f, 1.0f, 0.0f));
    MocModel::Part part;
    part.id = "PARTS_FLAT";
    for (size_t i = 0; i < rects.size(); ++i) {
        const RectMesh& rect = rects[i];
        MocModel::Mesh mesh = ModelBuilders::quadMesh(
            "D_RECT_" + std::to_string(i), std::string(MocModel::DST_BASE), rect.x, rect.y, rect.width, rect.height,
            ModelBuilders::singlePivot(FLAT_PARAM), 500 + static_cast<int>(i), rect.textureNo);
        mesh.opacities.assign(mesh.opacities.size(), rect.opacity);
        mesh.compositionMode = rect.compositionMode;
        part.meshes.push_back(mesh);
    }
    model.parts.push_back(part);
    return model;
}

std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    return writeFile(tempPath(name), bytes);
}

std::string writeTempModel(const std::string& name, const MocModel& model)
{
    return writeTempFile(name, MocFile::build(model));
}

std::string writeSolidPng(const std::string& name, int width, int height, Rgba8 colour)
{
    std::vector<uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.insert(pixels.end(), {static_cast<uint8_t>(colour.r), static_cast<uint8_t>(colour.g),
                                     static_cast<uint8_t>(colour.b), static_cast<uint8_t>(colour.a)});
    }
    const std::string path = tempPath(name);
    EXPECT_EQ(lodepng_encode32_file(path.c_str(), pixels.data(), width, height), 0u) << path;
    return path;
}

Rgba8 Image::at(int x, int y) const
{
    const uint8_t* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

std::string comparePixels(const Image& image, const std::function<Rgba8(int x, int y)>& expected, int tolerance)
{
    int differing = 0;
    std::string listed;
    std::string map;
    const bool mapped = image.width <= LARGEST_MAPPED_SIDE && image.height <= LARGEST_MAPPED_SIDE;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba8 want = expected(x, y);
            const Rgba8 got = image.at(x, y);
            const bool same = near(got, want, tolerance);
            if (mapped) map += same ? (want.a == 0 ? '.' : '#') : 'X';
            if (same) continue;
            if (++differing <= LISTED_DIFFERENCES) {
                listed += "  (" + std::to_string(x) + ", " + std::to_string(y) + "): found " + text(got) +
                          ", expected " + text(want) + "\n";
            }
        }
        if (mapped) map += '\n';
    }
    if (differing == 0) return std::string();
    std::string report = std::to_string(differing) + " of " + std::to_string(image.width * image.height) +
                         " pixels differ by more than " + std::to_string(tolerance) + ":\n" + listed;
    if (mapped) report += "where ('X' differs, '#' covered, '.' clear; top row first):\n" + map;
    return report;
}

} // namespace tavrix_test
