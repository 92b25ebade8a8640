// Models, textures and pixel comparisons for the drawing tests: flat models
// whose meshes are rectangles in canvas units, solid PNG textures, and image
// checks that print which pixels differ and where.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "mocwriter/MocModel.h"

namespace tavrix_test {

// 8-bit RGBA.
struct Rgba8 {
    int r, g, b, a;
};

// A colour with channels from 0 to 1.
struct Colour {
    float r, g, b, a;
};

Colour toColour(Rgba8 c);
// Rounded to 8 bits, each channel clamped to 0..1 first.
Rgba8 toRgba8(Colour c);
// A premultiplied colour as straight 8-bit colour (0 where alpha is 0).
Rgba8 straightRgba8(Colour premultiplied);

// A straight-alpha PNG pixel as textures store it: premultiplied with A + 1.
Rgba8 storedTexel(Rgba8 png);

// What one mesh fragment of a texel leaves on dst by the drawing back-end's
// blend table for composition mode and opacity, base colour and texture
// colour at their defaults.
Colour blendReference(Colour dst, Colour texel, float opacity, int mode, bool premultiplied);

// Whether the centre of pixel (x, y) lies inside the rectangle given in
// units of which one spans scale pixels.
bool insideRect(int x, int y, float left, float top, float right, float bottom, float scale = 1.0f);

// A rectangle mesh in canvas units (y down), drawn with the given texture
// number, keyed opacity and composition mode.
struct RectMesh {
    float x, y, width, height;
    int textureNo = 0;
    float opacity = 1.0f;
    int compositionMode = 0;
};

// The parameter every flat model has (0..1, default 0); nothing is keyed by it.
extern const char* const FLAT_PARAM;

// A model of one part holding the rectangles, bottom to top in list order,
// on a canvas of the given size.
mocwriter::MocModel flatModel(int canvasWidth, int canvasHeight, const std::vector<RectMesh>& rects);

// Writes bytes or a model (format version 10) into a folder of this
// process's own under the test temporary folder, and returns the path.
std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes);
std::string writeTempModel(const std::string& name, const mocwriter::MocModel& model);
// A PNG of one straight-alpha colour.
std::string writeSolidPng(const std::string& name, int width, int height, Rgba8 colour);

// An RGBA image, rows top to bottom.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Rgba8 at(int x, int y) const;
};

// Compares every pixel with expected(x, y), each channel within tolerance.
// Empty when all match; otherwise how many differ, the first few with the
// values found and expected, and (for small images) a map of where.
std::string comparePixels(const Image& image, const std::function<Rgba8(int x, int y)>& expected,
                          int tolerance);

} // namespace tavrix_test
