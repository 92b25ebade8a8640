// Loading helpers between the effect and the model runtime, in the effect's
// names over the drawing library (gl/Texture.h, gl/ModelLoading.h). They run
// with the effect's private OpenGL context current, so the textures they
// create belong to it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Texture.h"

namespace tavrix {
class TavrixModelOpenGL;
}

namespace tavrixutil {

// Starts the runtime (no custom allocator); always 0.
int init();

// Largest texture side accepted, in pixels: OpenGL implementations take no
// more, and the decoder is not asked to allocate for a larger image.
constexpr unsigned MAX_TEXTURE_SIDE = tavrix_gl::MAX_TEXTURE_SIDE;

// A new 2-D texture holding the PNG file with premultiplied colour and a full
// mipmap chain, left bound; 0 when the file cannot be decoded.
unsigned int loadGLTextureByLodePNG(const char* path);

// Decodes a PNG file's bytes into 8-bit RGBA rows, top to bottom, with
// premultiplied colour. False, with pixels empty, when the bytes are no PNG
// that decodes or the image is wider or taller than MAX_TEXTURE_SIDE.
bool decodeTexturePng(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                      unsigned& width, unsigned& height);

// Why decodeTexturePng refuses the bytes, in words; null when it takes them.
const char* texturePngFailure(const unsigned char* bytes, size_t size);

// Premultiplies 8-bit RGBA pixels in place with integer arithmetic: each
// colour becomes (c * (A + 1)) >> 8, so opaque pixels keep their colour and
// transparent ones turn black.
void premultiplyRgba(unsigned char* pixels, size_t pixelCount);

// Loads paths[0] as the model and paths[1..] as its textures 0, 1, ... (a
// texture that cannot be decoded is registered as 0), switches the model to
// premultiplied colour, gives it the projection for a target of width x
// height (only the ratio counts) and evaluates it once. Every texture name
// created is appended to textures. Null when the model cannot be loaded; the
// load result is then left for Tavrix::getError() and nothing is created.
tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures);

// The projection loadModel gives a model: x from 0 to canvasWidth spans the
// target's width, y points down with the same scale and 0 at the top edge.
// Column-major, 16 floats.
void projectionMatrix(float aspect, float canvasWidth, float matrix[16]);

} // namespace tavrixutil
