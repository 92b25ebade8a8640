// PNG images as textures of the current OpenGL context, with premultiplied
// colour, the way the runtime's drawing expects them.
#pragma once

#include <cstddef>
#include <vector>

namespace tavrix_gl {

// Largest texture side accepted, in pixels: OpenGL implementations take no
// more, and the decoder is not asked to allocate for a larger image.
constexpr unsigned MAX_TEXTURE_SIDE = 16384;

// Premultiplies 8-bit RGBA pixels in place with integer arithmetic: each
// colour becomes (c * (A + 1)) >> 8, so opaque pixels keep their colour and
// transparent ones turn black.
void premultiplyRgba(unsigned char* pixels, size_t pixelCount);

// Decodes a PNG file's bytes into 8-bit RGBA rows, top to bottom, with
// premultiplied colour. False, with pixels empty, when the bytes are no PNG
// that decodes or the image is wider or taller than MAX_TEXTURE_SIDE.
bool decodeTexturePng(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                      unsigned& width, unsigned& height);

// Why decodeTexturePng refuses the bytes, in words; null when it takes them.
const char* texturePngFailure(const unsigned char* bytes, size_t size);
// Why the PNG file cannot be a texture, in words: unreadable, or refused.
const char* textureFileFailure(const char* path);

// A new 2-D texture holding the PNG with premultiplied colour and a full
// mipmap chain, left bound; 0 when the bytes cannot be decoded.
unsigned int loadTextureFromPng(const unsigned char* bytes, size_t size);
// The same for a PNG file; 0 when it cannot be read or decoded.
unsigned int loadTexture(const char* path);

} // namespace tavrix_gl
